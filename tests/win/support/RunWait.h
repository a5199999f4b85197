// The runs' slow steps go to a thread of their own, and what they ask of the window needs its
// messages: a test that started a step lets the window run until it is over.
#pragma once

#include <windows.h>

#include "app/MarliskMForm.h"
#include "win/MessagePump.h"

namespace marlisk::test {

// Until the step is over or the window gone; a step still running after `limitMs` is left for
// the test's own checks to find.
inline void waitForSteps(const win::TMarliskMForm& form, DWORD limitMs = 120'000) {
  const ULONGLONG until = GetTickCount64() + limitMs;
  while (form.hwnd() && form.running() && GetTickCount64() < until) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    win::processPendingMessages();
  }
}

}  // namespace marlisk::test
