#include "batchlist/Win32FileSystem.h"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

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

namespace marlisk::win {

namespace {

uint64_t fileTimeValue(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

int lastError() { return static_cast<int>(Win32Error::last().code()); }

// A path with its trailing "\" taken off (but not a drive's root).
std::wstring withoutTrailingSlash(const std::string& path) {
  std::wstring wide = widen(path);
  if (wide.size() > 3 && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
  return wide;
}

class Win32OpenFile final : public OpenFile {
 public:
  explicit Win32OpenFile(HANDLE handle) : handle_(handle) {}
  // Not GetFileInformationByHandle: it asks the volume for its serial number too, which
  // made a listing of 20,000 files four times slower under Wine.
  bool facts(uint64_t& size, uint64_t& lastWrite) const override {
    LARGE_INTEGER bytes;
    FILETIME written;
    if (!GetFileSizeEx(handle_.get(), &bytes) || !GetFileTime(handle_.get(), nullptr, nullptr, &written)) return false;
    size = static_cast<uint64_t>(bytes.QuadPart);
    lastWrite = fileTimeValue(written);
    return true;
  }
  bool read(char* into, size_t size, size_t& got) override {
    DWORD read = 0;
    const bool ok = ReadFile(handle_.get(), into, static_cast<DWORD>(std::min<size_t>(size, 1u << 30)), &read, nullptr);
    got = read;
    return ok;
  }
  int write(std::string_view bytes) override {
    DWORD written = 0;
    if (!WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
      return lastError();
    return written == bytes.size() ? 0 : ERROR_DISK_FULL;
  }

 private:
  UniqueFileHandle handle_;
};

}  // namespace

FileFacts Win32FileSystem::facts(const std::string& path) const {
  FileFacts facts;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(withoutTrailingSlash(path).c_str(), GetFileExInfoStandard, &data)) {
    facts.whyNot = lastError();
    return facts;
  }
  facts.exists = true;
  facts.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.reparsePoint = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  facts.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  facts.lastWrite = fileTimeValue(data.ftLastWriteTime);
  return facts;
}

int Win32FileSystem::list(const std::string& folder, const std::string& pattern,
                          std::vector<FolderEntry>& entries) const {
  std::wstring wide = withoutTrailingSlash(folder);
  if (!wide.empty() && wide.back() != L'\\') wide += L'\\';
  WIN32_FIND_DATAW found;
  UniqueFindHandle search(FindFirstFileExW((wide + widen(pattern)).c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!search) {
    // No match in a folder that is there is an empty listing; a missing folder is not.
    const int error = lastError();
    return error == ERROR_FILE_NOT_FOUND && folderExists(folder) ? 0 : error;
  }
  do {
    if (found.cFileName[0] == L'.' &&
        (found.cFileName[1] == 0 || (found.cFileName[1] == L'.' && found.cFileName[2] == 0)))
      continue;
    FolderEntry entry;
    entry.name = narrow(found.cFileName);
    entry.facts.exists = true;
    entry.facts.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.facts.reparsePoint = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entry.facts.size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    entry.facts.lastWrite = fileTimeValue(found.ftLastWriteTime);
    entries.push_back(std::move(entry));
  } while (FindNextFileW(search.get(), &found));
  return 0;
}

OpenFilePtr Win32FileSystem::open(const std::string& path, const OpenMode& mode, int* error) {
  DWORD access = mode.access == OpenMode::kAttributesOnly ? FILE_READ_ATTRIBUTES : 0;
  if (mode.access & OpenMode::kRead) access |= GENERIC_READ;
  if (mode.access & OpenMode::kWrite) access |= GENERIC_WRITE;
  if (mode.access & OpenMode::kAppend) access |= FILE_APPEND_DATA;
  if (mode.access & OpenMode::kDelete) access |= DELETE | FILE_READ_ATTRIBUTES;
  DWORD share = 0;
  if (mode.share & OpenMode::kShareRead) share |= FILE_SHARE_READ;
  if (mode.share & OpenMode::kShareWrite) share |= FILE_SHARE_WRITE;
  if (mode.share & OpenMode::kShareDelete) share |= FILE_SHARE_DELETE;
  const DWORD create = mode.create == OpenMode::Create::New      ? CREATE_NEW
                       : mode.create == OpenMode::Create::Always ? OPEN_ALWAYS
                                                                 : OPEN_EXISTING;
  DWORD flags = mode.hiddenTemporary ? FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL;
  if (mode.deleteOnClose) flags |= FILE_FLAG_DELETE_ON_CLOSE;
  HANDLE handle = CreateFileW(widen(path).c_str(), access, share, nullptr, create, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (error) *error = lastError();
    return nullptr;
  }
  if (error) *error = 0;
  return std::make_unique<Win32OpenFile>(handle);
}

int Win32FileSystem::moveFile(const std::string& from, const std::string& to) {
  return MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : lastError();
}

int Win32FileSystem::copyFile(const std::string& from, const std::string& to) {
  return CopyFileW(widen(from).c_str(), widen(to).c_str(), TRUE) ? 0 : lastError();
}

int Win32FileSystem::deleteFile(const std::string& path, bool evenReadOnly) {
  const std::wstring wide = widen(path);
  if (DeleteFileW(wide.c_str())) return 0;
  const int error = lastError();
  if (evenReadOnly && error == ERROR_ACCESS_DENIED && SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL) &&
      DeleteFileW(wide.c_str()))
    return 0;
  return error;
}

int Win32FileSystem::recycle(const std::string& path) {
  std::wstring from = widen(path);
  from.push_back(L'\0');  // the list of names ends with an empty one
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  const int result = SHFileOperationW(&operation);
  if (result != 0) return result;
  if (operation.fAnyOperationsAborted) return ERROR_CANCELLED;
  return fileExists(path) ? ERROR_ACCESS_DENIED : 0;
}

int Win32FileSystem::makeFolders(const std::string& path) {
  const int made = SHCreateDirectoryExW(nullptr, withoutTrailingSlash(path).c_str(), nullptr);
  if (folderExists(path)) return 0;
  return made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS ? made : ERROR_DIRECTORY;
}

void Win32FileSystem::hide(const std::string& path) {
  const std::wstring wide = withoutTrailingSlash(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(wide.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
}

uint64_t Win32FileSystem::now() const {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return fileTimeValue(now);
}

void Win32FileSystem::waitBriefly(unsigned milliseconds) const { Sleep(milliseconds); }

}  // namespace marlisk::win
