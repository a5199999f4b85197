#include "win/Dialog.h"

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

INT_PTR Dialog::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  if (LRESULT reflected = 0; reflector_.route(message, wParam, lParam, reflected)) {
    // A dialog procedure returns a colour message's brush itself, any other result through
    // DWLP_MSGRESULT.
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) return static_cast<INT_PTR>(reflected);
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, reflected);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG: onInitDialog(); return TRUE;
    case WM_HELP:
      if (!helpAvailable()) return TRUE;
      if (helpContext_ != 0)
        requestHelp(HELP_CONTEXT, static_cast<DWORD_PTR>(helpContext_));
      else
        requestHelp(HELP_FINDER, 0);
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
