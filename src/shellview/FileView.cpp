#include "shellview/FileView.h"

#include <algorithm>

#include "shellview/FolderView.h"
#include "shellview/ShellActions.h"
#include "shellview/ShellItems.h"
#include "shellview/core/ShellTexts.h"
#include "win/Strings.h"
#include "win/Guard.h"

namespace marlisk::win {

namespace {

struct SortContext {
  TFileView* view;
  IShellFolder* folder;
  int column;
  int sign;
};

}  // namespace

TFileView::~TFileView() {
  if (list_ && IsWindow(list_)) ListView_DeleteAllItems(list_);  // items own their identifiers
  if (parent_) parent_->remove(*this);
}

void TFileView::attach(HWND list, Reflector& parent) {
  list_ = list;
  parent_ = &parent;
  parent.add(*this);
  SetWindowLongPtrW(list_, GWL_STYLE, GetWindowLongPtrW(list_, GWL_STYLE) | LVS_SHAREIMAGELISTS);
  const struct {
    const wchar_t* title;
    int width;
    int format;
  } columns[] = {{L"Name", 120, LVCFMT_LEFT},
                 {L"Size", 60, LVCFMT_RIGHT},
                 {L"Kind", 120, LVCFMT_LEFT},
                 {L"UpDate", 120, LVCFMT_LEFT}};
  for (int i = Header_GetItemCount(ListView_GetHeader(list_)); i < 4; ++i) {
    LVCOLUMNW column = {LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM};
    column.pszText = const_cast<wchar_t*>(columns[i].title);
    column.cx = columns[i].width;
    // The size text is ten characters ("%8d" and "KB"): at least that wide in the list's font.
    if (i == 1) column.cx = std::max(column.cx, ListView_GetStringWidth(list_, L"99999999KB") + 16);
    column.fmt = columns[i].format;
    column.iSubItem = i;
    ListView_InsertColumn(list_, i, &column);
  }
  SHFILEINFOW info = {};
  ListView_SetImageList(list_,
                        reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"", 0, &info, sizeof(info), SHGFI_SYSICONINDEX)),
                        LVSIL_NORMAL);
  ListView_SetImageList(
      list_,
      reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON)),
      LVSIL_SMALL);
}

void TFileView::link(TFolderView& folderView) {
  folderView_ = &folderView;
  folderView.onBrowse = [this](PCIDLIST_ABSOLUTE id) { Browse(id); };
}

void TFileView::parentDestroying() {
  if (list_ && IsWindow(list_)) ListView_DeleteAllItems(list_);
}

ShellItem* TFileView::itemData(int index) const {
  LVITEMW item = {LVIF_PARAM};
  item.iItem = index;
  return index >= 0 && ListView_GetItem(list_, &item) ? ShellItem::of(item.lParam) : nullptr;
}

std::vector<PCUITEMID_CHILD> TFileView::selectedItems() const {
  std::vector<PCUITEMID_CHILD> items;
  for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list_, i, LVNI_SELECTED))
    if (const ShellItem* item = itemData(i)) items.push_back(item->child());
  return items;
}

std::wstring TFileView::subItemText(int index, int column) const {
  wchar_t buffer[MAX_PATH] = {};
  ListView_GetItemText(list_, index, column, buffer, MAX_PATH);
  return buffer;
}

void TFileView::Browse(PCIDLIST_ABSOLUTE absoluteId) {
  if (!absoluteId) return;
  folderId_.reset(ILCloneFull(absoluteId));
  folder_ = bindFolder(folderId_.get());
  if (!folder_) folder_ = bindFolder(nullptr);
  Fill();
}

