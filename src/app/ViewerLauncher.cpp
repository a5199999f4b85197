#include "app/ViewerLauncher.h"

#include "app/core/ViewerCommandLine.h"
#include "win/Handles.h"
#include "win/MessagePump.h"
#include "win/Strings.h"

namespace marlisk::win {

ViewerResult runViewer(const std::string& viewerPath, const std::string& commandFilePath) {
  ViewerResult result;
  std::wstring commandLine = widen(viewerProcessCommandLine(viewerPath, commandFilePath));
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    result.error = Win32Error::last();
    return result;
  }
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle thread(process.hThread);
  result.started = true;
  HANDLE handle = processHandle.get();
  // A conversion can take hours: keep the window alive while waiting, not "not responding".
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0 + 1 && processPendingMessages()) continue;
    // Ended, or the wait itself cannot go on as it was (failure, the program is quitting):
    // the viewer is waited for all the same.
    if (woke != WAIT_OBJECT_0) WaitForSingleObject(handle, INFINITE);
    break;
  }
  GetExitCodeProcess(handle, &result.exitCode);
  return result;
}

}  // namespace marlisk::win
