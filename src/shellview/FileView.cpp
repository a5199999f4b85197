#include "shellview/FileView.h"

#include <algorithm>

#include "shellview/FolderView.h"
#include "shellview/ShellActions.h"
#include "shellview/ShellItems.h"
#include "shellview/core/ShellTexts.h"
#include "win/Strings.h"
#include "win/Guard.h"

namespace marlisk::win {

TFileView::~TFileView() {
  clearRows();
  if (parent_) parent_->remove(*this);
}

namespace {

void copyText(const std::wstring& text, LVITEMW& item) {
  if (!item.pszText || item.cchTextMax <= 0) return;
  const size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
  std::copy_n(text.data(), n, item.pszText);
  item.pszText[n] = 0;
}

}  // namespace

void TFileView::attach(HWND list, Reflector& parent) {
  list_ = list;
  parent_ = &parent;
  parent.add(*this);
  SetWindowLongPtrW(list_, GWL_STYLE, GetWindowLongPtrW(list_, GWL_STYLE) | LVS_SHAREIMAGELISTS);
  // Shortcuts' overlay comes with each row's other facts.
  ListView_SetCallbackMask(list_, LVIS_OVERLAYMASK);
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

void TFileView::parentDestroying() { clearRows(); }

void TFileView::clearRows() {
  if (list_ && IsWindow(list_)) ListView_SetItemCountEx(list_, 0, 0);
  order_.clear();
  rows_.clear();
}

TFileView::Row* TFileView::rowAt(int index) const {
  return index >= 0 && static_cast<size_t>(index) < order_.size() ? order_[static_cast<size_t>(index)] : nullptr;
}

std::vector<PCUITEMID_CHILD> TFileView::selectedItems() const {
  std::vector<PCUITEMID_CHILD> items;
  for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list_, i, LVNI_SELECTED))
    if (const Row* row = rowAt(i)) items.push_back(row->child.get());
  return items;
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
  clearRows();
  shellIcon_.reset();
  folder_.queryInterface(shellIcon_);
  const bool masked = !Mask.empty();
  PITEMID_CHILD raw = nullptr;
  ULONG fetched = 0;
  while (items->Next(1, &raw, &fetched) == S_OK && fetched == 1) {
    auto row = std::make_unique<Row>();
    row->child.reset(raw);
    // Only what lies in the file system. The item's own attribute says so; asking for its
    // path instead walks the whole identifier, a millisecond an item under Wine.
    row->attributes = SFGAO_FOLDER | SFGAO_LINK | SFGAO_FILESYSTEM;
    PCUITEMID_CHILD one = row->child.get();
    if (FAILED(folder_->GetAttributesOf(1, &one, &row->attributes)) || !(row->attributes & SFGAO_FILESYSTEM)) continue;
    // The mask looks at extensions: a name is asked for only when there is a mask and a file.
    if (masked && !(row->attributes & SFGAO_FOLDER) &&
        !shell::maskAccepts(Mask, parsingName(*row), (row->attributes & SFGAO_FOLDER) != 0))
      continue;
    rows_.push_back(std::move(row));
  }
  order_.reserve(rows_.size());
  for (const auto& row : rows_) order_.push_back(row.get());
  sortBy(0);
  ListView_SetItemCountEx(list_, static_cast<int>(order_.size()), 0);
  InvalidateRect(list_, nullptr, TRUE);
  SetCursor(previousCursor);
}

UniqueAbsoluteId TFileView::absoluteOf(const Row& row) const {
  return UniqueAbsoluteId(ConcatIDs(folderId_.get(), row.child.get()));
}

std::string TFileView::parsingName(const Row& row) const {
  std::string name;
  DisplayName(folder_.get(), row.child.get(), SHGDN_FORPARSING, name);
  return name;
}

// Size and date from the find data the item's identifier carries.
void TFileView::describe(Row& row) {
  row.described = true;
  WIN32_FIND_DATAW found;
  if (FAILED(SHGetDataFromIDListW(folder_.get(), row.child.get(), SHGDFIL_FINDDATA, &found, sizeof(found)))) return;
  row.size = widen(shell::sizeText((static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow));
  FILETIME local;
  SYSTEMTIME time;
  if (FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &time))
    row.date = widen(shell::dateText(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute));
}