void TFileView::Fill() {
  if (!folder_) return;
  ComPtr<IEnumIDList> items;
  if (!folderStillThere(folderId_.get()) ||
      folder_->EnumObjects(list_, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, items.put()) != S_OK ||
      !items) {
    // A folder that cannot be listed: the tree goes back to where it was, the list stays.
    if (folderView_ && folderView_->PreviousNode())
      TreeView_SelectItem(folderView_->hwnd(), folderView_->PreviousNode());
    return;
  }
  for (int& sign : signs_) sign = 1;
  const HCURSOR previousCursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list_);
  const DWORD savedView = ListView_GetView(list_);
  ListView_SetView(list_, LV_VIEW_LIST);

  ComPtr<IShellIcon> shellIcon;  // where the folder knows its items' icons (not under Wine)
  folder_.queryInterface(shellIcon);
  PITEMID_CHILD raw = nullptr;
  ULONG fetched = 0;
  while (items->Next(1, &raw, &fetched) == S_OK && fetched == 1) {
    UniqueChildId item(raw);
    // Only what lies in the file system. The item's own attribute says so; asking for its
    // path instead walks the whole identifier, a millisecond an item under Wine.
    SFGAOF attributes = SFGAO_FOLDER | SFGAO_LINK | SFGAO_FILESYSTEM;
    PCUITEMID_CHILD one = item.get();
    if (FAILED(folder_->GetAttributesOf(1, &one, &attributes)) || !(attributes & SFGAO_FILESYSTEM)) continue;
    std::string parsingName, caption;
    DisplayName(folder_.get(), item.get(), SHGDN_FORPARSING, parsingName);
    if (!shell::maskAccepts(Mask, parsingName, (attributes & SFGAO_FOLDER) != 0)) continue;
    DisplayName(folder_.get(), item.get(), SHGDN_INFOLDER, caption);
    UniqueAbsoluteId absolute(ConcatIDs(folderId_.get(), item.get()));
    if (!absolute) continue;

    std::wstring text = widen(caption);
    LVITEMW entry = {LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE | LVIF_STATE};
    entry.iItem = ListView_GetItemCount(list_);
    entry.pszText = text.data();
    // The index alone: asking for the icon as well would leave a handle per item to destroy.
    if (!shellIcon || FAILED(shellIcon->GetIconOf(item.get(), GIL_FORSHELL, &entry.iImage)) || entry.iImage < 0)
      entry.iImage = kinds_.iconIndex(absolute.get(), parsingName, attributes, SHGFI_SYSICONINDEX);
    entry.state = (attributes & SFGAO_LINK) ? INDEXTOOVERLAYMASK(1) : 0;
    entry.stateMask = LVIS_OVERLAYMASK;
    const std::string kindText = kinds_.typeName(absolute.get(), parsingName, attributes);
    auto* owned = new ShellItem(folder_.get(), std::move(item));
    entry.lParam = owned->data();
    const int index = ListView_InsertItem(list_, &entry);
    if (index < 0) {
      delete owned;
      continue;
    }

    std::wstring size, date, kind;
    WIN32_FIND_DATAW found;
    if (SUCCEEDED(SHGetDataFromIDListW(folder_.get(), owned->child(), SHGDFIL_FINDDATA, &found, sizeof(found)))) {
      size = widen(shell::sizeText((static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow));
      FILETIME local;
      SYSTEMTIME time;
      if (FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &time))
        date = widen(shell::dateText(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute));
    }
    kind = widen(kindText);
    ListView_SetItemText(list_, index, 1, size.data());
    ListView_SetItemText(list_, index, 2, kind.data());
    ListView_SetItemText(list_, index, 3, date.data());
  }
  sortBy(0);
  ListView_SetView(list_, savedView);
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
  SetCursor(previousCursor);
}

int CALLBACK TFileView::compareItems(LPARAM a, LPARAM b, LPARAM data) {
  return guarded<int>(0, [&]() -> int {
    const auto* c = reinterpret_cast<const SortContext*>(data);
    const int first = static_cast<int>(a), second = static_cast<int>(b);
    if (c->column == 0) {
      const ShellItem* one = c->view->itemData(first);
      const ShellItem* other = c->view->itemData(second);
      return one && other ? c->sign * CompareIDs(c->folder, one->child(), other->child()) : 0;
    }
    // The padded size text sorts by value; names and dates by the user's locale.
    return c->sign *
           lstrcmpW(c->view->subItemText(first, c->column).c_str(), c->view->subItemText(second, c->column).c_str());
  });
}

