// Acts in the user's place on the next dialog that comes up over `owner`: the action runs
// from inside that dialog's own modal loop, so the code under test shows its real dialog.
#pragma once

#include <windows.h>

#include <functional>

namespace marlisk::test {

class WhenModal {
 public:
  WhenModal(HWND owner, std::function<void(HWND dialog)> action);
  ~WhenModal();
  WhenModal(const WhenModal&) = delete;
  WhenModal& operator=(const WhenModal&) = delete;

  bool ran() const { return ran_; }

 private:
  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);

  HWND owner_;
  std::function<void(HWND)> action_;
  UINT_PTR timer_ = 0;
  bool ran_ = false;
};

// Presses a dialog's button the way a click does.
void clickButton(HWND dialog, int id);

}  // namespace marlisk::test
