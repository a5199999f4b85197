#include "app/RunningCopy.h"

#include <shlobj.h>

#include <cstdio>

#include "win/Strings.h"

namespace marlisk::win {

RunningCopyLock::RunningCopyLock(const std::string& workFolder) : path_(workFolder + "\\" + kLockFileName) {
  SHCreateDirectoryExW(nullptr, widen(workFolder).c_str(), nullptr);
  // Shared for reading only, so that a later copy can learn the window but cannot take the
  // file; gone with the last handle.
  file_.reset(CreateFileW(widen(path_).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  otherCopy_ = !file_ && GetLastError() == ERROR_SHARING_VIOLATION;
}

void RunningCopyLock::publish(HWND window) {
  if (!file_) return;
  char text[64];
  const int length = std::snprintf(text, sizeof text, "%lu %llu\r\n", GetCurrentProcessId(),
                                   static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
  DWORD written = 0;
  SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN);
  WriteFile(file_.get(), text, static_cast<DWORD>(length), &written, nullptr);
  SetEndOfFile(file_.get());
}

bool RunningCopyLock::showOtherCopy() const {
  UniqueFileHandle file(CreateFileW(widen(path_).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
  if (!file) return false;
  char text[64] = {};
  DWORD read = 0;
  if (!ReadFile(file.get(), text, sizeof text - 1, &read, nullptr)) return false;
  unsigned long process = 0;
  unsigned long long handle = 0;
  if (std::sscanf(text, "%lu %llu", &process, &handle) != 2) return false;
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
  DWORD owner = 0;
  // A window handle of a copy that has ended may since belong to another program.
  if (!IsWindow(window) || (GetWindowThreadProcessId(window, &owner), owner != process)) return false;
  AllowSetForegroundWindow(process);  // this start was the user's: the running copy may come forward
  return PostMessageW(window, showMessage(), 0, 0) != FALSE;
}

UINT RunningCopyLock::showMessage() {
  static const UINT message = RegisterWindowMessageW(L"MarliskAuto.ShowRunningCopy");
  return message;
}

}  // namespace marlisk::win
