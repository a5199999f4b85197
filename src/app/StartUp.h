// The program's start, once the main window is first shown: the run settings, the working
// folder and its parameter file, the command line. Its stage is explicit, so that however
// often the window is shown, the start runs once and from the message loop.
#pragma once

#include <string>

#include "app/AppContext.h"
#include "app/core/ProgramStart.h"
#include "core/WarningSink.h"

namespace marlisk::win {

class StartUp {
 public:
  // The exit code of a batch run that could not begin.
  static constexpr int kExitRunNotStarted = 2;
  // Waiting: the window has not been shown. Posted: it has, and the start waits in the
  // message queue. Done: it has run (or the program is ending because of it).
  enum class Stage { Waiting, Posted, Done };
  // What to do next.
  struct Result {
    bool proceed = false;  // false: the program ends now, with `exitCode`
    int exitCode = 0;
    StartRequest request;
  };

  // `keep` takes what a start nobody watches must not show in a box (the log, the tray).
  StartUp(AppContext& app, WarningSink keep) : app_(app), keep_(std::move(keep)) {}

  // The window has been shown: true the first time only, when the caller posts the start.
  bool shown();
  // Runs the start unless it has run; `bundledConverter` is the converter offered when the
  // viewer is missing ("" for none).
  Result run(const std::string& bundledConverter);
  Stage stage() const { return stage_; }
  // Started by a switch with unattended mode on: nobody may be asked anything.
  bool unattended() const { return unattended_; }
  // Started by a standby switch: what the start keeps belongs to the standby log.
  bool standbyRequested() const { return standby_; }

 private:
  void say(const std::string& text) const;

  AppContext& app_;
  WarningSink keep_;
  Stage stage_ = Stage::Waiting;
  bool unattended_ = false;
  bool standby_ = false;
};

}  // namespace marlisk::win
