// Writes a file so that a failure at any point leaves the old file as it was: the bytes go to
// a new file beside the target, which replaces the target only once it is complete and on disk.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "win/Error.h"
#include "win/Handles.h"

namespace marlisk::win {

class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(const std::string& targetPath);
  ~AtomicFileWriter();  // an uncommitted write leaves nothing behind
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // The error that stopped the writer, if any; once set it stays and nothing more is done.
  Win32Error error() const { return error_; }
  Win32Error write(const void* data, size_t size);
  Win32Error write(std::string_view bytes) { return write(bytes.data(), bytes.size()); }
  // Flushes and puts the new file in the target's place.
  Win32Error commit();

 private:
  std::wstring target_;
  std::wstring temp_;
  UniqueFileHandle file_;
  Win32Error error_;
};

// The whole content at once, through an AtomicFileWriter.
Win32Error writeFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace marlisk::win
