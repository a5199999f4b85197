#include "app/RunMessages.h"

#include "win/Warning.h"

namespace marlisk::win {

RunMessages::RunMessages(AppContext& app, TrayPresence& tray)
    : app_(app),
      tray_(tray),
      log_(app.fileSystem, app.settings.WorkFolder, app.runSettings, [this](const std::string& text) {
        // The log itself failed: unattended, the balloon is all that is left.
        if (unattended())
          tray_.balloon(text);
        else
          ShowWarning(text);
      }) {}

void RunMessages::keep(const std::string& text, bool standby) {
  if (!repeats_.allow(text, GetTickCount64())) return tray_.keepProblem(text);
  log_.message(standby, text);
  tray_.problem(text);
}

void RunMessages::warn(const std::string& text, bool standby) {
  if (unattended()) return keep(text, standby);
  ShowWarning(text);
  // Shown, and logged after: a log on the same failing disk is news only after the news.
  log_.message(standby, text);
}

bool RunMessages::ask(const std::string& text, bool standby) {
  if (unattended()) {
    keep(text, standby);
    return true;
  }
  const bool yes = AskYesNo(text);
  log_.message(standby, text);
  return yes;
}

}  // namespace marlisk::win
