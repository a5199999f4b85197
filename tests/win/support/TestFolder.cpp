#include "support/TestFolder.h"

#include <windows.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <vector>

#include "win/Handles.h"
#include "win/Strings.h"

namespace marlisk::test {

using win::narrow;
using win::widen;

TestFolder::TestFolder() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::string base = narrow(temp);
  if (!base.empty() && base.back() == '\\') base.pop_back();
  path_ = base + "\\marlisk-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
  removeTree(path_);
  makeFolder(path_);
}

TestFolder::~TestFolder() { removeTree(path_); }

void writeFile(const std::string& path, const std::string& bytes) {
  HANDLE file =
      CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + path);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string readFile(const std::string& path) {
  HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

void makeFolder(const std::string& path) {
  if (!CreateDirectoryW(widen(path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    throw std::runtime_error("cannot create " + path);
}

bool isFile(const std::string& path) {
  const DWORD a = GetFileAttributesW(widen(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool isFolder(const std::string& path) {
  const DWORD a = GetFileAttributesW(widen(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string listFolder(const std::string& path) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(widen(path + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return "<missing>";
  do {
    const std::string name = narrow(found.cFileName);
    if (name == "." || name == "..") continue;
    names.push_back(name + ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "\\" : ""));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const auto& name : names) joined += (joined.empty() ? "" : " ") + name;
  return joined;
}

std::string exeFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::string full = narrow(std::wstring(path, n));
  return full.substr(0, full.find_last_of('\\'));
}

void removeTree(const std::string& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(widen(path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = narrow(found.cFileName);
      if (name == "." || name == "..") continue;
      const std::string child = path + "\\" + name;
      SetFileAttributesW(widen(child).c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        removeTree(child);
      else
        DeleteFileW(widen(child).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(widen(path).c_str());
}

void makeShortcut(const std::string& linkPath, const std::string& target) {
  win::ComPtr<IShellLinkW> link;
  win::ComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid())) ||
      FAILED(link->SetPath(widen(target).c_str())) || FAILED(link->QueryInterface(IID_IPersistFile, file.putVoid())) ||
      FAILED(file->Save(widen(linkPath).c_str(), TRUE)))
    throw std::runtime_error("cannot make the shortcut " + linkPath);
}

}  // namespace marlisk::test
