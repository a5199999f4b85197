// The version dialog: the program's name, version and notice.
#pragma once

#include "win/Dialog.h"

namespace marlisk::win {

class TVersionForm final : public Dialog {
 public:
  TVersionForm();

 protected:
  void onInitDialog() override;
  bool onCommand(int id, int code, HWND control) override;
};

}  // namespace marlisk::win
