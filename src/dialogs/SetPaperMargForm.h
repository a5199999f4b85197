// TSetPaperMargForm: the paper margins and drawing position of each of the five drawing
// folders of output 2, and whether the viewer is told about them at all. The values go
// straight into the settings model; the tab shown last is shown again at the next opening.
#pragma once

#include "app/AppContext.h"
#include "win/Dialog.h"

namespace marlisk::win {

class TSetPaperMargForm final : public Dialog {
 public:
  explicit TSetPaperMargForm(AppContext& app);

  int CurrentMarginTab() const { return currentMarginTab_; }

  // The handlers, callable directly for tests.
  void TabControl1Change(int index);  // selects tab `index`, as a click on it does
  void RadioGroup1Click(int mode);
  void ButtonOKClick();

 protected:
  void onInitDialog() override;
  bool onCommand(int id, int code, HWND control) override;
  INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  void showTab(int index);
  void storeTab(int index);
  void enableForMode();

  AppContext& app_;
  int tabIndex_ = 0;  // the tab control's own index, which outlives a showing
  int currentMarginTab_ = 0;
};

}  // namespace marlisk::win
