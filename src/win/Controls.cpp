#include "win/Controls.h"

#include <commctrl.h>

#include <algorithm>

#include "win/Strings.h"
#include "win/Tooltip.h"

namespace marlisk::win {

std::string windowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return narrow(text);
}

void fitClientToPixels(HWND dialog, int width, int height) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  const int wanted[2] = {MulDiv(width, dpi, 96), MulDiv(height, dpi, 96)};
  RECT client;
  GetClientRect(dialog, &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  const auto scaleX = [&](LONG x) { return static_cast<int>(MulDiv(x, wanted[0], client.right)); };
  const auto scaleY = [&](LONG y) { return static_cast<int>(MulDiv(y, wanted[1], client.bottom)); };
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    // A combo box's height in its template is that of its open list, which its window rect
    // does not show; its closed height follows its font by itself.
    int childHeight = scaleY(r.bottom) - scaleY(r.top);
    if (lstrcmpiW(className, L"ComboBox") == 0) {
      RECT dropped;
      SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
      childHeight = scaleY(dropped.bottom - dropped.top);
    }
    SetWindowPos(child, nullptr, scaleX(r.left), scaleY(r.top), scaleX(r.right) - scaleX(r.left), childHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT frame = {0, 0, wanted[0], wanted[1]};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  const int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
  // Centred on the screen, as the template asks.
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(dialog, nullptr, work.left + (work.right - work.left - frameWidth) / 2,
               work.top + (work.bottom - work.top - frameHeight) / 2, frameWidth, frameHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

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

std::string resourceString(int id) {
  // Asked for no buffer, LoadString points into the resource itself: any length fits.
  const wchar_t* text = nullptr;
  const int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text ? narrow(std::wstring(text, static_cast<size_t>(length))) : std::string();
}

void setProgramIcon(HWND form, int iconId) {
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId));
  SendMessageW(form, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageW(form, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void setUpFolderButton(HWND form, HWND button, int iconId, int hintId) {
  addTooltip(form, button, resourceString(hintId));
  setButtonIcon(button, iconId);
}

void addTabs(HWND tabControl, std::initializer_list<std::string> captions) {
  int index = 0;
  for (const std::string& caption : captions) {
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
  const auto icon =
      static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

void placeUnderItsPage(HWND tabControl, HWND lastOfPage) {
  SetWindowPos(tabControl, lastOfPage, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void setReportRows(HWND listView, const std::vector<std::vector<std::string>>& rows) {
  ListView_DeleteAllItems(listView);
  for (size_t i = 0; i < rows.size(); ++i) {
    for (size_t column = 0; column < rows[i].size(); ++column) {
      std::wstring text = widen(rows[i][column]);
      if (column == 0) {
        LVITEMW row{LVIF_TEXT};
        row.iItem = static_cast<int>(i);
        row.pszText = text.data();
        ListView_InsertItem(listView, &row);
      } else {
        ListView_SetItemText(listView, static_cast<int>(i), static_cast<int>(column), text.data());
      }
    }
  }
}

}  // namespace marlisk::win
