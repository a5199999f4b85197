#include "batchlist/FileHelpers.h"

#include <shlguid.h>
#include <shobjidl.h>

#include <system_error>
#include <vector>

#include "core/Path.h"
#include "win/AtomicFileWriter.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace marlisk::win {

namespace {

// The optional "shfolder" library, asked only when the shell itself has no answer. Loaded
// at first need and released at exit. A missing library must not raise the system's
// "cannot find" box, hence the error mode around the load.
using GetFolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
GetFolderPathFn shFolderGetFolderPath() {
  static UniqueModule library;
  static GetFolderPathFn function = [] {
    const UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    library.reset(LoadLibraryW(L"shfolder.dll"));
    SetErrorMode(previous);
    return library ? reinterpret_cast<GetFolderPathFn>(
                         reinterpret_cast<void*>(GetProcAddress(library.get(), "SHGetFolderPathW")))
                   : nullptr;
  }();
  return function;
}

}  // namespace

std::string resolveShortcut(const std::string& path) {
  if (!equalsIgnoringAsciiCase(extensionPart(path), ".lnk")) return path;

  ComPtr<IShellLinkW> link;
  const HRESULT created =
      CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid());
  if (FAILED(created)) throw std::system_error(created, std::system_category(), "CoCreateInstance(ShellLink)");
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.putVoid()))) return path;
  if (FAILED(file->Load(widen(path).c_str(), STGM_READ))) return path;

  link->Resolve(nullptr, SLR_ANY_MATCH);  // a target that moved may still be found; not required
  wchar_t target[MAX_PATH] = {};
  link->GetPath(target, MAX_PATH, nullptr, SLGP_UNCPRIORITY);
  return narrow(target);
}

Win32Error createShortcut(const std::string& path, const std::string& target, const std::string& arguments,
                          const std::string& workingFolder) {
  ComPtr<IShellLinkW> link;
  if (const Win32Error error = Win32Error::of(
          CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid()));
      error.failed())
    return error;
  link->SetPath(widen(target).c_str());
  link->SetArguments(widen(arguments).c_str());
  link->SetWorkingDirectory(widen(workingFolder).c_str());
  ComPtr<IPersistFile> file;
  if (const Win32Error error = Win32Error::of(link->QueryInterface(IID_IPersistFile, file.putVoid())); error.failed())
    return error;
  return Win32Error::of(file->Save(widen(path).c_str(), TRUE));
}

std::string startupShortcutPath() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
  return narrow(folder) + "\\MarliskAuto.lnk";
}

bool startsAtLogon(const std::string& exe) {
  const std::string shortcut = startupShortcutPath();
  if (shortcut.empty() || GetFileAttributesW(widen(shortcut).c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  return equalsIgnoringAsciiCase(resolveShortcut(shortcut), exe);
}

Win32Error setStartAtLogon(bool on, const std::string& exe) {
  const std::string shortcut = startupShortcutPath();
  if (shortcut.empty()) return Win32Error(ERROR_PATH_NOT_FOUND);
  if (!on) {
    if (DeleteFileW(widen(shortcut).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) return {};
    return Win32Error::last();
  }
  SHCreateDirectoryExW(nullptr, widen(std::string(folderPart(shortcut))).c_str(), nullptr);
  return createShortcut(shortcut, exe, "/b", std::string(folderPart(exe)));
}

std::string specialFolderPath(int index, HWND owner) {
  static constexpr int kFolders[] = {
      CSIDL_STARTMENU,      CSIDL_PROGRAMS,      CSIDL_DRIVES,           CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL,
      CSIDL_APPDATA,        CSIDL_FAVORITES,     CSIDL_TEMPLATES,        CSIDL_DESKTOP,          CSIDL_PROGRAM_FILES,
      CSIDL_COMMON_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_DOCUMENTS,
  };
  if (index < 0 || index >= static_cast<int>(std::size(kFolders))) return {};
  const int folder = kFolders[index];

  std::string path;
  UniqueAbsoluteId list;
  if (SUCCEEDED(SHGetSpecialFolderLocation(owner, folder, list.put()))) {
    wchar_t buffer[MAX_PATH] = {};
    if (SHGetPathFromIDListW(list.get(), buffer)) path = narrow(buffer);
  } else if (folder == CSIDL_APPDATA || folder == CSIDL_PERSONAL) {
    wchar_t buffer[MAX_PATH] = {};
    if (GetFolderPathFn getFolderPath = shFolderGetFolderPath();
        getFolderPath && SUCCEEDED(getFolderPath(owner, folder, nullptr, 0, buffer)))
      path = narrow(buffer);
  }
  // Some shells answer a folder with its separator; callers append "\" themselves.
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

Win32Error copyFile(const std::string& sourceFolder, const std::string& destinationFolder, const std::string& name) {
  UniqueFileHandle source(CreateFileW(widen(sourceFolder + "\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!source) return Win32Error::last();
  AtomicFileWriter destination(destinationFolder + "\\" + name);
  std::vector<char> buffer(64 * 1024);
  while (!destination.error().failed()) {
    DWORD read = 0;
    if (!ReadFile(source.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
      return Win32Error::last();
    if (read == 0) break;
    destination.write(buffer.data(), read);
  }
  return destination.commit();
}

Win32Error copyFolderTree(const std::string& source, const std::string& destination, bool keepExisting) {
  WIN32_FIND_DATAW found;
  UniqueFindHandle search(
      FindFirstFileExW(widen(source + "\\*.*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
  if (!search) {
    // An empty folder can answer "no files"; a folder that is not there must not pass for
    // an empty one, or a missing source would be "copied" without a word.
    const Win32Error error = Win32Error::last();
    return error.code() == ERROR_FILE_NOT_FOUND || error.code() == ERROR_NO_MORE_FILES ? Win32Error() : error;
  }
  do {
    const std::string name = narrow(found.cFileName);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (name == "." || name == "..") continue;
      const std::string target = destination + "\\" + name;
      const DWORD attributes = GetFileAttributesW(widen(target).c_str());
      const bool isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
      if (!isFolder && !CreateDirectoryW(widen(target).c_str(), nullptr)) return Win32Error::last();
      if (const Win32Error result = copyFolderTree(source + "\\" + name, target, keepExisting); result.failed())
        return result;
    } else if (keepExisting && GetFileAttributesW(widen(destination + "\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES) {
      continue;
    } else if (const Win32Error result = copyFile(source, destination, name); result.failed()) {
      return result;
    }
  } while (FindNextFileW(search.get(), &found));
  const Win32Error error = Win32Error::last();
  return error.code() == ERROR_NO_MORE_FILES ? Win32Error() : error;
}

}  // namespace marlisk::win
