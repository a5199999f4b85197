// What the tests read of the controls: a tree item's text, the hint a control shows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>

#include "win/Strings.h"

namespace marlisk::test {

inline std::string treeItemText(HWND tree, HTREEITEM item) {
  wchar_t buffer[MAX_PATH] = {};
  TVITEMW data = {TVIF_TEXT};
  data.hItem = item;
  data.pszText = buffer;
  data.cchTextMax = MAX_PATH;
  TreeView_GetItem(tree, &data);
  return win::narrow(buffer);
}

// The hint a tooltip control of `owner`'s thread shows for `control`, or nothing.
inline std::optional<std::string> tooltipText(HWND owner, HWND control) {
  struct Search {
    HWND owner, control;
    std::optional<std::string> text;
  } search{owner, control, std::nullopt};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM context) -> BOOL {
        auto* s = reinterpret_cast<Search*>(context);
        wchar_t className[32] = {};
        GetClassNameW(window, className, 32);
        if (std::wstring(className) != TOOLTIPS_CLASSW || GetWindow(window, GW_OWNER) != s->owner) return TRUE;
        wchar_t text[256] = {};
        TTTOOLINFOW tool = {sizeof(tool)};
        tool.hwnd = s->owner;
        tool.uId = reinterpret_cast<UINT_PTR>(s->control);
        tool.lpszText = text;
        if (!SendMessageW(window, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool))) return TRUE;
        s->text = win::narrow(text);
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.text;
}

}  // namespace marlisk::test
