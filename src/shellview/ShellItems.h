// The shell-facing helpers of the browsing components: typed identifier lists on the shell's
// allocator, the Desktop folder, names, icons and comparisons.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <map>
#include <string>
#include <utility>

#include "win/Handles.h"

namespace marlisk::win {

// The identifier operations the views share, on the shell's own IL* functions; each returns
// a new list the caller owns, or null when the shell is out of memory.
// The first item alone (an empty list for an empty list, null for null).
PITEMID_CHILD CopyFirstID(PCUIDLIST_RELATIVE list);
// `a` followed by `b`; either may be null, both null gives an empty list.
PIDLIST_ABSOLUTE ConcatIDs(PCIDLIST_ABSOLUTE a, PCUIDLIST_RELATIVE b);
// All items but the last (an empty list for one item or none); null for null.
PIDLIST_ABSOLUTE ParentIDs(PCIDLIST_ABSOLUTE list);
// Bytes of the list with its terminator; 0 for null.
inline size_t IDListSize(PCUIDLIST_RELATIVE list) { return list ? ILGetSize(list) : 0; }
// The item after the first, inside `list`; null when the first is the last or there is none.
PCUIDLIST_RELATIVE NextID(PCUIDLIST_RELATIVE list);

// What a tree node or a list row owns: the folder that holds its item and the item's
// identifier in it. A tree node also holds its absolute identifier (whose last item is its
// own), which every move through the tree needs; a list row does without, as a folder of many
// thousands is filled faster that way. Made once when the row is added and deleted with it,
// so no operation rebuilds or frees identifiers.
class ShellItem {
 public:
  ShellItem(IShellFolder* parent, UniqueAbsoluteId absolute);
  ShellItem(IShellFolder* parent, UniqueChildId child);
  IShellFolder* parent() const { return parent_.get(); }
  PCIDLIST_ABSOLUTE absolute() const { return absolute_.get(); }  // null for a list row
  PCUITEMID_CHILD child() const { return child_ ? child_.get() : ILFindLastID(absolute_.get()); }
  // The item was renamed: `renamed` (its new identifier in the same folder) replaces the old.
  void rename(PCUITEMID_CHILD renamed);
  // The item that a control's LPARAM holds.
  static ShellItem* of(LPARAM data) { return reinterpret_cast<ShellItem*>(data); }
  LPARAM data() { return reinterpret_cast<LPARAM>(this); }

 private:
  ComPtr<IShellFolder> parent_;
  UniqueAbsoluteId absolute_;
  UniqueChildId child_;
};

// The Desktop folder, the root of the namespace, for the life of the process.
IShellFolder* DesktopFolder();

// The folder's CompareIDs with parameter 0: the signed low 16 bits of its answer; -1 on failure.
int CompareIDs(IShellFolder* folder, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b);
// The name of `id` in `folder` (SHGDN_* flags); false when the shell has none.
bool DisplayName(IShellFolder* folder, PCUITEMID_CHILD id, DWORD flags, std::string& name);
// The name of an absolute identifier, as the Desktop gives it.
bool AbsoluteName(PCIDLIST_ABSOLUTE id, DWORD flags, std::string& name);
// The same in UTF-16, for a control that takes it as it is.
bool DisplayNameW(IShellFolder* folder, PCUITEMID_CHILD id, DWORD flags, std::wstring& name);
// The system image list index of an absolute identifier (SHGFI_* flags; SHGFI_PIDL is added).
int SysIconIndex(PCIDLIST_ABSOLUTE absoluteId, UINT flags);

// A name typed in place over an item of `folder` (cut to MAX_PATH characters), given to the
// shell. `renamed` is the item's new identifier, owned by the caller, or null when the shell
// refused; `shown` is the name to show now, the new one or the old.
struct InPlaceRename {
  UniqueChildId renamed;
  std::string shown;
};
InPlaceRename renameInPlace(IShellFolder* folder, HWND owner, PCUITEMID_CHILD item, const wchar_t* typed);
// What the views show for an item's kind: its system icon index (SHGFI_* icon flags) and its
// type name. File-system items of one kind share them, so they are asked once per kind (folder,
// or extension) without touching the file; an item whose icon is its own (a program, an icon,
// a shortcut, a drive, anything outside the file system) is asked about itself. Asking the
// shell costs milliseconds an item under Wine, which a folder of thousands cannot afford.
class KindCache {
 public:
  int iconIndex(PCIDLIST_ABSOLUTE absoluteId, const std::string& parsingName, SFGAOF attributes, UINT flags);
  // A folder's icon when its parent is a file-system folder too: the folder icon, unless the
  // item is no plain file-system folder (then the item is asked).
  int folderIconIndex(PCIDLIST_ABSOLUTE absoluteId, SFGAOF attributes, UINT flags);
  std::string typeName(PCIDLIST_ABSOLUTE absoluteId, const std::string& parsingName, SFGAOF attributes);

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
bool folderStillThere(PCIDLIST_ABSOLUTE absoluteId);
// The absolute identifier the Desktop parses from a path (null when it cannot).
UniqueAbsoluteId parsePath(const std::wstring& path, HWND owner = nullptr);
// A folder bound from the Desktop by its absolute identifier; the Desktop itself for an
// empty one.
ComPtr<IShellFolder> bindFolder(PCIDLIST_ABSOLUTE absoluteId);

}  // namespace marlisk::win
