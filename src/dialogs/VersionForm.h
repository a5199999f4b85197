// The version dialog: the program's name, version and notice.
#pragma once

#include "help/URLLink.h"
#include "win/Dialog.h"

namespace marlisk::win {

class TVersionForm final : public Dialog {
 public:
  TVersionForm();
  TURLLink& webLink() { return web_; }
  TURLLink& mailLink() { return mail_; }

 protected:
  void onInitDialog() override;
  bool onCommand(int id, int code, HWND control) override;

 private:
  TURLLink web_;
  TURLLink mail_;
};

}  // namespace marlisk::win
