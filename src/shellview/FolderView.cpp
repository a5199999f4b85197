#include "shellview/FolderView.h"

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
    return CompareIDs(reinterpret_cast<IShellFolder*>(folder), ShellItem::of(a)->child(), ShellItem::of(b)->child());
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
  const auto images =
      reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
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

ShellItem* TFolderView::nodeItem(HTREEITEM node) const {
  TVITEMW item = {TVIF_PARAM};
  item.hItem = node;
  return node && TreeView_GetItem(tree_, &item) ? ShellItem::of(item.lParam) : nullptr;
}

int TFolderView::level(HTREEITEM node) const {
  int depth = 0;
  while ((node = TreeView_GetParent(tree_, node)) != nullptr) ++depth;
  return depth;
}

PCIDLIST_ABSOLUTE TFolderView::NodeAbsoluteID(HTREEITEM node) const {
  const ShellItem* item = nodeItem(node);
  return item ? item->absolute() : nullptr;
}

void TFolderView::BuildRoot() {
  if (busy_) return;
  UniqueAbsoluteId desktop;
  std::string name;
  if (FAILED(SHGetSpecialFolderLocation(tree_, CSIDL_DESKTOP, desktop.put())) ||
      !AbsoluteName(desktop.get(), SHGDN_INFOLDER, name))
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
  auto* rootItem = new ShellItem(DesktopFolder(), std::move(desktop));
  insert.item.lParam = rootItem->data();
  HTREEITEM root = TreeView_InsertItem(tree_, &insert);
  if (!root) {
    delete rootItem;
    setRedraw(true);
    return;
  }
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
  const ShellItem* data = nodeItem(node);
  if (busy_ || !node || !data) return;
  PCIDLIST_ABSOLUTE absolute = data->absolute();
  ComPtr<IShellFolder> folder = bindFolder(absolute);
  ComPtr<IEnumIDList> items;
  if (!folder || !folderStillThere(absolute) ||
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
  PITEMID_CHILD raw = nullptr;
  ULONG fetched = 0;
  while (items->Next(1, &raw, &fetched) == S_OK && fetched == 1) {
    UniqueChildId child(raw);
    came = true;
    std::wstring text;
    if (!DisplayNameW(folder.get(), child.get(), SHGDN_INFOLDER, text) || shell::isSkippedFolderName(narrow(text)))
      continue;
    UniqueAbsoluteId childAbsolute(ConcatIDs(absolute, child.get()));
    if (!childAbsolute) continue;
    // Whether a folder has folders of its own, and its icons, are asked when its row first
    // shows (TVN_GETDISPINFO): the shell looks into each folder for the first, and a node of
    // thousands shows a few dozen rows.
    TVINSERTSTRUCTW insert = {};
    insert.hParent = node;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    insert.item.pszText = text.data();
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.cChildren = I_CHILDRENCALLBACK;
    auto* owned = new ShellItem(folder.get(), std::move(childAbsolute));
    insert.item.lParam = owned->data();
    if (!TreeView_InsertItem(tree_, &insert)) delete owned;
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

void TFolderView::describe(TVITEMW& item) {
  const ShellItem* node = ShellItem::of(item.lParam);
  if (!node || !(item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN))) return;
  IShellFolder* folder = node->parent();
  PCUITEMID_CHILD child = node->child();
  SFGAOF attributes = SFGAO_HASSUBFOLDER | SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_LINK;
  folder->GetAttributesOf(1, &child, &attributes);
  if (item.mask & TVIF_CHILDREN) item.cChildren = (attributes & SFGAO_HASSUBFOLDER) ? 1 : 0;
  if (item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) {
    // Inside a file-system folder no child is a drive or a special folder.
    const ShellItem* above = nodeItem(TreeView_GetParent(tree_, item.hItem));
    wchar_t path[MAX_PATH];
    const bool inFileSystem = above && SHGetPathFromIDListW(above->absolute(), path) != FALSE;
    std::string parsingName;
    if (!inFileSystem) DisplayName(folder, child, SHGDN_FORPARSING, parsingName);
    auto icon = [&](UINT flags) {
      return inFileSystem ? kinds_.folderIconIndex(node->absolute(), attributes, flags)
                          : kinds_.iconIndex(node->absolute(), parsingName, attributes, flags);
    };
    // Folders that know their items' icons (Windows' own) say so; elsewhere the system image
    // list is asked (always under Wine, where no folder has IShellIcon).
    ComPtr<IShellIcon> shellIcon;
    int image = -1, selectedImage = -1;
    folder->QueryInterface(__uuidof(IShellIcon), shellIcon.putVoid());
    if (shellIcon && SUCCEEDED(shellIcon->GetIconOf(child, GIL_FORSHELL, &image)) &&
        SUCCEEDED(shellIcon->GetIconOf(child, GIL_OPENICON, &selectedImage)) && image >= 0 && selectedImage >= 0) {
      item.iImage = image;
      item.iSelectedImage = selectedImage;
    } else {
      item.iImage = icon(SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
      item.iSelectedImage = icon(SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
    }
  }
  // Asked once: the tree keeps the answers.
  item.mask |= TVIF_DI_SETITEM;
}

void TFolderView::notifyLinked(HTREEITEM node) {
  if (busy_ || !node) return;
  PCIDLIST_ABSOLUTE absolute = NodeAbsoluteID(node);
  if (!absolute) return;
  if (onBrowse) onBrowse(absolute);
  if (onTrackPath) onTrackPath(absolute);
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
    case TVN_GETDISPINFOW: describe(reinterpret_cast<NMTVDISPINFOW*>(header)->item); return false;
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
      delete ShellItem::of(item.lParam);
      if (item.hItem == current_) current_ = nullptr;
      if (item.hItem == previous_) previous_ = nullptr;
      return false;
    }
    case TVN_BEGINLABELEDITW:
      result = level(reinterpret_cast<NMTVDISPINFOW*>(header)->item.hItem) == 0;  // the Desktop keeps its name
      return true;
    case TVN_ENDLABELEDITW: {
      const TVITEMW& edited = reinterpret_cast<NMTVDISPINFOW*>(header)->item;
      ShellItem* node = nodeItem(edited.hItem);
      result = FALSE;
      if (!edited.pszText || !node) return true;
      const InPlaceRename rename = renameInPlace(node->parent(), tree_, node->child(), edited.pszText);
      if (rename.renamed) renameNode(edited.hItem, *node, rename.renamed.get());
      std::wstring text = widen(rename.shown);
      TVITEMW item = {TVIF_TEXT};
      item.hItem = edited.hItem;
      item.pszText = text.data();
      TreeView_SetItem(tree_, &item);
      if (rename.renamed && onTrackPath && current_) onTrackPath(NodeAbsoluteID(current_));
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
      if (const ShellItem* item = nodeItem(selected); item && level(selected) > 0)
        ContextMenu->Show(tree_, item->parent(), screen, {item->child()});
      result = TRUE;
      return true;
    }
    case TVN_BEGINDRAGW: {
      HTREEITEM node = reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem;
      if (const ShellItem* item = nodeItem(node); DropSource && item && level(node) > 0)
        DropSource->StartDrag(tree_, item->parent(), {item->child()});
      return false;
    }
    default: return false;
  }
}

void TFolderView::renameNode(HTREEITEM node, ShellItem& item, PCUITEMID_CHILD renamed) {
  item.rename(renamed);
  // Its children's identifiers and folder still carry the old name: they are read again.
  const bool open = (TreeView_GetItemState(tree_, node, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
  TreeView_Expand(tree_, node, TVE_COLLAPSE | TVE_COLLAPSERESET);
  if (open) TreeView_Expand(tree_, node, TVE_EXPAND);
}

HTREEITEM TFolderView::childMatching(HTREEITEM node, PCUIDLIST_RELATIVE item) {
  TreeView_Expand(tree_, node, TVE_EXPAND);  // fills it the first time
  UniqueChildId first(CopyFirstID(item));
  if (!first) return nullptr;
  for (HTREEITEM child = TreeView_GetChild(tree_, node); child; child = TreeView_GetNextSibling(tree_, child)) {
    const ShellItem* data = nodeItem(child);
    if (data && CompareIDs(data->parent(), data->child(), first.get()) == 0) return child;
  }
  return nullptr;
}

HTREEITEM TFolderView::walk(PCIDLIST_ABSOLUTE absoluteId) {
  HTREEITEM node = TreeView_GetRoot(tree_);
  for (PCUIDLIST_RELATIVE item = absoluteId; node && item && !ILIsEmpty(item); item = NextID(item))
    node = childMatching(node, item);
  return node;
}

void TFolderView::SelectAbsoluteID(PCIDLIST_ABSOLUTE id) {
  setRedraw(false);
  if (HTREEITEM node = walk(id)) TreeView_SelectItem(tree_, node);
  setRedraw(true);
}

void TFolderView::SelectChildID(PCUITEMID_CHILD id) {
  if (!current_) return;
  setRedraw(false);
  if (HTREEITEM child = childMatching(current_, id)) TreeView_SelectItem(tree_, child);
  setRedraw(true);
}

bool TFolderView::SelectPath(const std::string& path) {
  std::wstring wide = widen(path);
  if (wide.size() > MAX_PATH) return false;
  UniqueAbsoluteId id = parsePath(wide, tree_);
  if (!id) return false;
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
  if (PCIDLIST_ABSOLUTE absolute = NodeAbsoluteID(selected)) AbsoluteName(absolute, SHGDN_FORPARSING, path);
  return path;
}

void TFolderView::RenameChild(PCUITEMID_CHILD oldId, PCUITEMID_CHILD newId) {
  if (!current_) return;
  for (HTREEITEM child = TreeView_GetChild(tree_, current_); child; child = TreeView_GetNextSibling(tree_, child)) {
    ShellItem* data = nodeItem(child);
    if (!data || CompareIDs(data->parent(), data->child(), oldId) != 0) continue;
    std::string name;
    DisplayName(data->parent(), newId, SHGDN_NORMAL, name);
    std::wstring text = widen(name);
    UniqueChildId first(CopyFirstID(newId));
    if (first) renameNode(child, *data, first.get());
    TVITEMW item = {TVIF_TEXT};
    item.hItem = child;
    item.pszText = text.data();
    TreeView_SetItem(tree_, &item);
    break;
  }
  if (onTrackPath) onTrackPath(NodeAbsoluteID(current_));
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