void TFileView::sortBy(int column) {
  SortContext context = {this, folder_.get(), column, signs_[column]};
  ListView_SortItemsEx(list_, compareItems, reinterpret_cast<LPARAM>(&context));
}

void TFileView::ColumnClick(int column) {
  if (column < 0 || column > 3) return;
  signs_[column] = -signs_[column];
  sortBy(column);
}

std::string TFileView::GetSelectedPath() const {
  return pathOf(itemData(ListView_GetNextItem(list_, -1, LVNI_SELECTED)));
}

std::vector<std::string> TFileView::SelectedCaptions() const {
  std::vector<std::string> captions;
  for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list_, i, LVNI_SELECTED))
    captions.push_back(narrow(subItemText(i, 0)));
  return captions;
}

std::vector<std::string> TFileView::SelectedPaths() const {
  std::vector<std::string> paths;
  for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list_, i, LVNI_SELECTED))
    if (std::string path = pathOf(itemData(i)); !path.empty()) paths.push_back(path);
  return paths;
}

std::string TFileView::FocusedPath() const { return pathOf(itemData(ListView_GetNextItem(list_, -1, LVNI_FOCUSED))); }

std::string TFileView::pathOf(const ShellItem* item) {
  std::string path;
  if (item) DisplayName(item->parent(), item->child(), SHGDN_FORPARSING, path);
  return path;
}

void TFileView::doubleClick() {
  if (OnDblClick) OnDblClick();
  const ShellItem* item = itemData(ListView_GetNextItem(list_, -1, LVNI_SELECTED));
  if (!item) return;
  SFGAOF attributes = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
  PCUITEMID_CHILD one = item->child();
  item->parent()->GetAttributesOf(1, &one, &attributes);
  if ((attributes & (SFGAO_FOLDER | SFGAO_FILESYSANCESTOR)) && folderView_) {
    folderView_->SelectChildID(item->child());
  } else if (FileExecute) {
    UniqueAbsoluteId absolute(ConcatIDs(folderId_.get(), item->child()));
    if (!absolute) return;
    SHELLEXECUTEINFOW execute = {sizeof(execute)};
    execute.fMask = SEE_MASK_INVOKEIDLIST;
    execute.hwnd = list_;
    execute.lpIDList = absolute.get();
    execute.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&execute);
  }
}

bool TFileView::reflectNotify(NMHDR* header, LRESULT& result) {
  switch (header->code) {
    case LVN_DELETEITEM: delete ShellItem::of(reinterpret_cast<NMLISTVIEW*>(header)->lParam); return false;
    case LVN_COLUMNCLICK: ColumnClick(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem); return false;
    case NM_DBLCLK: doubleClick(); return false;
    case NM_RCLICK: {
      const std::vector<PCUITEMID_CHILD> items = selectedItems();
      if (!ContextMenu || !folder_ || items.empty()) return false;
      POINT screen;
      GetCursorPos(&screen);
      ContextMenu->Show(list_, folder_.get(), screen, items);
      Fill();
      return false;
    }
    case LVN_BEGINDRAG: {
      const std::vector<PCUITEMID_CHILD> items = selectedItems();
      if (DropSource && folder_ && !items.empty()) DropSource->StartDrag(list_, folder_.get(), items);
      return false;
    }
    case LVN_ENDLABELEDITW: {
      const LVITEMW& edited = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
      ShellItem* old = itemData(edited.iItem);
      result = FALSE;
      if (!edited.pszText || !old) return true;
      SFGAOF attributes = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
      PCUITEMID_CHILD one = old->child();
      old->parent()->GetAttributesOf(1, &one, &attributes);
      const InPlaceRename rename = renameInPlace(old->parent(), list_, old->child(), edited.pszText);
      if (rename.renamed) {
        if ((attributes & (SFGAO_FOLDER | SFGAO_FILESYSANCESTOR)) && folderView_)
          folderView_->RenameChild(old->child(), rename.renamed.get());
        old->rename(rename.renamed.get());
      }
      std::wstring text = widen(rename.shown);
      ListView_SetItemText(list_, edited.iItem, 0, text.data());
      return true;
    }
    default: return false;
  }
}

}  // namespace marlisk::win