const std::wstring& TFileView::text(Row& row, int column) {
  switch (column) {
    case 0:
      if (row.caption.empty()) DisplayNameW(folder_.get(), row.child.get(), SHGDN_INFOLDER, row.caption);
      return row.caption;
    case 2:
      if (!row.kindKnown) {
        row.kindKnown = true;
        if (UniqueAbsoluteId absolute = absoluteOf(row))
          row.kind = widen(kinds_.typeName(absolute.get(), parsingName(row), row.attributes));
      }
      return row.kind;
    default:
      if (!row.described) describe(row);
      return column == 1 ? row.size : row.date;
  }
}

int TFileView::icon(Row& row) {
  if (row.icon >= 0) return row.icon;
  // The index alone: asking for the icon as well would leave a handle per item to destroy.
  if (!shellIcon_ || FAILED(shellIcon_->GetIconOf(row.child.get(), GIL_FORSHELL, &row.icon)) || row.icon < 0) {
    const UniqueAbsoluteId absolute = absoluteOf(row);
    row.icon = absolute ? kinds_.iconIndex(absolute.get(), parsingName(row), row.attributes, SHGFI_SYSICONINDEX) : 0;
  }
  return row.icon;
}

void TFileView::getDisplayInfo(LVITEMW& item) {
  Row* row = rowAt(item.iItem);
  if (!row) return;
  if (item.mask & LVIF_TEXT) copyText(text(*row, std::clamp(item.iSubItem, 0, 3)), item);
  if (item.mask & LVIF_IMAGE) item.iImage = icon(*row);
  if (item.mask & LVIF_STATE) {
    item.state = (row->attributes & SFGAO_LINK) ? INDEXTOOVERLAYMASK(1) : 0;
    item.stateMask = LVIS_OVERLAYMASK;
  }
}

// Typing in the list finds the next row whose caption starts with what was typed.
int TFileView::findItem(const NMLVFINDITEMW& find) {
  if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz || order_.empty()) return -1;
  const std::wstring wanted = find.lvfi.psz;
  const int count = static_cast<int>(order_.size());
  const int start = std::clamp(find.iStart, 0, count);
  for (int n = 0; n < count; ++n) {
    const int i = (start + n) % count;
    if (i < start && !(find.lvfi.flags & LVFI_WRAP)) break;
    const std::wstring& caption = text(*order_[static_cast<size_t>(i)], 0);
    if (caption.size() < wanted.size()) continue;
    const bool exact = !(find.lvfi.flags & LVFI_PARTIAL);
    if (exact && caption.size() != wanted.size()) continue;
    if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, caption.c_str(), static_cast<int>(wanted.size()),
                       wanted.c_str(), static_cast<int>(wanted.size())) == CSTR_EQUAL)
      return i;
  }
  return -1;
}

// The rows in a column's order. What was selected and focused stays so: the list view keeps
// states by position, so they are taken off and put back on the same rows.
void TFileView::sortBy(int column) {
  std::vector<Row*> selected;
  for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list_, i, LVNI_SELECTED))
    if (Row* row = rowAt(i)) selected.push_back(row);
  Row* focused = rowAt(ListView_GetNextItem(list_, -1, LVNI_FOCUSED));
  const int sign = signs_[column];
  IShellFolder* folder = folder_.get();
  // A merge sort stays within its rows even where the shell's comparison is not consistent.
  if (column == 0) {
    std::stable_sort(order_.begin(), order_.end(), [&](const Row* a, const Row* b) {
      return guarded<int>(0, [&] { return sign * CompareIDs(folder, a->child.get(), b->child.get()); }) < 0;
    });
  } else {
    for (Row* row : order_) text(*row, column);  // every row's text, once
    std::stable_sort(order_.begin(), order_.end(), [&](const Row* a, const Row* b) {
      // The padded size text sorts by value; names and dates by the user's locale.
      const std::wstring& x = column == 2 ? a->kind : column == 1 ? a->size : a->date;
      const std::wstring& y = column == 2 ? b->kind : column == 1 ? b->size : b->date;
      return sign * lstrcmpW(x.c_str(), y.c_str()) < 0;
    });
  }
  if (selected.empty() && !focused) {
    InvalidateRect(list_, nullptr, FALSE);
    return;
  }
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  std::sort(selected.begin(), selected.end());
  for (size_t i = 0; i < order_.size(); ++i) {
    const bool isSelected = std::binary_search(selected.begin(), selected.end(), order_[i]);
    const UINT state = (isSelected ? LVIS_SELECTED : 0) | (order_[i] == focused ? LVIS_FOCUSED : 0);
    if (state) ListView_SetItemState(list_, static_cast<int>(i), state, state);
  }
  InvalidateRect(list_, nullptr, FALSE);
}

