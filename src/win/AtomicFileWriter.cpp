#include "win/AtomicFileWriter.h"

#include "core/Path.h"
#include "win/Strings.h"

namespace marlisk::win {

AtomicFileWriter::AtomicFileWriter(const std::string& targetPath) : target_(widen(targetPath)) {
  std::wstring folder = widen(folderPart(targetPath));
  if (folder.empty()) folder = L".";
  wchar_t temp[MAX_PATH];
  // GetTempFileName creates the file, so the name is ours alone even with another writer near.
  if (GetTempFileNameW(folder.c_str(), L"mla", 0, temp) == 0) {
    error_ = Win32Error::last();
    return;
  }
  temp_ = temp;
  file_.reset(CreateFileW(temp_.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) error_ = Win32Error::last();
}

AtomicFileWriter::~AtomicFileWriter() {
  file_.reset();
  if (!temp_.empty()) DeleteFileW(temp_.c_str());
}

Win32Error AtomicFileWriter::write(const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (!error_.failed() && size > 0) {
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file_.get(), bytes, chunk, &written, nullptr))
      error_ = Win32Error::last();
    else if (written == 0)
      error_ = Win32Error(ERROR_WRITE_FAULT);
    bytes += written;
    size -= written;
  }
  return error_;
}

Win32Error AtomicFileWriter::commit() {
  if (error_.failed()) return error_;
  if (!FlushFileBuffers(file_.get())) return error_ = Win32Error::last();
  file_.reset();
  // Windows refuses to replace a read-only file, Wine does not; the user's "read-only" must
  // hold either way.
  const DWORD attributes = GetFileAttributesW(target_.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    return error_ = Win32Error(ERROR_ACCESS_DENIED);
  if (!MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return error_ = Win32Error::last();
  temp_.clear();
  return {};
}

Win32Error writeFileAtomically(const std::string& path, std::string_view bytes) {
  AtomicFileWriter writer(path);
  writer.write(bytes.data(), bytes.size());
  return writer.commit();
}

}  // namespace marlisk::win
