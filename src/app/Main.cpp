#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/AppContext.h"
#include "app/MarliskMForm.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  // Shortcuts, the shell namespace and drag and drop all need OLE on this thread.
  const HRESULT ole = OleInitialize(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);

  int exitCode = 0;
  {
    marlisk::win::AppContext app = marlisk::win::AppContext::fromSystem();
    marlisk::win::TMarliskMForm mainForm(app);
    if (HWND window = mainForm.create()) {
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
  if (SUCCEEDED(ole)) OleUninitialize();
  return exitCode;
}
