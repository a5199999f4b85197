#include "shellview/ShellItems.h"

#include <shlwapi.h>

#include <cstring>

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

bool DisplayName(IShellFolder* folder, LPCITEMIDLIST id, DWORD flags, std::string& name) {
  STRRET value = {};
  if (FAILED(folder->GetDisplayNameOf(id, flags, &value))) return false;
  wchar_t buffer[MAX_PATH] = {};
  // Takes every kind of STRRET (wide, offset into the item, ANSI) and frees what it owns.
  if (FAILED(StrRetToBufW(&value, id, buffer, MAX_PATH))) return false;
  name = narrow(buffer);
  return true;
}

int SysIconIndex(LPCITEMIDLIST absoluteId, UINT flags) {
  SHFILEINFOW info = {};
  SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absoluteId), 0, &info, sizeof(info), flags | SHGFI_PIDL);
  return info.iIcon;
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

}  // namespace marlisk::win
