// Starts the viewer on a command file and waits for it to end, or for its time to run out.
#pragma once

#include <windows.h>

#include <string>

#include "app/core/InputHandling.h"
#include "app/core/Standby.h"
#include "win/Error.h"

namespace marlisk::win {

struct ViewerResult {
  bool started = false;
  DWORD exitCode = 0;     // when started
  Win32Error error;       // when not started: why
  bool timedOut = false;  // ended by us at the time limit, with whatever it had started
  double seconds = 0;     // how long it ran
  // Ended by an exception (an access violation, a stack overflow...), not by itself: what it
  // was given may not have been converted.
  bool crashed() const { return started && !timedOut && isCrashExitCode(exitCode); }
  ViewerEnd end() const {
    return !started    ? ViewerEnd::NotStarted
           : timedOut  ? ViewerEnd::TimedOut
           : crashed() ? ViewerEnd::Crashed
                       : ViewerEnd::Ended;
  }
};

// Runs "<viewer>" /z "<command file>" and returns once the viewer has ended. The window
// stays painted and "終了" can be pressed meanwhile; the caller's buttons that would start
// another run are disabled by the caller. With a time limit (milliseconds, 0 for none) the
// viewer runs in a job object, and at the limit the job ends: the viewer and every program it
// started, so that nothing it left behind holds the files.
// The viewer could not be started: its path, the I/O error and the system's own words.
std::string cannotStartMessage(const std::string& viewerPath, Win32Error error);

ViewerResult runViewer(const std::string& viewerPath, const std::string& commandFilePath, DWORD timeLimitMs = 0);

}  // namespace marlisk::win
