// The program's icon in the notification area, with its tip, its balloons and the message it
// sends its window (kMessage: the mouse on the icon). Explorer forgets every icon when it
// starts again: the window calls restore() when "TaskbarCreated" comes.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace marlisk::win {

class TrayIcon {
 public:
  static constexpr UINT kMessage = WM_APP + 20;

  TrayIcon() = default;
  ~TrayIcon() { hide(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Shows the icon (or changes its tip when it is shown); false when the shell refused.
  bool show(HWND owner, HICON icon, const std::string& tip);
  void hide();
  bool shown() const { return owner_ != nullptr; }
  // A balloon over the icon; nothing when it is not shown.
  bool balloon(const std::string& title, const std::string& text);
  // Puts the icon back after Explorer started again.
  void restore();
  const std::string& tip() const { return tip_; }

  // The message Explorer broadcasts when it (re)starts.
  static UINT taskbarCreatedMessage();

 private:
  NOTIFYICONDATAW data(UINT flags) const;

  HWND owner_ = nullptr;
  HICON icon_ = nullptr;
  std::string tip_;
};

}  // namespace marlisk::win
