// Starts the viewer on a command file and waits for it to end.
#pragma once

#include <windows.h>

#include <string>

#include "app/core/Standby.h"
#include "win/Error.h"

namespace marlisk::win {

struct ViewerResult {
  bool started = false;
  DWORD exitCode = 0;  // when started
  Win32Error error;    // when not started: why
  // Ended by an exception (an access violation, a stack overflow...), not by itself: what it
  // was given may not have been converted.
  bool crashed() const { return started && isCrashExitCode(exitCode); }
};

// Runs "<viewer>" /z "<command file>" and returns once the viewer has ended. The window
// stays painted and "終了" can be pressed meanwhile; the caller's buttons that would start
// another run are disabled by the caller.
ViewerResult runViewer(const std::string& viewerPath, const std::string& commandFilePath);

}  // namespace marlisk::win
