#include "app/TrayIcon.h"

#include <shellapi.h>

#include <cwchar>

#include "win/Strings.h"

namespace marlisk::win {

namespace {

constexpr UINT kIconId = 1;

// Copies into a fixed field of the structure, cut to fit.
template <size_t N>
void copyInto(wchar_t (&field)[N], const std::string& text) {
  std::wcsncpy(field, widen(text).c_str(), N - 1);
  field[N - 1] = L'\0';
}

}  // namespace

UINT TrayIcon::taskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

NOTIFYICONDATAW TrayIcon::data(UINT flags) const {
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = owner_;
  data.uID = kIconId;
  data.uFlags = flags;
  data.uCallbackMessage = kMessage;
  data.hIcon = icon_;
  copyInto(data.szTip, tip_);
  return data;
}

bool TrayIcon::show(HWND owner, HICON icon, const std::string& tip) {
  const bool adding = owner_ == nullptr;
  owner_ = owner;
  icon_ = icon;
  tip_ = tip;
  NOTIFYICONDATAW icon_data = data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  if (Shell_NotifyIconW(adding ? NIM_ADD : NIM_MODIFY, &icon_data)) return true;
  if (adding) owner_ = nullptr;
  return false;
}

void TrayIcon::hide() {
  if (!owner_) return;
  NOTIFYICONDATAW icon_data = data(0);
  Shell_NotifyIconW(NIM_DELETE, &icon_data);
  owner_ = nullptr;
}

bool TrayIcon::balloon(const std::string& title, const std::string& text) {
  if (!owner_) return false;
  NOTIFYICONDATAW icon_data = data(NIF_INFO);
  copyInto(icon_data.szInfoTitle, title);
  copyInto(icon_data.szInfo, text);
  icon_data.dwInfoFlags = NIIF_WARNING;
  return Shell_NotifyIconW(NIM_MODIFY, &icon_data) != FALSE;
}

void TrayIcon::restore() {
  if (!owner_) return;
  NOTIFYICONDATAW icon_data = data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  // A new Explorer has none of it; one that only said it started may still have it.
  if (!Shell_NotifyIconW(NIM_ADD, &icon_data) && !Shell_NotifyIconW(NIM_MODIFY, &icon_data)) owner_ = nullptr;
}

}  // namespace marlisk::win
