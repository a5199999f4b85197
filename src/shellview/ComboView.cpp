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
  folderView.onTrackPath = [this](PCIDLIST_ABSOLUTE id) { TrackPath(id); };
}

void TComboView::TrackPath(PCIDLIST_ABSOLUTE absoluteId) {
  if (!absoluteId) return;
  SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
  // The folders from the Desktop down to this one.
  std::vector<UniqueAbsoluteId> chain;
  for (UniqueAbsoluteId at(ILCloneFull(absoluteId)); at;) {
    UniqueAbsoluteId above(ILIsEmpty(at.get()) ? nullptr : ParentIDs(at.get()));
    chain.push_back(std::move(at));
    at = std::move(above);
  }
  entries_.assign(std::make_move_iterator(chain.rbegin()), std::make_move_iterator(chain.rend()));
  for (size_t depth = 0; depth < entries_.size(); ++depth) {
    std::string name;
    AbsoluteName(entries_[depth].get(), SHGDN_NORMAL, name);
    const std::wstring text = std::wstring(depth * 2, L' ') + widen(name);
    const auto index = SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(combo_, CB_SETITEMDATA, index, static_cast<LPARAM>(depth));
  }
  // The edit shows the path where there is one, else the folder's name.
  std::string shown;
  if (!AbsoluteName(absoluteId, SHGDN_FORPARSING | SHGDN_FORADDRESSBAR, shown) || shown.empty())
    AbsoluteName(absoluteId, SHGDN_NORMAL, shown);
  SetWindowTextW(combo_, widen(shown).c_str());
}

void TComboView::chooseEntry(int index) {
  const auto entry = SendMessageW(combo_, CB_GETITEMDATA, index, 0);
  if (!folderView_ || entry == CB_ERR || entry < 0 || static_cast<size_t>(entry) >= entries_.size()) return;
  // Tracking the new folder replaces the entries: the chosen one is copied first.
  UniqueAbsoluteId chosen(ILCloneFull(entries_[static_cast<size_t>(entry)].get()));
  if (chosen) folderView_->SelectAbsoluteID(chosen.get());
}

void TComboView::confirmTyped() {
  if (!folderView_) return;
  wchar_t typed[MAX_PATH + 1] = {};
  GetWindowTextW(combo_, typed, MAX_PATH + 1);
  folderView_->SelectPath(narrow(typed));
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
