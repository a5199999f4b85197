#include "app/OutputPage.h"

#include "win/Strings.h"

namespace marlisk::win {

namespace {
constexpr int kColumns = 4;
}

void OutputPage::onInitDialog() {
  // The items fill the group column by column, in dialog units of the page's font.
  HWND group = item(groupId_);
  RECT frame;
  GetWindowRect(group, &frame);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&frame), 2);
  RECT unit = {8, 12, 11, 10};  // side margin, top margin, row pitch, item height
  MapDialogRect(hwnd(), &unit);
  const int rows = (itemCount() + kColumns - 1) / kColumns;
  const int columnWidth = (frame.right - frame.left - 2 * unit.left) / kColumns;
  const auto font = static_cast<WPARAM>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
  for (int i = 0; i < itemCount(); ++i) {
    const DWORD style = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
    HWND button = CreateWindowExW(
        0, L"BUTTON", widen(types_[i].item).c_str(), style, frame.left + unit.left + (i / rows) * columnWidth,
        frame.top + unit.top + (i % rows) * unit.right, columnWidth - unit.left / 2, unit.bottom, hwnd(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(itemId(i))), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(button, WM_SETFONT, font, FALSE);
  }
}

int OutputPage::itemIndex() const {
  for (int i = 0; i < itemCount(); ++i)
    if (IsDlgButtonChecked(hwnd(), itemId(i)) == BST_CHECKED) return i;
  return -1;
}

void OutputPage::setItemIndex(int index) {
  for (int i = 0; i < itemCount(); ++i) CheckDlgButton(hwnd(), itemId(i), i == index ? BST_CHECKED : BST_UNCHECKED);
}

bool OutputPage::onCommand(int id, int code, HWND) {
  if (id < itemId(0) || id >= itemId(itemCount()) || code != BN_CLICKED) return false;
  if (onSelect_) onSelect_(id - itemId(0));
  return true;
}

}  // namespace marlisk::win
