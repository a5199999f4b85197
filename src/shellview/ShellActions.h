// TContextMenuEx and TDropSourceEx: the shell's own context menu for items, and a shell drag
// of items, as Explorer offers them.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace marlisk::win {

class TContextMenuEx {
 public:
  // Shows the shell's menu for `items` (relative to `parent`) at a screen point and carries
  // out what the user chooses. Returns false when the shell offers no menu for them.
  bool Show(HWND owner, IShellFolder* parent, POINT screen, const std::vector<PCUITEMID_CHILD>& items);
  // The menu's command texts (without accelerator marks), for a caller that lists them.
  static std::vector<std::string> Commands(HWND owner, IShellFolder* parent, const std::vector<PCUITEMID_CHILD>& items);
  // Carries out a command by its verb ("open", "delete", ...), as choosing it would.
  static bool Invoke(HWND owner, IShellFolder* parent, const std::vector<PCUITEMID_CHILD>& items, const char* verb);
};

class TDropSourceEx {
 public:
  // Starts a shell drag of `items` (relative to `parent`); returns once the drop or the
  // cancel has happened, with the effect that was done.
  DWORD StartDrag(HWND owner, IShellFolder* parent, const std::vector<PCUITEMID_CHILD>& items);
};

// The drop source's rule, apart for testing: Esc cancels, the released left button drops.
HRESULT dragContinues(BOOL escapePressed, DWORD keyState);

}  // namespace marlisk::win
