// One tab of the main window: a radio group of output types, built from its table, and the
// label of accepted inputs.
#pragma once

#include <functional>
#include <span>
#include <utility>

#include "app/core/OutputTypes.h"
#include "win/Dialog.h"

namespace marlisk::win {

class OutputPage final : public Dialog {
 public:
  OutputPage(int templateId, int groupId, int firstItemId, std::span<const OutputType> types,
             std::function<void(int)> onSelect)
      : Dialog(templateId),
        groupId_(groupId),
        firstItemId_(firstItemId),
        types_(types),
        onSelect_(std::move(onSelect)) {}

  int itemIndex() const;  // -1 when no item is chosen
  // Shows `index` as chosen without telling onSelect; an index outside the list chooses none.
  void setItemIndex(int index);
  int itemCount() const { return static_cast<int>(types_.size()); }
  int itemId(int index) const { return firstItemId_ + index; }

 protected:
  void onInitDialog() override;
  bool onCommand(int id, int code, HWND control) override;

 private:
  int groupId_;
  int firstItemId_;
  std::span<const OutputType> types_;
  std::function<void(int)> onSelect_;
};

}  // namespace marlisk::win
