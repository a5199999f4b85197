#pragma once

#include <windows.h>

namespace marlisk::win {

// Lets the messages that are waiting run (painting, clicks), as a long task on the UI thread
// must. A WM_QUIT met on the way is put back for the main loop and ends the pumping: then the
// result is false.
bool processPendingMessages();

// The same, at most every `intervalMs`: cheap enough to call for every item of a long loop.
class ThrottledPump {
 public:
  explicit ThrottledPump(DWORD intervalMs = 25) : interval_(intervalMs) {}
  void operator()();

 private:
  DWORD interval_;
  ULONGLONG last_ = 0;
};

}  // namespace marlisk::win
