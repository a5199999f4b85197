#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/AppContext.h"
#include "app/MarliskMForm.h"
#include "app/RunLog.h"
#include "app/RunningCopy.h"
#include "app/core/ProgramStart.h"
#include "batchlist/FileHelpers.h"
#include "core/Messages.h"

namespace {

using namespace marlisk;
using namespace marlisk::win;

// Another copy runs on this working folder. A user who opened the program again wants the
// running copy (it may be hidden in the notification area since logon); a script's batch run
// is told it cannot run, and nobody is kept waiting by a box when unattended.
int startedAgain(AppContext& app, const std::string& workFolder, const RunningCopyLock& lock) {
  const StartRequest request = evaluateCommandLine(app.arguments, resolveShortcut);
  if (!request.batch && lock.showOtherCopy()) return 0;
  const RunSettings run =
      RunSettingsFile(app.fileSystem, [](const std::string&) {}).load(workFolder + "\\" + kRunSettingsFileName);
  if (run.Unattended && (request.batch || request.standby)) {
    RunLog log(app.fileSystem, workFolder, run, [](const std::string&) {});
    log.message(request.standby, kAlreadyRunningMessage);
  } else {
    ShowWarning(kAlreadyRunningMessage);
  }
  return request.batch ? TMarliskMForm::kExitRunNotStarted : 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  // Shortcuts, the shell namespace and drag and drop all need OLE on this thread.
  const HRESULT ole = OleInitialize(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);

  int exitCode = 0;
  {
    AppContext app = AppContext::fromSystem();
    const std::string workFolder = startFolders(app.exeFolder, app.localAppData).workFolder;
    RunningCopyLock lock(workFolder);
    if (lock.otherCopyRunning()) {
      exitCode = startedAgain(app, workFolder, lock);
    } else {
      TMarliskMForm mainForm(app);
      if (HWND window = mainForm.create()) {
        lock.publish(window);
        ShowWindow(window, showCommand);
        mainForm.firstShown();
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
          HWND dialog = GetAncestor(message.hwnd, GA_ROOT);
          if (!dialog || !IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
          }
        }
        exitCode = static_cast<int>(message.wParam);
      } else {
        exitCode = 1;
      }
    }
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  return exitCode;
}
