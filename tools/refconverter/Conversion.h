// What every part of a conversion shares: its failure, the input read whole, the output
// written beside its name and put in place whole, and the converter's bounds.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "win/AtomicFileWriter.h"
#include "win/Error.h"
#include "win/Strings.h"

namespace refconv {

inline constexpr size_t kMaxInputBytes = 512u * 1024 * 1024;
inline constexpr double kDrawingDpi = 100;
inline constexpr double kMaxSidePx = 8000;
inline constexpr double kMaxTiffPixels = 256e6;

// Why a line failed, as its log line says it.
struct Failure {
  std::string reason;
};

// A failed HRESULT as a Failure naming `what` was being done.
void check(HRESULT hr, const char* what);
[[noreturn]] void fail(const char* what, marlisk::win::Win32Error error);

// The whole file, at most `limit` bytes (a larger one is a Failure).
std::string readAll(const std::wstring& path, size_t limit);

// The output goes to a temporary file beside it first; only a complete file takes its name.
// Nothing is created until there is something to write.
class OutputFile {
 public:
  explicit OutputFile(const std::wstring& path) : path_(marlisk::win::narrow(path)) {}
  void write(const std::string& bytes) {
    if (!writer_) {
      writer_.emplace(path_);
      if (writer_->error().failed()) fail("cannot create the output", writer_->error());
    }
    if (const marlisk::win::Win32Error error = writer_->write(bytes); error.failed()) fail("cannot write the output", error);
  }
  void commit() {
    if (!writer_) throw Failure{"nothing was written"};
    if (const marlisk::win::Win32Error error = writer_->commit(); error.failed()) fail("cannot put the output in place", error);
  }

 private:
  std::string path_;
  std::optional<marlisk::win::AtomicFileWriter> writer_;
};

}  // namespace refconv