void TFileView::ColumnClick(int column) {
  if (column < 0 || column > 3) return;
  signs_[column] = -signs_[column];
  sortBy(column);
}

std::string TFileView::GetSelectedPath() const { return pathOf(rowAt(ListView_GetNextItem(list_, -1, LVNI_SELECTED))); }

std::vector<std::string> TFileView::SelectedCaptions() const {
  std::vector<std::string> captions;
  for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list_, i, LVNI_SELECTED))
    if (Row* row = rowAt(i)) captions.push_back(narrow(const_cast<TFileView*>(this)->text(*row, 0)));
  return captions;
}

std::vector<std::string> TFileView::SelectedPaths() const {
  std::vector<std::string> paths;
  for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list_, i, LVNI_SELECTED))
    if (std::string path = pathOf(rowAt(i)); !path.empty()) paths.push_back(path);
  return paths;
}

std::string TFileView::FocusedPath() const { return pathOf(rowAt(ListView_GetNextItem(list_, -1, LVNI_FOCUSED))); }

std::string TFileView::pathOf(const Row* row) const { return row ? parsingName(*row) : std::string(); }

void TFileView::doubleClick() {
  if (OnDblClick) OnDblClick();
  const Row* row = rowAt(ListView_GetNextItem(list_, -1, LVNI_SELECTED));
  if (!row) return;
  SFGAOF attributes = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
  PCUITEMID_CHILD one = row->child.get();
  folder_->GetAttributesOf(1, &one, &attributes);
  if ((attributes & (SFGAO_FOLDER | SFGAO_FILESYSANCESTOR)) && folderView_) {
    folderView_->SelectChildID(row->child.get());
  } else if (FileExecute) {
    const UniqueAbsoluteId absolute = absoluteOf(*row);
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
    case LVN_GETDISPINFOW:
      guarded<int>(0, [&] {
        getDisplayInfo(reinterpret_cast<NMLVDISPINFOW*>(header)->item);
        return 0;
      });
      return true;
    case LVN_ODFINDITEMW:
      result = guarded<int>(-1, [&] { return findItem(*reinterpret_cast<NMLVFINDITEMW*>(header)); });
      return true;
    case LVN_COLUMNCLICK: ColumnClick(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem); return false;
    case LVN_KEYDOWN:
      // Ctrl+A takes every file of the folder, as Explorer's list does.
      if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == 'A' && GetKeyState(VK_CONTROL) < 0)
        ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
      return false;
    case NM_CUSTOMDRAW: {
      // The rows chosen for the list stay in the selection colour while the user works
      // elsewhere in the dialog: the pale grey of an unfocused list is hard to see.
      auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
      if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        result = CDRF_NOTIFYITEMDRAW;
        return true;
      }
      if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && GetFocus() != list_ &&
          ListView_GetItemState(list_, static_cast<int>(draw->nmcd.dwItemSpec), LVIS_SELECTED)) {
        draw->nmcd.uItemState &= ~CDIS_SELECTED;
        draw->clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
        draw->clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
        result = CDRF_NEWFONT;
        return true;
      }
      result = CDRF_DODEFAULT;
      return true;
    }
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
      Row* row = rowAt(edited.iItem);
      result = FALSE;
      if (!edited.pszText || !row) return true;
      SFGAOF attributes = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
      PCUITEMID_CHILD one = row->child.get();
      folder_->GetAttributesOf(1, &one, &attributes);
      InPlaceRename rename = renameInPlace(folder_.get(), list_, row->child.get(), edited.pszText);
      if (rename.renamed) {
        if ((attributes & (SFGAO_FOLDER | SFGAO_FILESYSANCESTOR)) && folderView_)
          folderView_->RenameChild(row->child.get(), rename.renamed.get());
        row->child = std::move(rename.renamed);
        // A new name may be a new extension: its kind and icon are asked again.
        row->kindKnown = row->described = false;
        row->icon = -1;
      }
      row->caption = widen(rename.shown);
      ListView_RedrawItems(list_, edited.iItem, edited.iItem);
      return true;
    }
    default: return false;
  }
}

}  // namespace marlisk::win
