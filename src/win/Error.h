// The one way the Win32 layer and the tools say why something failed: a system error code,
// 0 for none. Calls that report otherwise (an HRESULT from COM) are turned into it where they
// are made, so everything above speaks of one kind of code and shows it one way.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace marlisk::win {

class Win32Error {
 public:
  constexpr Win32Error() = default;  // no error
  constexpr explicit Win32Error(DWORD code) : code_(code) {}

  // What the calling thread's last failed call left. A failure that left no code still is
  // one: it must not read as success.
  static Win32Error last() {
    const DWORD code = GetLastError();
    return Win32Error(code != 0 ? code : static_cast<DWORD>(ERROR_GEN_FAILURE));
  }
  // A COM result: a wrapped Win32 code is unwrapped, any other failure is kept whole (the
  // system's message table knows most of them), success is no error.
  static Win32Error of(HRESULT result) {
    if (SUCCEEDED(result)) return {};
    if (HRESULT_FACILITY(result) == FACILITY_WIN32) return Win32Error(HRESULT_CODE(result));
    return Win32Error(static_cast<DWORD>(result));
  }

  bool failed() const { return code_ != 0; }
  DWORD code() const { return code_; }
  // "error 5", or "error 0x88982F50" for a code that is a COM result.
  std::string text() const {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, code_ >= 0x80000000u ? "error 0x%08lX" : "error %lu",
                  static_cast<unsigned long>(code_));
    return buffer;
  }
  friend bool operator==(Win32Error, Win32Error) = default;

 private:
  DWORD code_ = 0;
};

}  // namespace marlisk::win
