#include "shellview/ShellItems.h"

#include <shlwapi.h>

#include "core/Path.h"
#include "win/Strings.h"

namespace marlisk::win {

PITEMID_CHILD CopyFirstID(PCUIDLIST_RELATIVE list) { return list ? ILCloneFirst(list) : nullptr; }

PIDLIST_ABSOLUTE ConcatIDs(PCIDLIST_ABSOLUTE a, PCUIDLIST_RELATIVE b) {
  if (a || b) return ILCombine(a, b);
  auto* empty = static_cast<PIDLIST_ABSOLUTE>(CoTaskMemAlloc(sizeof(USHORT)));
  if (empty) empty->mkid.cb = 0;
  return empty;
}

PIDLIST_ABSOLUTE ParentIDs(PCIDLIST_ABSOLUTE list) {
  if (!list) return nullptr;
  PIDLIST_ABSOLUTE parent = ILCloneFull(list);
  if (parent) ILRemoveLastID(parent);
  return parent;
}

PCUIDLIST_RELATIVE NextID(PCUIDLIST_RELATIVE list) {
  if (ILIsEmpty(list)) return nullptr;
  PCUIDLIST_RELATIVE next = ILNext(list);
  return ILIsEmpty(next) ? nullptr : next;
}

ShellItem::ShellItem(IShellFolder* parent, UniqueAbsoluteId absolute) : absolute_(std::move(absolute)) {
  parent->AddRef();
  *parent_.put() = parent;
}

ShellItem::ShellItem(IShellFolder* parent, UniqueChildId child) : child_(std::move(child)) {
  parent->AddRef();
  *parent_.put() = parent;
}

void ShellItem::rename(PCUITEMID_CHILD renamed) {
  if (child_) {
    if (UniqueChildId copy(CopyFirstID(renamed)); copy) child_ = std::move(copy);
    return;
  }
  UniqueAbsoluteId above(ParentIDs(absolute_.get()));
  UniqueAbsoluteId now(ConcatIDs(above.get(), renamed));
  if (now) absolute_ = std::move(now);
}

IShellFolder* DesktopFolder() {
  // Held until the process ends: the shell may be gone by the time static destructors run.
  static IShellFolder* desktop = [] {
    IShellFolder* folder = nullptr;
    SHGetDesktopFolder(&folder);
    return folder;
  }();
  return desktop;
}

int CompareIDs(IShellFolder* folder, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b) {
  const HRESULT result = folder->CompareIDs(0, a, b);
  return FAILED(result) ? -1 : static_cast<short>(HRESULT_CODE(result));
}

bool DisplayNameW(IShellFolder* folder, PCUITEMID_CHILD id, DWORD flags, std::wstring& name) {
  STRRET value = {};
  if (!folder || FAILED(folder->GetDisplayNameOf(id, flags, &value))) return false;
  wchar_t buffer[MAX_PATH] = {};
  // Takes every kind of STRRET (wide, offset into the item, ANSI) and frees what it owns.
  if (FAILED(StrRetToBufW(&value, id, buffer, MAX_PATH))) return false;
  name = buffer;
  return true;
}

bool DisplayName(IShellFolder* folder, PCUITEMID_CHILD id, DWORD flags, std::string& name) {
  std::wstring wide;
  if (!DisplayNameW(folder, id, flags, wide)) return false;
  name = narrow(wide);
  return true;
}

bool AbsoluteName(PCIDLIST_ABSOLUTE id, DWORD flags, std::string& name) {
  // The Desktop names any identifier below it, not only its own children.
  return DisplayName(DesktopFolder(), reinterpret_cast<PCUITEMID_CHILD>(id), flags, name);
}

int SysIconIndex(PCIDLIST_ABSOLUTE absoluteId, UINT flags) {
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

int KindCache::iconIndex(PCIDLIST_ABSOLUTE absoluteId, const std::string& parsingName, SFGAOF attributes, UINT flags) {
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

int KindCache::folderIconIndex(PCIDLIST_ABSOLUTE absoluteId, SFGAOF attributes, UINT flags) {
  const bool plain = (attributes & (SFGAO_FILESYSTEM | SFGAO_FOLDER)) == (SFGAO_FILESYSTEM | SFGAO_FOLDER) &&
                     !(attributes & SFGAO_LINK);
  if (!plain) return SysIconIndex(absoluteId, flags);
  if (flags == (SHGFI_SYSICONINDEX | SHGFI_SMALLICON) ||
      flags == (SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON)) {
    int& known = folderIcons_[(flags & SHGFI_OPENICON) ? 1 : 0];
    if (known < 0) known = cachedIcon("<folder>", flags);
    return known;
  }
  return cachedIcon("<folder>", flags);
}

std::string KindCache::typeName(PCIDLIST_ABSOLUTE absoluteId, const std::string& parsingName, SFGAOF attributes) {
  const std::string kind = kindOf(parsingName, attributes);
  auto clipped = [](const SHFILEINFOW& info) {
    return narrow(std::wstring(info.szTypeName, wcsnlen(info.szTypeName, 80)));
  };
  if (kind.empty()) {
    SHFILEINFOW info = {};
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absoluteId), 0, &info, sizeof(info), SHGFI_TYPENAME | SHGFI_PIDL);
    return clipped(info);
  }
  auto found = types_.find(kind);
  if (found == types_.end()) found = types_.emplace(kind, clipped(kindInfo(kind, SHGFI_TYPENAME))).first;
  return found->second;
}

bool folderStillThere(PCIDLIST_ABSOLUTE absoluteId) {
  wchar_t path[MAX_PATH];
  if (!absoluteId || !SHGetPathFromIDListW(absoluteId, path)) return true;
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

UniqueAbsoluteId parsePath(const std::wstring& path, HWND owner) {
  std::wstring text = path;  // ParseDisplayName takes a writable string
  PIDLIST_RELATIVE parsed = nullptr;
  if (FAILED(DesktopFolder()->ParseDisplayName(owner, nullptr, text.data(), nullptr, &parsed, nullptr))) return {};
  // Relative to the Desktop is what absolute means.
  return UniqueAbsoluteId(static_cast<PIDLIST_ABSOLUTE>(parsed));
}

ComPtr<IShellFolder> bindFolder(PCIDLIST_ABSOLUTE absoluteId) {
  ComPtr<IShellFolder> folder;
  if (!absoluteId || IDListSize(absoluteId) <= 2) {
    DesktopFolder()->AddRef();
    *folder.put() = DesktopFolder();
    return folder;
  }
  DesktopFolder()->BindToObject(absoluteId, nullptr, IID_IShellFolder, folder.putVoid());
  return folder;
}

InPlaceRename renameInPlace(IShellFolder* folder, HWND owner, PCUITEMID_CHILD item, const wchar_t* typed) {
  InPlaceRename result;
  std::wstring name(typed);
  if (name.size() > MAX_PATH) name.resize(MAX_PATH);
  if (!folder ||
      FAILED(folder->SetNameOf(owner, item, name.c_str(), SHGDN_INFOLDER | SHGDN_FOREDITING, result.renamed.put())))
    result.renamed.reset();
  DisplayName(folder, result.renamed ? result.renamed.get() : item, SHGDN_NORMAL, result.shown);
  return result;
}

}  // namespace marlisk::win
