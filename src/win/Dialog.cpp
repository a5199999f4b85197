#include "win/Dialog.h"
#include "win/WindowCall.h"

#include "win/Controls.h"
#include "win/Guard.h"
#include "win/HelpHook.h"
#include "win/Strings.h"
#include "win/Warning.h"

namespace marlisk::win {

Dialog::~Dialog() { destroy(); }

HWND Dialog::create(HWND parent) {
  modal_ = false;
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent, dialogProc,
                            reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::showModal(HWND parent) {
  modal_ = true;
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent, dialogProc,
                         reinterpret_cast<LPARAM>(this));
}

void Dialog::destroy() {
  if (hwnd_ && !modal_) DestroyWindow(hwnd_);
}

void Dialog::close(INT_PTR result) {
  result_ = result;
  if (modal_)
    EndDialog(hwnd_, result);
  else
    DestroyWindow(hwnd_);
}

std::string Dialog::itemText(int id) const { return windowText(item(id)); }

void Dialog::setItemText(int id, const std::string& text) const { SetDlgItemTextW(hwnd_, id, widen(text).c_str()); }

INT_PTR CALLBACK Dialog::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Dialog*>(lParam);
    self->hwnd_ = window;
    SetWindowLongPtrW(window, DWLP_USER, lParam);
  }
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (!self) return FALSE;
  return guarded<INT_PTR>(FALSE, [&] { return self->dispatch(message, wParam, lParam); });
}

void Dialog::showHelpTopic() const {
  if (help_.topic != 0)
    requestHelp(HELP_CONTEXT, static_cast<DWORD_PTR>(help_.topic));
  else
    requestHelp(HELP_FINDER, 0);
}

void Dialog::onHelp(const HELPINFO* info) const {
  // Sent by another program without its record, the request can only be for the topic.
  if (!info) return showHelpTopic();
  const bool f1 = GetKeyState(VK_F1) < 0;
  const bool aboutControl = !f1 || GetKeyState(VK_SHIFT) < 0;
  const int popup =
      info->iContextType == HELPINFO_WINDOW && help_.controlText ? help_.controlText(help_.topic, info->iCtrlId) : 0;
  if (!aboutControl || popup == 0) return showHelpTopic();
  POINT at = info->MousePos;
  // From the keyboard the mouse may be anywhere: the text goes under the control.
  if (RECT control; f1 && GetWindowRect(static_cast<HWND>(info->hItemHandle), &control))
    at = {control.left, control.bottom};
  requestHelp(HELP_SETPOPUP_POS, MAKELONG(static_cast<WORD>(at.x), static_cast<WORD>(at.y)));
  requestHelp(HELP_CONTEXTPOPUP, static_cast<DWORD_PTR>(popup));
}

INT_PTR Dialog::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  if (LRESULT reflected = 0; reflector_.route(message, wParam, lParam, reflected)) {
    // A dialog procedure returns a colour message's brush itself, any other result through
    // DWLP_MSGRESULT.
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) return static_cast<INT_PTR>(reflected);
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, reflected);
    return TRUE;
  }
  if (LRESULT answer = 0; runSentCall(message, lParam, answer)) {
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, answer);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG: onInitDialog(); return TRUE;
    case WM_HELP:
      // A tab page's help is its window's: the default handling passes it to the parent.
      if (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD) return FALSE;
      if (helpAvailable()) onHelp(reinterpret_cast<const HELPINFO*>(lParam));
      return TRUE;
    case WM_COMMAND: return onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_NCDESTROY:
      onDestroy();
      SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
      hwnd_ = nullptr;
      return FALSE;
    default: {
      bool handled = false;
      const INT_PTR result = onMessage(message, wParam, lParam, handled);
      if (handled) SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
      return handled ? TRUE : FALSE;
    }
  }
}

}  // namespace marlisk::win
