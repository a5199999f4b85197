// Work on another thread reaches a window through its own thread: a call is sent to the
// window and runs there, between its other messages, as SendMessage runs any message.
#pragma once

#include <windows.h>

#include <functional>

namespace marlisk::win {

// Runs `call` on the thread that owns `window` and returns once it has run: at once when
// already there. False when the window is gone, and then it did not run.
bool callOnWindowThread(HWND window, const std::function<void()>& call);

// For a window procedure: runs a call that callOnWindowThread sent; true when it was one, and
// then `answer` is what the procedure returns for it.
bool runSentCall(UINT message, LPARAM lParam, LRESULT& answer);

}  // namespace marlisk::win
