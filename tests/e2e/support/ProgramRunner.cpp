#include "support/ProgramRunner.h"

#include "support/TestFolder.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace marlisk::test {

using win::narrow;
using win::widen;

namespace {

constexpr const wchar_t* kShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const wchar_t* kDefaultLocalAppData = L"%USERPROFILE%\\AppData\\Local";
// "ﾊﾞｯﾁﾌｧｲﾙ出力": disabled while an output runs, so enabled means the program waits for the user.
constexpr int kBatchOutputButton = 1005;

void setLocalAppData(const std::wstring& value) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegSetValueExW(key, L"Local AppData", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

struct Windows {
  DWORD processId;
  HWND mainWindow = nullptr;
  HWND messageBox = nullptr;
};

BOOL CALLBACK collect(HWND window, LPARAM context) {
  auto* found = reinterpret_cast<Windows*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != found->processId || !IsWindowVisible(window)) return TRUE;
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (std::wstring(className) != L"#32770") return TRUE;
  if (GetDlgItem(window, 0xFFFF))
    found->messageBox = window;  // a message box's text control
  else if (narrow([&] {
             wchar_t title[128] = {};
             GetWindowTextW(window, title, 128);
             return std::wstring(title);
           }())
               .rfind("<< MarliskAuto >>", 0) == 0)
    found->mainWindow = window;
  return TRUE;
}

}  // namespace

std::string programPath() { return exeFolder() + "\\MarliskAuto.exe"; }

LocalAppDataRedirect::LocalAppDataRedirect(const std::string& folder) { setLocalAppData(widen(folder)); }
LocalAppDataRedirect::~LocalAppDataRedirect() { setLocalAppData(kDefaultLocalAppData); }

ProgramRun runProgram(const std::string& arguments, const std::function<void(HWND)>& onIdle, DWORD timeoutMs,
                      const std::function<bool(HWND)>& readyWhen, WORD showCommand) {
  ProgramRun run;
  std::wstring commandLine = widen("\"" + programPath() + "\"" + (arguments.empty() ? "" : " " + arguments));
  STARTUPINFOW startup = {sizeof(startup)};
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = showCommand;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    run.exitCode = GetLastError();
    run.timedOut = true;
    return run;
  }
  win::UniqueHandle process(info.hProcess), thread(info.hThread);
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  bool idleSeen = false;
  int quietPolls = 0;  // the start may still be about to show a box: wait for a quiet half second
  while (WaitForSingleObject(process.get(), 50) == WAIT_TIMEOUT) {
    if (GetTickCount64() > deadline) {
      TerminateProcess(process.get(), 999);
      WaitForSingleObject(process.get(), 5000);
      run.timedOut = true;
      break;
    }
    Windows found{info.dwProcessId};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&found));
    if (found.messageBox) {
      wchar_t text[2048] = {};
      GetDlgItemTextW(found.messageBox, 0xFFFF, text, 2048);
      run.messages.push_back(narrow(text));
      PostMessageW(found.messageBox, WM_COMMAND, IDOK, 0);
      // Wait for that box to go before looking again, so that no text is read twice.
      for (int i = 0; i < 100 && IsWindow(found.messageBox); ++i) Sleep(20);
      quietPolls = 0;
    } else if (found.mainWindow && !idleSeen && IsWindowEnabled(found.mainWindow) &&
               (readyWhen ? readyWhen(found.mainWindow)
                          : IsWindowEnabled(GetDlgItem(found.mainWindow, kBatchOutputButton))) &&
               ++quietPolls >= 10) {
      idleSeen = true;
      if (onIdle)
        onIdle(found.mainWindow);
      else
        PostMessageW(found.mainWindow, WM_CLOSE, 0, 0);
    }
  }
  GetExitCodeProcess(process.get(), &run.exitCode);
  return run;
}

}  // namespace marlisk::test
