// Runs the real MarliskAuto.exe as a user would, and plays the user's part: every message
// box is read and answered with OK; once the main window stands idle the test may act on it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace marlisk::test {

struct ProgramRun {
  DWORD exitCode = 0;
  bool timedOut = false;
  std::vector<std::string> messages;  // the texts of the message boxes, in order
};

// `arguments` is the command line after the exe's quoted path, as a user would type it.
// `onIdle` is called once, when the main window waits for the user: up, no message box open,
// and `readyWhen` true (by default: no output running); without `onIdle` the main window is
// closed at that point.
// `showCommand` is how the program is asked to show its window, as a shortcut set to
// "最小化" asks (SW_SHOWMINNOACTIVE).
ProgramRun runProgram(const std::string& arguments, const std::function<void(HWND)>& onIdle = {},
                      DWORD timeoutMs = 30000, const std::function<bool(HWND)>& readyWhen = {},
                      WORD showCommand = SW_SHOWNORMAL);

// The built MarliskAuto.exe, beside the test exe.
std::string programPath();

// Points the user's local application data folder at `folder` while it lives, so that the
// program makes its working folder there; the system's own setting comes back afterwards.
class LocalAppDataRedirect {
 public:
  explicit LocalAppDataRedirect(const std::string& folder);
  ~LocalAppDataRedirect();
  LocalAppDataRedirect(const LocalAppDataRedirect&) = delete;
  LocalAppDataRedirect& operator=(const LocalAppDataRedirect&) = delete;
};

}  // namespace marlisk::test
