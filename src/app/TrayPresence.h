// Where the program shows itself while nobody looks at its window: the icon in the
// notification area, whose tip is the status line, the files being converted and the last
// problem, and the window hidden there in place of the taskbar. It is owned apart from the main
// window, which only tells it what happens, as Windows Terminal keeps its notification icon.
#pragma once

#include <windows.h>

#include <string>

#include "app/TrayIcon.h"

namespace marlisk::win {

class TrayPresence {
 public:
  // What the icon's menu asked for.
  enum class Choice { None, Show, ShowLog, Exit, Pause, SendBack };
  // The menu's items; an empty text leaves its item out.
  struct MenuTexts {
    std::string show, showLog, exit;
    std::string pause;     // "一時停止" or "再開", while standby runs
    std::string sendBack;  // the error folders' files back to their watch folders
  };

  // The window the icon belongs to and hides; given once it exists.
  void attach(HWND window) { window_ = window; }

  // The icon shows while standby runs or the window is in the notification area.
  void standbyRunning(bool running);
  void setStatus(const std::string& text);
  // How many files the viewer has now (the tip says so while outputting).
  void setConverting(size_t count) { converting_ = count; }
  // A problem worth a balloon; the tip keeps the last one.
  void problem(const std::string& text);
  // The last problem goes into the tip without a balloon (one said too often to show again).
  void keepProblem(const std::string& text);
  // A balloon alone, for a text the tip need not keep.
  void balloon(const std::string& text) { icon_.balloon("MarliskAuto", text); }

  // Hides the window into the notification area; where there is none, minimises it to the
  // taskbar instead.
  void minimize();
  // Brings the window back and to the front.
  void restore();
  // The icon's menu, at the mouse.
  Choice menu(const MenuTexts& texts);
  // Explorer started again and forgot every icon.
  void explorerRestarted() { icon_.restore(); }
  void hide() { icon_.hide(); }

  const TrayIcon& icon() const { return icon_; }

 private:
  void update();

  HWND window_ = nullptr;
  TrayIcon icon_;
  bool standby_ = false;
  bool inTray_ = false;
  std::string status_, lastProblem_;
  size_t converting_ = 0;
};

}  // namespace marlisk::win
