#include "win/WindowCall.h"

namespace marlisk::win {

namespace {
// Registered, so that it can be no message of a control or of the program.
UINT callMessage() {
  static const UINT message = RegisterWindowMessageW(L"Marlisk.Kit.CallOnWindowThread");
  return message;
}
constexpr LRESULT kRan = 0x4341;  // not 0, which SendMessage also gives for a window that is gone
}  // namespace

bool callOnWindowThread(HWND window, const std::function<void()>& call) {
  if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
    call();
    return true;
  }
  return SendMessageW(window, callMessage(), 0, reinterpret_cast<LPARAM>(&call)) == kRan;
}

bool runSentCall(UINT message, LPARAM lParam, LRESULT& answer) {
  if (message != callMessage()) return false;
  (*reinterpret_cast<const std::function<void()>*>(lParam))();
  answer = kRan;
  return true;
}

}  // namespace marlisk::win
