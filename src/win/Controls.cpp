#include "win/Controls.h"

#include <commctrl.h>

#include <algorithm>

#include "win/Strings.h"

namespace marlisk::win {

void fitHorizontalExtent(HWND listBox) {
  HDC dc = GetDC(listBox);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(listBox, WM_GETFONT, 0, 0)));
  int widest = 0;
  const int count = static_cast<int>(SendMessageW(listBox, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::wstring text(static_cast<size_t>(SendMessageW(listBox, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    const int length = static_cast<int>(SendMessageW(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data())));
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.data(), std::max(length, 0), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
  }
  SelectObject(dc, oldFont);
  ReleaseDC(listBox, dc);
  SendMessageW(listBox, LB_SETHORIZONTALEXTENT, widest, 0);
}

void setProgramIcon(HWND form, int iconId) {
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId));
  SendMessageW(form, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void addTabs(HWND tabControl, std::initializer_list<const char*> captions) {
  int index = 0;
  for (const char* caption : captions) {
    std::wstring text = widen(caption);
    TCITEMW tab = {TCIF_TEXT};
    tab.pszText = text.data();
    TabCtrl_InsertItem(tabControl, index++, &tab);
  }
}

int changedTab(const NMHDR* header, int tabId) {
  if (static_cast<int>(header->idFrom) != tabId || header->code != TCN_SELCHANGE) return -1;
  return TabCtrl_GetCurSel(header->hwndFrom);
}

void setButtonIcon(HWND button, int iconId) {
  const auto icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

void placeUnderItsPage(HWND tabControl, HWND lastOfPage) {
  SetWindowPos(tabControl, lastOfPage, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

std::string treeItemText(HWND tree, HTREEITEM item) {
  wchar_t buffer[MAX_PATH] = {};
  TVITEMW data = {TVIF_TEXT};
  data.hItem = item;
  data.pszText = buffer;
  data.cchTextMax = MAX_PATH;
  TreeView_GetItem(tree, &data);
  return narrow(buffer);
}

}  // namespace marlisk::win
