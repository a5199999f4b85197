#include "shellview/ComboView.h"

#include <vector>

#include "shellview/FolderView.h"
#include "shellview/ShellItems.h"
#include "win/Strings.h"
#include "win/Guard.h"

namespace marlisk::win {

namespace {
constexpr UINT_PTR kSubclassId = 0x6376;  // "cv"
}

TComboView::~TComboView() {
  if (combo_ && IsWindow(combo_)) clearEntries();
  if (parent_) parent_->remove(*this);
  if (edit_ && IsWindow(edit_)) RemoveWindowSubclass(edit_, editProc, kSubclassId);
}

void TComboView::attach(HWND combo, Reflector& parent) {
  combo_ = combo;
  parent_ = &parent;
  parent.add(*this);
  COMBOBOXINFO info = {sizeof(info)};
  if (GetComboBoxInfo(combo_, &info) && info.hwndItem) {
    edit_ = info.hwndItem;
    SetWindowSubclass(edit_, editProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  }
}

void TComboView::link(TFolderView& folderView) {
  folderView_ = &folderView;
  folderView.onTrackPath = [this](LPCITEMIDLIST id) { TrackPath(id); };
}

void TComboView::clearEntries() {
  const int count = static_cast<int>(SendMessageW(combo_, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) CoTaskMemFree(reinterpret_cast<void*>(SendMessageW(combo_, CB_GETITEMDATA, i, 0)));
  SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
}

void TComboView::TrackPath(LPCITEMIDLIST absoluteId) {
  clearEntries();
  // The folders from the Desktop down to this one, each entry owning its identifier.
  std::vector<LPITEMIDLIST> chain;
  for (LPITEMIDLIST at = ConcatIDs(absoluteId, nullptr);; at = ParentIDs(chain.back())) {
    chain.push_back(at);
    if (IDListSize(at) <= 2) break;
  }
  int depth = 0;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it, ++depth) {
    std::string name;
    DisplayName(DesktopFolder(), *it, SHGDN_NORMAL, name);
    const std::wstring text = std::wstring(static_cast<size_t>(depth) * 2, L' ') + widen(name);
    const auto index = SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(combo_, CB_SETITEMDATA, index, reinterpret_cast<LPARAM>(*it));
  }
  // The edit shows the path where there is one, else the folder's name.
  std::string shown;
  if (!DisplayName(DesktopFolder(), absoluteId, SHGDN_FORPARSING | SHGDN_FORADDRESSBAR, shown) || shown.empty())
    DisplayName(DesktopFolder(), absoluteId, SHGDN_NORMAL, shown);
  SetWindowTextW(combo_, widen(shown).c_str());
}

void TComboView::chooseEntry(int index) {
  auto id = reinterpret_cast<LPCITEMIDLIST>(SendMessageW(combo_, CB_GETITEMDATA, index, 0));
  if (!folderView_ || !id || id == reinterpret_cast<LPCITEMIDLIST>(CB_ERR)) return;
  UniqueIdList chosen(ConcatIDs(id, nullptr));  // tracking the new folder resets the entries
  folderView_->SelectAbsoluteID(chosen.get());
}

void TComboView::confirmTyped() {
  if (!folderView_) return;
  wchar_t typed[MAX_PATH + 1] = {};
  GetWindowTextW(combo_, typed, MAX_PATH + 1);
  folderView_->SelectPath(narrow(typed));
}

void TComboView::parentDestroying() {
  if (combo_ && IsWindow(combo_)) clearEntries();
}

bool TComboView::reflectCommand(int code, LRESULT& result) {
  if (code != CBN_SELENDOK) return false;
  chooseEntry(static_cast<int>(SendMessageW(combo_, CB_GETCURSEL, 0, 0)));
  result = 0;
  return true;
}

LRESULT CALLBACK TComboView::editProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR self) {
  return guarded<LRESULT>(0, [&]() -> LRESULT {
    auto* view = reinterpret_cast<TComboView*>(self);
    // Enter belongs to the address box, not to the dialog's default button.
    if (message == WM_GETDLGCODE && lParam) {
      const auto* key = reinterpret_cast<const MSG*>(lParam);
      if (key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
        return DefSubclassProc(window, message, wParam, lParam) | DLGC_WANTMESSAGE;
    }
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
      view->confirmTyped();
      return 0;
    }
    return DefSubclassProc(window, message, wParam, lParam);
  });
}

}  // namespace marlisk::win
