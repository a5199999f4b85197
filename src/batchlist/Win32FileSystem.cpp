#include "batchlist/Win32FileSystem.h"

#include <windows.h>

#include <algorithm>

#include "batchlist/FileHelpers.h"
#include "win/AtomicFileWriter.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace marlisk::win {

bool Win32FileSystem::fileExists(const std::string& path) const {
  const DWORD attributes = GetFileAttributesW(widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::folderExists(const std::string& path) const {
  const DWORD attributes = GetFileAttributesW(widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

ReadResult Win32FileSystem::readFile(const std::string& path, size_t maxBytes) const {
  ReadResult result;
  // Others may keep the file open for writing (an editor, a second instance): read it anyway.
  UniqueFileHandle file(CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    result.error = static_cast<int>(Win32Error::last().code());
    return result;
  }
  constexpr size_t kChunk = 64 * 1024;
  while (result.bytes.size() < maxBytes) {
    const size_t have = result.bytes.size();
    const size_t want = std::min(kChunk, maxBytes - have);
    result.bytes.resize(have + want);
    DWORD read = 0;
    if (!ReadFile(file.get(), result.bytes.data() + have, static_cast<DWORD>(want), &read, nullptr)) {
      result.error = static_cast<int>(Win32Error::last().code());
      result.bytes.resize(have);
      return result;
    }
    result.bytes.resize(have + read);
    if (read == 0) break;
  }
  return result;
}

int Win32FileSystem::renameFile(const std::string& from, const std::string& to) {
  return MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? 0
             : static_cast<int>(Win32Error::last().code());
}

int Win32FileSystem::replaceFile(const std::string& path, std::string_view bytes) {
  return static_cast<int>(writeFileAtomically(path, bytes).code());
}

bool Win32FileSystem::createFolder(const std::string& path) {
  return CreateDirectoryW(widen(path).c_str(), nullptr) != 0;
}

int Win32FileSystem::copyFolderTree(const std::string& from, const std::string& to, bool keepExisting) {
  return static_cast<int>(win::copyFolderTree(from, to, keepExisting).code());
}

std::string currentFolder() {
  wchar_t folder[MAX_PATH] = {};
  return GetCurrentDirectoryW(MAX_PATH, folder) ? narrow(folder) : std::string();
}

}  // namespace marlisk::win
