// Starts the viewer on a command file and waits for it to end, or for its time to run out.
#pragma once

#include <windows.h>

#include <string>

#include "app/core/InputHandling.h"
#include "app/core/Standby.h"
#include "win/Error.h"
#include "win/Lock.h"

namespace marlisk::win {

struct ViewerResult {
  bool started = false;
  DWORD exitCode = 0;        // when started
  Win32Error error;          // when not started: why
  bool timedOut = false;     // ended by us at the time limit, with whatever it had started
  bool endedByUser = false;  // ended at the user's word ("終了"), with whatever it had started
  double seconds = 0;        // how long it ran
  // Ended by an exception (an access violation, a stack overflow...), not by itself: what it
  // was given may not have been converted.
  bool crashed() const { return started && !timedOut && !endedByUser && isCrashExitCode(exitCode); }
  ViewerEnd end() const {
    return !started      ? ViewerEnd::NotStarted
           : endedByUser ? ViewerEnd::EndedByUser
           : timedOut    ? ViewerEnd::TimedOut
           : crashed()   ? ViewerEnd::Crashed
                         : ViewerEnd::Ended;
  }
};

// The viewer a run is waiting for, which the window may end at the user's word while the
// run's thread waits: the one thing both threads touch, behind its lock.
class ViewerStopper {
 public:
  bool running() const;
  // Ends the viewer and every program it started, now; false when none is running.
  bool endNow();

 private:
  friend class ViewerWait;
  mutable SlimLock lock_;
  HANDLE process_ = nullptr;
  HANDLE job_ = nullptr;  // null when the viewer could not be put in a job
  bool ended_ = false;
};

// The viewer could not be started: its path, the I/O error and the system's own words.
std::string cannotStartMessage(const std::string& viewerPath, Win32Error error);

// Runs "<viewer>" /z "<command file>" and returns once the viewer has ended. It runs in a job
// object, so that at the time limit (milliseconds, 0 for none), or when `stopper` is told to,
// the viewer ends with every program it started and nothing it left behind holds the files.
// It blocks: the runs call it off the window's thread.
ViewerResult runViewer(const std::string& viewerPath, const std::string& commandFilePath, DWORD timeLimitMs = 0,
                       ViewerStopper* stopper = nullptr);

// A command line of the shop's through the command interpreter, without a window, in a job
// ended with all it started at the time limit.
ViewerResult runCommand(const std::string& line, DWORD timeLimitMs);

}  // namespace marlisk::win
