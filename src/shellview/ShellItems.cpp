#include "shellview/ShellItems.h"

#include <shlwapi.h>

#include <cstring>

#include "core/Path.h"
#include "win/Strings.h"

namespace marlisk::win {

namespace {

class ShellAllocator final : public shell::IdAllocator {
 public:
  void* allocate(size_t bytes) override {
    void* block = CoTaskMemAlloc(bytes);
    if (block) std::memset(block, 0, bytes);
    return block;
  }
  void release(void* block) override { CoTaskMemFree(block); }
};

}  // namespace

shell::IdAllocator& shellAllocator() {
  static ShellAllocator allocator;
  return allocator;
}

LPITEMIDLIST CopyFirstID(LPCITEMIDLIST list) { return idListOf(shell::CopyFirstID(bytesOf(list), shellAllocator())); }
LPITEMIDLIST ConcatIDs(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  return idListOf(shell::ConcatIDs(bytesOf(a), bytesOf(b), shellAllocator()));
}
LPITEMIDLIST ParentIDs(LPCITEMIDLIST list) { return idListOf(shell::ParentIDs(bytesOf(list), shellAllocator())); }
LPITEMIDLIST LastID(LPCITEMIDLIST list) { return idListOf(shell::LastID(bytesOf(list), shellAllocator())); }

IShellFolder* DesktopFolder() {
  // Held until the process ends: the shell may be gone by the time static destructors run.
  static IShellFolder* desktop = [] {
    IShellFolder* folder = nullptr;
    SHGetDesktopFolder(&folder);
    return folder;
  }();
  return desktop;
}

int CompareIDs(IShellFolder* folder, LPCITEMIDLIST a, LPCITEMIDLIST b) {
  const HRESULT result = folder->CompareIDs(0, a, b);
  return FAILED(result) ? -1 : static_cast<short>(HRESULT_CODE(result));
}

bool DisplayNameW(IShellFolder* folder, LPCITEMIDLIST id, DWORD flags, std::wstring& name) {
  STRRET value = {};
  if (!folder || FAILED(folder->GetDisplayNameOf(id, flags, &value))) return false;
  wchar_t buffer[MAX_PATH] = {};
  // Takes every kind of STRRET (wide, offset into the item, ANSI) and frees what it owns.
  if (FAILED(StrRetToBufW(&value, id, buffer, MAX_PATH))) return false;
  name = buffer;
  return true;
}

bool DisplayName(IShellFolder* folder, LPCITEMIDLIST id, DWORD flags, std::string& name) {
  std::wstring wide;
  if (!DisplayNameW(folder, id, flags, wide)) return false;
  name = narrow(wide);
  return true;
}

int SysIconIndex(LPCITEMIDLIST absoluteId, UINT flags) {
  SHFILEINFOW info = {};
  SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absoluteId), 0, &info, sizeof(info), flags | SHGFI_PIDL);
  return info.iIcon;
}

std::string KindCache::kindOf(const std::string& parsingName, SFGAOF attributes) {
  if (!(attributes & SFGAO_FILESYSTEM) || (attributes & SFGAO_LINK)) return {};
  if (parsingName.size() <= 3) return {};  // "C:\": drives have icons of their own
  if (attributes & SFGAO_FOLDER) return "<folder>";
  std::string extension = asciiLower(extensionPart(parsingName));
  static const char* const kOwnIcons[] = {".exe", ".ico", ".lnk", ".cur", ".ani", ".url", ".scr", ".msc", ".cpl"};
  for (const char* own : kOwnIcons)
    if (extension == own) return {};
  return extension.empty() ? "<none>" : extension;
}

namespace {
SHFILEINFOW kindInfo(const std::string& kind, UINT flags) {
  SHFILEINFOW info = {};
  const bool folder = kind == "<folder>";
  const std::wstring name = folder ? L"folder" : L"file" + widen(kind == "<none>" ? "" : kind);
  SHGetFileInfoW(name.c_str(), folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                 flags | SHGFI_USEFILEATTRIBUTES);
  return info;
}
}  // namespace

int KindCache::iconIndex(LPCITEMIDLIST absoluteId, const std::string& parsingName, SFGAOF attributes, UINT flags) {
  const std::string kind = kindOf(parsingName, attributes);
  if (kind.empty()) return SysIconIndex(absoluteId, flags);
  return cachedIcon(kind, flags);
}

int KindCache::cachedIcon(const std::string& kind, UINT flags) {
  const auto key = std::make_pair(kind, flags);
  auto found = icons_.find(key);
  if (found == icons_.end()) found = icons_.emplace(key, kindInfo(kind, flags | SHGFI_SYSICONINDEX).iIcon).first;
  return found->second;
}

int KindCache::folderIconIndex(const std::function<LPCITEMIDLIST()>& absoluteId, SFGAOF attributes, UINT flags) {
  const bool plain = (attributes & (SFGAO_FILESYSTEM | SFGAO_FOLDER)) == (SFGAO_FILESYSTEM | SFGAO_FOLDER) &&
                     !(attributes & SFGAO_LINK);
  if (!plain) return SysIconIndex(absoluteId(), flags);
  if (flags == (SHGFI_SYSICONINDEX | SHGFI_SMALLICON) || flags == (SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON)) {
    int& known = folderIcons_[(flags & SHGFI_OPENICON) ? 1 : 0];
    if (known < 0) known = cachedIcon("<folder>", flags);
    return known;
  }
  return cachedIcon("<folder>", flags);
}

std::string KindCache::typeName(LPCITEMIDLIST absoluteId, const std::string& parsingName, SFGAOF attributes) {
  const std::string kind = kindOf(parsingName, attributes);
  auto clipped = [](const SHFILEINFOW& info) { return narrow(std::wstring(info.szTypeName, wcsnlen(info.szTypeName, 80))); };
  if (kind.empty()) {
    SHFILEINFOW info = {};
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absoluteId), 0, &info, sizeof(info), SHGFI_TYPENAME | SHGFI_PIDL);
    return clipped(info);
  }
  auto found = types_.find(kind);
  if (found == types_.end()) found = types_.emplace(kind, clipped(kindInfo(kind, SHGFI_TYPENAME))).first;
  return found->second;
}

bool folderStillThere(LPCITEMIDLIST absoluteId) {
  wchar_t path[MAX_PATH];
  if (!absoluteId || !SHGetPathFromIDListW(absoluteId, path)) return true;
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

ComPtr<IShellFolder> bindFolder(LPCITEMIDLIST absoluteId) {
  ComPtr<IShellFolder> folder;
  if (!absoluteId || IDListSize(absoluteId) <= 2) {
    DesktopFolder()->AddRef();
    *folder.put() = DesktopFolder();
    return folder;
  }
  DesktopFolder()->BindToObject(absoluteId, nullptr, IID_IShellFolder, folder.putVoid());
  return folder;
}

InPlaceRename renameInPlace(IShellFolder* folder, HWND owner, LPCITEMIDLIST item, const wchar_t* typed) {
  InPlaceRename result;
  std::wstring name(typed);
  if (name.size() > MAX_PATH) name.resize(MAX_PATH);
  if (!folder || FAILED(folder->SetNameOf(owner, item, name.c_str(), SHGDN_INFOLDER | SHGDN_FOREDITING,
                                          &result.renamed)))
    result.renamed = nullptr;
  DisplayName(folder, result.renamed ? result.renamed : item, SHGDN_NORMAL, result.shown);
  return result;
}

}  // namespace marlisk::win
