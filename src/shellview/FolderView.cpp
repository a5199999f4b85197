#include "shellview/FolderView.h"

#include <vector>

#include "shellview/ShellActions.h"
#include "shellview/ShellItems.h"
#include "shellview/core/ShellTexts.h"
#include "win/Strings.h"
#include "win/Guard.h"

namespace marlisk::win {

namespace {


// Restores the cursor however the filling ends.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }

 private:
  HCURSOR previous_;
};

int CALLBACK compareChildren(LPARAM a, LPARAM b, LPARAM folder) {
  return guarded<int>(0, [&]() -> int {
    return CompareIDs(reinterpret_cast<IShellFolder*>(folder), reinterpret_cast<LPCITEMIDLIST>(a),
                      reinterpret_cast<LPCITEMIDLIST>(b));
  });
}

}  // namespace

// The nodes own their identifiers: empty the tree while its deletions still reach us.
TFolderView::~TFolderView() {
  if (tree_ && IsWindow(tree_)) TreeView_DeleteAllItems(tree_);
  if (parent_) parent_->remove(*this);
}

void TFolderView::attach(HWND tree, Reflector& parent) {
  tree_ = tree;
  parent_ = &parent;
  parent.add(*this);
  SHFILEINFOW info = {};
  const auto images = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoW(L"", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  TreeView_SetImageList(tree_, images, TVSIL_NORMAL);
  BuildRoot();
}

void TFolderView::parentDestroying() {
  if (tree_ && IsWindow(tree_)) TreeView_DeleteAllItems(tree_);
}

void TFolderView::setRedraw(bool on) {
  SendMessageW(tree_, WM_SETREDRAW, on, 0);
  if (on) InvalidateRect(tree_, nullptr, TRUE);
}

LPITEMIDLIST TFolderView::nodeData(HTREEITEM node) const {
  TVITEMW item = {TVIF_PARAM};
  item.hItem = node;
  return node && TreeView_GetItem(tree_, &item) ? reinterpret_cast<LPITEMIDLIST>(item.lParam) : nullptr;
}

int TFolderView::level(HTREEITEM node) const {
  int depth = 0;
  while ((node = TreeView_GetParent(tree_, node)) != nullptr) ++depth;
  return depth;
}

UniqueIdList TFolderView::NodeAbsoluteID(HTREEITEM node) const {
  // The data of the root's descendants, from the top down to the node.
  UniqueIdList absolute(ConcatIDs(nullptr, nullptr));
  std::vector<HTREEITEM> chain;
  for (HTREEITEM at = node; at && TreeView_GetParent(tree_, at); at = TreeView_GetParent(tree_, at)) chain.push_back(at);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) absolute.reset(ConcatIDs(absolute.get(), nodeData(*it)));
  return absolute;
}

