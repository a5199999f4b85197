#include "app/InputMoves.h"

#include <unordered_map>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string_view>
#include <vector>

#include "app/core/InputHandling.h"
#include "core/Path.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace marlisk::win {

namespace {

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Whether two files hold the same bytes.
Win32Error sameContent(const std::wstring& a, const std::wstring& b) {
  UniqueFileHandle one(CreateFileW(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!one) return Win32Error::last();
  UniqueFileHandle other(CreateFileW(b.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!other) return Win32Error::last();
  std::vector<char> x(256 * 1024), y(256 * 1024);
  for (;;) {
    DWORD gotX = 0, gotY = 0;
    if (!ReadFile(one.get(), x.data(), static_cast<DWORD>(x.size()), &gotX, nullptr) ||
        !ReadFile(other.get(), y.data(), static_cast<DWORD>(y.size()), &gotY, nullptr))
      return Win32Error::last();
    if (gotX != gotY || std::memcmp(x.data(), y.data(), gotX) != 0) return Win32Error(ERROR_FILE_CORRUPT);
    if (gotX == 0) return {};
  }
}

// Another volume: a copy, checked, and only then the input goes. A copy that is not the same
// is removed again, and so is one whose input cannot be deleted (or it would be converted and
// moved a second time).
Win32Error copyThenDelete(const std::wstring& from, const std::wstring& to) {
  if (!CopyFileW(from.c_str(), to.c_str(), TRUE)) {
    // The name was free a moment ago: what a failed copy left there (a full disk) is ours.
    const Win32Error error = Win32Error::last();
    if (error.code() != ERROR_FILE_EXISTS) DeleteFileW(to.c_str());
    return error;
  }
  Win32Error error = sameContent(from, to);
  if (!error.failed() && !DeleteFileW(from.c_str())) error = Win32Error::last();
  if (error.failed()) {
    SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(to.c_str());
  }
  return error;
}

}  // namespace

uint64_t fileTimeValue(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

uint64_t fileTimeNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return fileTimeValue(now);
}

OutputFacts factsOf(const std::string& path) {
  OutputFacts facts;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return facts;
  facts.exists = true;
  facts.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  facts.lastWrite = fileTimeValue(data.ftLastWriteTime);
  return facts;
}

namespace {

// Names as the file system compares them: without regard to letter case.
std::wstring folded(std::wstring name) {
  if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
}

}  // namespace

OutputFacts FolderListing::facts(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return factsOf(path);
  const std::string_view folder = std::string_view(path).substr(0, slash);
  if (!lastFiles_ || folder != lastFolder_) {
    lastFolder_ = folder;
    lastFiles_ = &list(lastFolder_);
  }
  const Files& there = *lastFiles_;
  // Names are folded only where the listing found files: an output folder is often empty
  // before a run, and folding 100,000 names cost a tenth of it.
  if (there.empty()) return {};
  const auto named = there.find(folded(widen(std::string_view(path).substr(slash + 1))));
  return named == there.end() ? OutputFacts{} : named->second;
}

const FolderListing::Files& FolderListing::list(const std::string& folder) {
  auto [listed, isNew] = folders_.try_emplace(folder);
  Files& there = listed->second;
  if (isNew) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW((widen(folder) + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find != INVALID_HANDLE_VALUE) {  // else no folder, or none readable: nothing there yet
      do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        OutputFacts& f = there[folded(found.cFileName)];
        f.exists = true;
        f.size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        f.lastWrite = fileTimeValue(found.ftLastWriteTime);
      } while (FindNextFileW(find, &found));
      FindClose(find);
    }
  }
  return there;
}

OutputOrigins loadOutputOrigins(const FileSystem& fs, const std::string& workFolder) {
  const ReadResult kept = fs.readFile(workFolder + "\\" + kOutputOriginsFileName, 256u << 20);
  return OutputOrigins::parse(kept.error == 0 ? kept.bytes : std::string());
}

Win32Error saveOutputOrigins(FileSystem& fs, const std::string& workFolder, OutputOrigins& origins) {
  FolderListing listing;
  origins.keepOnly([&](const std::string& output) { return listing.facts(output).exists; });
  const std::string path = workFolder + "\\" + kOutputOriginsFileName;
  if (origins.empty() && !fs.fileExists(path)) return {};
  return Win32Error(static_cast<DWORD>(fs.replaceFile(path, origins.text())));
}

OutputChoice outputFor(const OutputOrigins& origins, const std::string& wanted, const std::string& input,
                       FolderListing& listing, std::unordered_set<std::string>& given) {
  OutputChoice choice;
  std::string key = OutputOrigins::fold(wanted);
  // The common case, a run with no record yet (100,000 lines of a batch): the input's own
  // name, unless this run gave it out already.
  if (origins.empty() && !given.contains(key)) {
    choice.before = listing.facts(wanted);
    choice.path = wanted;
    given.insert(std::move(key));
    return choice;
  }
  choice.path = origins.choose(
      wanted, input, [&](const std::string& path) { return listing.facts(path).exists; }, given);
  if (choice.path.empty()) return choice;
  given.insert(OutputOrigins::fold(choice.path));
  choice.before = listing.facts(choice.path);
  return choice;
}

std::string renamedOutputDetail(const std::string& wanted) {
  return std::string(fileNamePart(wanted)) + " は別の入力ファイルの出力のため別名で出力";
}

Win32Error folderWritable(const std::string& folder) {
  std::string base = folder;
  if (base.ends_with('\\')) base.pop_back();
  const DWORD attributes = GetFileAttributesW(widen(base).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Win32Error::last();
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return Win32Error(ERROR_DIRECTORY);
  const std::string probe = base + "\\~MarliskAuto-" + std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(GetTickCount64()) + ".tmp";
  UniqueFileHandle file(CreateFileW(widen(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                    nullptr));
  return file ? Win32Error() : Win32Error::last();
}

MoveResult moveIntoFolder(const std::string& path, const std::string& folder) {
  MoveResult result;
  const std::wstring wideFolder = widen(folder);
  const int made = SHCreateDirectoryExW(nullptr, wideFolder.c_str(), nullptr);
  const DWORD attributes = GetFileAttributesW(wideFolder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    result.error =
        Win32Error(made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS ? static_cast<DWORD>(made)
                                                                         : static_cast<DWORD>(ERROR_DIRECTORY));
    return result;
  }
  const std::string name(fileNamePart(path));
  // Another program may take the free name first: then the next one is tried.
  for (int tries = 0; tries < 10; ++tries) {
    const std::string free =
        freeName(name, [&](const std::string& candidate) { return exists(widen(folder + "\\" + candidate)); });
    if (free.empty()) {
      result.error = Win32Error(ERROR_FILE_EXISTS);
      return result;
    }
    const std::wstring to = widen(folder + "\\" + free);
    if (MoveFileExW(widen(path).c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
      result.movedTo = folder + "\\" + free;
      return result;
    }
    result.error = Win32Error::last();
    if (result.error.code() == ERROR_NOT_SAME_DEVICE) {
      result.error = copyThenDelete(widen(path), to);
      if (!result.error.failed()) result.movedTo = folder + "\\" + free;
      return result;
    }
    if (result.error.code() != ERROR_ALREADY_EXISTS && result.error.code() != ERROR_FILE_EXISTS) return result;
  }
  return result;
}

Win32Error moveToRecycleBin(const std::string& path) {
  std::wstring from = widen(path);
  from.push_back(L'\0');  // the list of names ends with an empty one
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  const int result = SHFileOperationW(&operation);
  if (result != 0) return Win32Error(static_cast<DWORD>(result));
  if (operation.fAnyOperationsAborted) return Win32Error(ERROR_CANCELLED);
  return exists(widen(path)) ? Win32Error(ERROR_ACCESS_DENIED) : Win32Error();
}

}  // namespace marlisk::win
