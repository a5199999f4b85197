// Where the runs' words go: to a box for the person at the window, or, when nobody is to be
// asked (a run in unattended mode, however it was started; the start by a switch with that
// mode on), to the run log and the notification area instead, each text at most once an hour,
// so that nothing waits for a person.
#pragma once

#include <string>

#include "app/AppContext.h"
#include "app/RunLog.h"
#include "app/TrayPresence.h"
#include "app/core/InputHandling.h"

namespace marlisk::win {

class RunMessages {
 public:
  RunMessages(AppContext& app, TrayPresence& tray);

  // Decided once for each run as it starts, from the settings of that moment; a run that did
  // not start, or a batch refused, leaves nobody unattended.
  void runStarts() { run_ = app_.runSettings.Unattended; }
  void runEnds() { run_ = false; }
  // The start by a switch, with unattended mode on: nobody was there from the beginning.
  void startUnattended() { start_ = true; }
  bool unattended() const { return run_ || start_; }

  // A message of a standby run (`standby`) or a batch run: shown, then logged; or kept.
  void warn(const std::string& text, bool standby);
  // A question: unattended, nobody answers and it is only kept (true).
  bool ask(const std::string& text, bool standby);
  // Logged and put in the notification area in place of a box.
  void keep(const std::string& text, bool standby);
  // Logged only: the window and its tray are gone.
  void logOnly(const std::string& text, bool standby) { log_.message(standby, text); }
  std::string todayLogPath() const { return log_.todayPath(); }

 private:
  AppContext& app_;
  TrayPresence& tray_;
  RunLog log_;
  RepeatLimiter repeats_;
  bool run_ = false;
  bool start_ = false;
};

}  // namespace marlisk::win