void TFolderView::BuildRoot() {
  if (busy_) return;
  UniqueIdList desktop;
  std::string name;
  if (FAILED(SHGetSpecialFolderLocation(tree_, CSIDL_DESKTOP, desktop.put())) ||
      !DisplayName(DesktopFolder(), desktop.get(), SHGDN_INFOLDER, name))
    return;
  setRedraw(false);
  busy_ = true;
  TreeView_DeleteAllItems(tree_);
  busy_ = false;
  current_ = previous_ = nullptr;
  std::wstring text = widen(name);
  TVINSERTSTRUCTW insert = {};
  insert.hParent = TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
  insert.item.pszText = text.data();
  insert.item.iImage = SysIconIndex(desktop.get(), SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  insert.item.iSelectedImage = SysIconIndex(desktop.get(), SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
  insert.item.cChildren = 1;
  insert.item.lParam = reinterpret_cast<LPARAM>(desktop.release());
  HTREEITEM root = TreeView_InsertItem(tree_, &insert);
  busy_ = true;  // the selection is announced below, once the root is filled
  TreeView_SelectItem(tree_, root);
  busy_ = false;
  current_ = root;
  FillNode(root);
  TreeView_Expand(tree_, root, TVE_EXPAND);
  setRedraw(true);
  notifyLinked(root);
}

void TFolderView::FillNode(HTREEITEM node) {
  LPITEMIDLIST data = nodeData(node);
  if (busy_ || !node || !data) return;
  UniqueIdList absolute = NodeAbsoluteID(node);
  ComPtr<IShellFolder> folder = bindFolder(absolute.get());
  ComPtr<IEnumIDList> items;
  if (!folder || !folderStillThere(absolute.get()) ||
      folder->EnumObjects(tree_, SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN, items.put()) != S_OK || !items) {
    // A folder that cannot be read (a drive without a disc, a share gone away): stay where
    // the user was.
    if (current_) TreeView_SelectItem(tree_, current_);
    return;
  }
  WaitCursor wait;
  // Children added under a collapsed node are not drawn; the tree lays them out once, as it
  // expands. Turning redraw off and on would make it walk the whole tree again (7 ms for a
  // node of 2,000 folders under Wine), so hold it only when the new items would show.
  const bool shown = (TreeView_GetItemState(tree_, node, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
  if (shown) setRedraw(false);
  busy_ = true;
  bool came = false;
  // Folders that know their items' icons (Windows' own) say so; elsewhere the system image
  // list is asked (always under Wine, where no folder has IShellIcon).
  ComPtr<IShellIcon> shellIcon;
  folder.queryInterface(shellIcon);
  // Inside a file-system folder no child is a drive or a special folder.
  wchar_t path[MAX_PATH];
  const bool inFileSystem = SHGetPathFromIDListW(absolute.get(), path) != FALSE;
  LPITEMIDLIST raw = nullptr;
  ULONG fetched = 0;
  while (items->Next(1, &raw, &fetched) == S_OK && fetched == 1) {
    UniqueIdList child(raw);
    came = true;
    std::wstring text;
    if (!DisplayNameW(folder.get(), child.get(), SHGDN_INFOLDER, text) || shell::isSkippedFolderName(narrow(text)))
      continue;
    SFGAOF attributes = SFGAO_HASSUBFOLDER | SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_LINK;
    LPCITEMIDLIST one = child.get();
    folder->GetAttributesOf(1, &one, &attributes);
    std::string parsingName;
    if (!inFileSystem) DisplayName(folder.get(), child.get(), SHGDN_FORPARSING, parsingName);
    UniqueIdList childAbsolute;  // made only for an item that is asked about itself
    auto absoluteOfChild = [&] {
      if (!childAbsolute) childAbsolute.reset(ConcatIDs(absolute.get(), child.get()));
      return childAbsolute.get();
    };
    TVINSERTSTRUCTW insert = {};
    insert.hParent = node;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    insert.item.pszText = text.data();
    // IShellIcon is absent under Wine and optional elsewhere: the system image list serves.
    auto icon = [&](UINT flags) {
      return inFileSystem ? kinds_.folderIconIndex(absoluteOfChild, attributes, flags)
                          : kinds_.iconIndex(absoluteOfChild(), parsingName, attributes, flags);
    };
    int image = -1, selectedImage = -1;
    if (shellIcon && SUCCEEDED(shellIcon->GetIconOf(child.get(), GIL_FORSHELL, &image)) &&
        SUCCEEDED(shellIcon->GetIconOf(child.get(), GIL_OPENICON, &selectedImage)) && image >= 0 && selectedImage >= 0) {
      insert.item.iImage = image;
      insert.item.iSelectedImage = selectedImage;
    } else {
      insert.item.iImage = icon(SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
      insert.item.iSelectedImage = icon(SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
    }
    insert.item.cChildren = (attributes & SFGAO_HASSUBFOLDER) ? 1 : 0;
    insert.item.lParam = reinterpret_cast<LPARAM>(child.get());
    if (TreeView_InsertItem(tree_, &insert)) child.release();
  }
  if (came) {
    TVSORTCB sort = {node, compareChildren, reinterpret_cast<LPARAM>(folder.get())};
    TreeView_SortChildrenCB(tree_, &sort, FALSE);
  } else {
    TVITEMW item = {TVIF_CHILDREN};
    item.hItem = node;
    item.cChildren = 0;
    TreeView_SetItem(tree_, &item);
  }
  busy_ = false;
  if (shown) setRedraw(true);
}

void TFolderView::notifyLinked(HTREEITEM node) {
  if (busy_ || !node) return;
  UniqueIdList absolute = NodeAbsoluteID(node);
  if (onBrowse) onBrowse(absolute.get());
  if (onTrackPath) onTrackPath(absolute.get());
}

bool TFolderView::reflectNotify(NMHDR* header, LRESULT& result) {
  switch (header->code) {
    case TVN_ITEMEXPANDINGW: {
      auto* info = reinterpret_cast<NMTREEVIEWW*>(header);
      if (info->action & TVE_EXPAND && !TreeView_GetChild(tree_, info->itemNew.hItem)) {
        TVITEMW item = {TVIF_CHILDREN};
        item.hItem = info->itemNew.hItem;
        if (TreeView_GetItem(tree_, &item) && item.cChildren) FillNode(info->itemNew.hItem);
      }
      result = FALSE;
      return true;
    }
    case TVN_SELCHANGEDW: {
      if (busy_) return false;
      previous_ = current_;
      current_ = reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem;
      notifyLinked(current_);
      if (OnChange) OnChange();
      return false;
    }
    case TVN_DELETEITEMW: {
      const TVITEMW& item = reinterpret_cast<NMTREEVIEWW*>(header)->itemOld;
      CoTaskMemFree(reinterpret_cast<void*>(item.lParam));
      if (item.hItem == current_) current_ = nullptr;
      if (item.hItem == previous_) previous_ = nullptr;
      return false;
    }
    case TVN_BEGINLABELEDITW:
      result = level(reinterpret_cast<NMTVDISPINFOW*>(header)->item.hItem) == 0;  // the Desktop keeps its name
      return true;
    case TVN_ENDLABELEDITW: {
      const TVITEMW& edited = reinterpret_cast<NMTVDISPINFOW*>(header)->item;
      LPITEMIDLIST old = nodeData(edited.hItem);
      result = FALSE;
      if (!edited.pszText || !old) return true;
      ComPtr<IShellFolder> parent = parentFolderOf(edited.hItem);
      const InPlaceRename rename = renameInPlace(parent.get(), tree_, old, edited.pszText);
      const bool done = rename.renamed != nullptr;
      TVITEMW item = {TVIF_TEXT | TVIF_PARAM};
      item.hItem = edited.hItem;
      item.lParam = reinterpret_cast<LPARAM>(done ? rename.renamed : old);
      if (done) CoTaskMemFree(old);
      std::wstring text = widen(rename.shown);
      item.pszText = text.data();
      TreeView_SetItem(tree_, &item);
      if (done && onTrackPath && current_) onTrackPath(NodeAbsoluteID(current_).get());
      return true;
    }
    case NM_RCLICK: {
      if (!ContextMenu) return false;
      POINT screen;
      GetCursorPos(&screen);
      TVHITTESTINFO hit = {};
      hit.pt = screen;
      ScreenToClient(tree_, &hit.pt);
      if (HTREEITEM node = TreeView_HitTest(tree_, &hit)) TreeView_SelectItem(tree_, node);
      HTREEITEM selected = TreeView_GetSelection(tree_);
      if (selected && level(selected) > 0) {
        ComPtr<IShellFolder> parent = parentFolderOf(selected);
        ContextMenu->Show(tree_, parent.get(), screen, {nodeData(selected)});
      }
      result = TRUE;
      return true;
    }
    case TVN_BEGINDRAGW: {
      HTREEITEM node = reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem;
      if (DropSource && node && level(node) > 0) {
        ComPtr<IShellFolder> parent = parentFolderOf(node);
        DropSource->StartDrag(tree_, parent.get(), {nodeData(node)});
      }
      return false;
    }
    default:
      return false;
  }
}

ComPtr<IShellFolder> TFolderView::parentFolderOf(HTREEITEM node) const {
  if (level(node) < 2) return bindFolder(nullptr);
  UniqueIdList parentAbsolute = NodeAbsoluteID(TreeView_GetParent(tree_, node));
  return bindFolder(parentAbsolute.get());
}

HTREEITEM TFolderView::childMatching(HTREEITEM node, LPCITEMIDLIST item) {
  TreeView_Expand(tree_, node, TVE_EXPAND);  // fills it the first time
  UniqueIdList absolute = NodeAbsoluteID(node);
  ComPtr<IShellFolder> folder = bindFolder(absolute.get());
  if (!folder) return nullptr;
  UniqueIdList first(CopyFirstID(item));
  for (HTREEITEM child = TreeView_GetChild(tree_, node); child; child = TreeView_GetNextSibling(tree_, child))
    if (CompareIDs(folder.get(), nodeData(child), first.get()) == 0) return child;
  return nullptr;
}

HTREEITEM TFolderView::walk(LPCITEMIDLIST absoluteId) {
  HTREEITEM node = TreeView_GetRoot(tree_);
  for (LPCITEMIDLIST item = absoluteId; node && item && IDListSize(item) > 2;
       item = reinterpret_cast<LPCITEMIDLIST>(shell::NextID(bytesOf(item))))
    node = childMatching(node, item);
  return node;
}

void TFolderView::SelectAbsoluteID(LPCITEMIDLIST id) {
  setRedraw(false);
  if (HTREEITEM node = walk(id)) TreeView_SelectItem(tree_, node);
  setRedraw(true);
}

void TFolderView::SelectChildID(LPCITEMIDLIST id) {
  if (!current_) return;
  setRedraw(false);
  if (HTREEITEM child = childMatching(current_, id)) TreeView_SelectItem(tree_, child);
  setRedraw(true);
}

bool TFolderView::SelectPath(const std::string& path) {
  std::wstring wide = widen(path);
  if (wide.size() > MAX_PATH) return false;
  UniqueIdList id;
  if (FAILED(DesktopFolder()->ParseDisplayName(tree_, nullptr, wide.data(), nullptr, id.put(), nullptr))) return false;
  setRedraw(false);
  HTREEITEM node = walk(id.get());
  if (node) TreeView_SelectItem(tree_, node);
  setRedraw(true);
  return node != nullptr;
}

std::string TFolderView::GetSelectedPath() const {
  HTREEITEM selected = TreeView_GetSelection(tree_);
  if (!selected) return {};
  std::string path;
  DisplayName(DesktopFolder(), NodeAbsoluteID(selected).get(), SHGDN_FORPARSING, path);
  return path;
}

void TFolderView::RenameChild(LPCITEMIDLIST oldId, LPCITEMIDLIST newId) {
  if (!current_) return;
  UniqueIdList absolute = NodeAbsoluteID(current_);
  ComPtr<IShellFolder> folder = bindFolder(absolute.get());
  if (!folder) return;
  for (HTREEITEM child = TreeView_GetChild(tree_, current_); child; child = TreeView_GetNextSibling(tree_, child)) {
    if (CompareIDs(folder.get(), nodeData(child), oldId) != 0) continue;
    std::string name;
    DisplayName(folder.get(), newId, SHGDN_NORMAL, name);
    std::wstring text = widen(name);
    CoTaskMemFree(nodeData(child));
    TVITEMW item = {TVIF_TEXT | TVIF_PARAM};
    item.hItem = child;
    item.pszText = text.data();
    item.lParam = reinterpret_cast<LPARAM>(CopyFirstID(newId));
    TreeView_SetItem(tree_, &item);
    break;
  }
  if (onTrackPath) onTrackPath(absolute.get());
}

// The folder above, as ".." names it from the selected folder: a drive root stays where it
// is, and a folder that is no longer there (or a virtual one, with no path) goes nowhere.
// Worked out from the path alone, so that no process-wide working folder is borrowed.
void TFolderView::SelectParentFolder() {
  const std::string selected = GetSelectedPath();
  const DWORD attributes = selected.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(widen(selected).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  std::wstring above = widen(selected);
  if (above.back() != L'\\') above += L'\\';
  above += L"..";
  wchar_t parent[MAX_PATH] = {};
  const DWORD length = GetFullPathNameW(above.c_str(), MAX_PATH, parent, nullptr);
  if (length == 0 || length >= MAX_PATH) return;
  SelectPath(narrow(parent));
}

}  // namespace marlisk::win
