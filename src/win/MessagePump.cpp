#include "win/MessagePump.h"

namespace marlisk::win {

bool processPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    HWND dialog = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (dialog && IsDialogMessageW(dialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

bool PumpClock::due() {
  const ULONGLONG now = GetTickCount64();
  if (now - last_ < interval_) return false;
  last_ = now;
  return true;
}

void waitDoingSentMessages(HANDLE thread) {
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace marlisk::win
