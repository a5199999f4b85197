// The main window. For now it only opens and closes; its controls come with program start.
#pragma once

#include "win/Dialog.h"

namespace marlisk::win {

class TMarliskMForm final : public Dialog {
 public:
  TMarliskMForm();

 protected:
  void onInitDialog() override;
  bool onCommand(int id, int code, HWND control) override;
  INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  void onDestroy() override;

 private:
  void ButtonOKClick();
};

}  // namespace marlisk::win
