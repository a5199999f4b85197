// The shell-facing helpers of the browsing components: typed identifier lists on the shell's
// allocator, the Desktop folder, names, icons and comparisons.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <functional>
#include <map>
#include <string>
#include <utility>

#include "shellview/core/ItemIdList.h"
#include "win/Handles.h"

namespace marlisk::win {

// The shell's allocator (the one SHGetMalloc hands out), for the core's list operations.
shell::IdAllocator& shellAllocator();

inline const uint8_t* bytesOf(LPCITEMIDLIST list) { return reinterpret_cast<const uint8_t*>(list); }
inline LPITEMIDLIST idListOf(uint8_t* bytes) { return reinterpret_cast<LPITEMIDLIST>(bytes); }

LPITEMIDLIST CopyFirstID(LPCITEMIDLIST list);
LPITEMIDLIST ConcatIDs(LPCITEMIDLIST a, LPCITEMIDLIST b);
LPITEMIDLIST ParentIDs(LPCITEMIDLIST list);
LPITEMIDLIST LastID(LPCITEMIDLIST list);
inline size_t IDListSize(LPCITEMIDLIST list) { return shell::IDListSize(bytesOf(list)); }

// The Desktop folder, the root of the namespace, for the life of the process.
IShellFolder* DesktopFolder();

// The folder's CompareIDs with parameter 0: the signed low 16 bits of its answer; -1 on failure.
int CompareIDs(IShellFolder* folder, LPCITEMIDLIST a, LPCITEMIDLIST b);
// The name of `id` in `folder` (SHGDN_* flags); false when the shell has none.
bool DisplayName(IShellFolder* folder, LPCITEMIDLIST id, DWORD flags, std::string& name);
// The same in UTF-16, for a control that takes it as it is.
bool DisplayNameW(IShellFolder* folder, LPCITEMIDLIST id, DWORD flags, std::wstring& name);
// The system image list index of an absolute identifier (SHGFI_* flags; SHGFI_PIDL is added).
int SysIconIndex(LPCITEMIDLIST absoluteId, UINT flags);

// A name typed in place over an item of `folder` (cut to MAX_PATH characters), given to the
// shell. `renamed` is the item's new identifier, owned by the caller, or null when the shell
// refused; `shown` is the name to show now, the new one or the old.
struct InPlaceRename {
  LPITEMIDLIST renamed = nullptr;
  std::string shown;
};
InPlaceRename renameInPlace(IShellFolder* folder, HWND owner, LPCITEMIDLIST item, const wchar_t* typed);
// What the views show for an item's kind: its system icon index (SHGFI_* icon flags) and its
// type name. File-system items of one kind share them, so they are asked once per kind (folder,
// or extension) without touching the file; an item whose icon is its own (a program, an icon,
// a shortcut, a drive, anything outside the file system) is asked about itself. Asking the
// shell costs milliseconds an item under Wine, which a folder of thousands cannot afford.
class KindCache {
 public:
  int iconIndex(LPCITEMIDLIST absoluteId, const std::string& parsingName, SFGAOF attributes, UINT flags);
  // A folder's icon when its parent is a file-system folder too: the folder icon, unless the
  // item is no plain file-system folder (then `absoluteId` is asked for, and the item asked).
  int folderIconIndex(const std::function<LPCITEMIDLIST()>& absoluteId, SFGAOF attributes, UINT flags);
  std::string typeName(LPCITEMIDLIST absoluteId, const std::string& parsingName, SFGAOF attributes);

 private:
  // "" when the item must be asked about itself.
  static std::string kindOf(const std::string& parsingName, SFGAOF attributes);
  int cachedIcon(const std::string& kind, UINT flags);
  int folderIcons_[2] = {-1, -1};  // closed and open, small: the tree asks for these most
  std::map<std::pair<std::string, UINT>, int> icons_;
  std::map<std::string, std::string> types_;
};

// Whether a folder can be listed: a file-system folder must still be there (Wine's shell lists
// a vanished folder as empty instead of failing); other folders are the shell's business.
bool folderStillThere(LPCITEMIDLIST absoluteId);
// A folder bound from the Desktop by its absolute identifier; the Desktop itself for an
// empty one.
ComPtr<IShellFolder> bindFolder(LPCITEMIDLIST absoluteId);

}  // namespace marlisk::win
