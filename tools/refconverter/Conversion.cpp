#include "Conversion.h"

namespace refconv {

using marlisk::win::Win32Error;

void check(HRESULT hr, const char* what) {
  if (const Win32Error error = Win32Error::of(hr); error.failed())
    throw Failure{std::string(what) + " failed (" + error.text() + ")"};
}

[[noreturn]] void fail(const char* what, Win32Error error) {
  throw Failure{std::string(what) + " (" + error.text() + ")"};
}

std::string readAll(const std::wstring& path, size_t limit) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) fail("cannot open the input", Win32Error::last());
  LARGE_INTEGER size = {};
  GetFileSizeEx(file, &size);
  if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > limit) {
    CloseHandle(file);
    throw Failure{"the input is too large"};
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  const BOOL ok = bytes.empty() || ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  if (!ok || got != bytes.size()) throw Failure{"cannot read the input"};
  return bytes;
}


}  // namespace refconv
