#include "app/TrayPresence.h"

#include "core/Messages.h"
#include "win/Strings.h"

namespace marlisk::win {

void TrayPresence::standbyRunning(bool running) {
  standby_ = running;
  update();
}

void TrayPresence::setStatus(const std::string& text) {
  status_ = text;
  if (icon_.shown()) update();
}

void TrayPresence::problem(const std::string& text) {
  keepProblem(text);
  icon_.balloon("MarliskAuto", text);
}

void TrayPresence::keepProblem(const std::string& text) {
  lastProblem_ = text;
  update();
}

void TrayPresence::update() {
  if (!inTray_ && !standby_) {
    icon_.hide();
    return;
  }
  std::string tip = status_.empty() ? std::string("MarliskAuto") : status_;
  if (converting_ > 0 && status_ == kOutputtingStatus) tip += " " + std::to_string(converting_) + " ファイル";
  if (!lastProblem_.empty()) tip += "\n" + lastProblem_;
  icon_.show(window_, reinterpret_cast<HICON>(SendMessageW(window_, WM_GETICON, ICON_SMALL, 0)), tip);
}

void TrayPresence::minimize() {
  inTray_ = true;
  update();
  if (!icon_.shown()) {  // no notification area to go to: the taskbar it is
    inTray_ = false;
    ShowWindow(window_, SW_MINIMIZE);
    return;
  }
  ShowWindow(window_, SW_HIDE);
}

void TrayPresence::restore() {
  inTray_ = false;
  ShowWindow(window_, SW_SHOW);
  ShowWindow(window_, SW_RESTORE);
  SetForegroundWindow(window_);
  update();
}

TrayPresence::Choice TrayPresence::menu(const MenuTexts& texts) {
  HMENU menu = CreatePopupMenu();
  auto item = [&](Choice choice, const std::string& text) {
    if (!text.empty()) AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(choice), widen(text).c_str());
  };
  item(Choice::Show, texts.show);
  item(Choice::ShowLog, texts.showLog);
  if (!texts.pause.empty() || !texts.sendBack.empty()) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  item(Choice::Pause, texts.pause);
  item(Choice::SendBack, texts.sendBack);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  item(Choice::Exit, texts.exit);
  SetMenuDefaultItem(menu, static_cast<UINT>(Choice::Show), FALSE);
  POINT at;
  GetCursorPos(&at);
  // The menu closes when the user clicks elsewhere only if the window is in front.
  SetForegroundWindow(window_);
  const int chosen =
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
  DestroyMenu(menu);
  PostMessageW(window_, WM_NULL, 0, 0);
  return chosen >= 1 && chosen <= static_cast<int>(Choice::SendBack) ? static_cast<Choice>(chosen) : Choice::None;
}

}  // namespace marlisk::win
