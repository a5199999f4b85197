// Writes a file so that a failure at any point leaves the old file as it was: the bytes go to
// a new file beside the target, which replaces the target only once it is complete and on disk.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "win/Handles.h"

namespace marlisk::win {

class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(const std::string& targetPath);
  ~AtomicFileWriter();  // an uncommitted write leaves nothing behind
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // 0, or the error that stopped the writer; once nonzero it stays so and nothing more is done.
  DWORD error() const { return error_; }
  DWORD write(const void* data, size_t size);
  // Flushes and puts the new file in the target's place. Returns 0 or the error.
  DWORD commit();

 private:
  std::wstring target_;
  std::wstring temp_;
  UniqueFileHandle file_;
  DWORD error_ = 0;
};

// The whole content at once, through an AtomicFileWriter. Returns 0 or the error.
DWORD writeFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace marlisk::win
