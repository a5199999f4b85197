#include "win/ShellOpen.h"

#include <shellapi.h>

#include <utility>

#include "win/Handles.h"
#include "win/Strings.h"

namespace marlisk::win {

namespace {
OpenHandler& handler() {
  static OpenHandler instance;
  return instance;
}
}  // namespace

Win32Error openDocument(const std::string& path, const std::string& program) {
  if (handler()) return handler()(path, program);
  if (program.empty()) {
    const std::wstring file = widen(path);
    SHELLEXECUTEINFOW execute = {sizeof(execute)};
    // No box of the shell's own ("choose a program"): the caller says what failed.
    execute.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    execute.lpVerb = L"open";
    execute.lpFile = file.c_str();
    execute.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&execute) ? Win32Error() : Win32Error::last();
  }
  std::wstring commandLine = widen("\"" + program + "\" \"" + path + "\"");
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return Win32Error::last();
  UniqueHandle owned(process.hProcess), thread(process.hThread);
  return {};
}

OpenHandler setOpenHandler(OpenHandler replacement) { return std::exchange(handler(), std::move(replacement)); }

}  // namespace marlisk::win
