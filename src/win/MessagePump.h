#pragma once

#include <windows.h>

namespace marlisk::win {

// Lets the messages that are waiting run (painting, clicks), as a long task on the UI thread
// must. A WM_QUIT met on the way is put back for the main loop and ends the pumping: then the
// result is false.
bool processPendingMessages();

// Waits for `thread` to end, still doing what other threads send this one's windows
// meanwhile: a thread that is handing its result to a window of ours would otherwise wait for
// us as we wait for it.
void waitDoingSentMessages(HANDLE thread);

// Whether `intervalMs` have passed since it last said so: for a long loop that lets the
// window run (and shows its progress) often enough, but not for every item.
class PumpClock {
 public:
  explicit PumpClock(DWORD intervalMs = 25) : interval_(intervalMs) {}
  bool due();

 private:
  DWORD interval_;
  ULONGLONG last_ = 0;
};

}  // namespace marlisk::win
