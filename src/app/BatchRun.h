// Batch output: every file of the batch list, converted by one run of the viewer.
#pragma once

#include "app/AppContext.h"
#include "app/RunHost.h"
#include "app/RunLog.h"

namespace marlisk::win {

class BatchRun {
 public:
  enum class State { Idle, Listing, Converting };
  // How a run ended. Refused: nothing was written, the controls are back and the program
  // stays for the user. Failed: the command file is not whole, nothing was converted, and
  // the run ends as every batch run ends, with the program; so does a viewer that could not
  // be started. Converted: the viewer had every listed file and has ended (and, with the
  // output check, every output is there). Incomplete: it has ended, but some listed files
  // were missing or produced nothing.
  enum class Outcome { Refused, Failed, Converted, Incomplete };

  BatchRun(AppContext& app, RunHost& host);

  // Runs the whole batch, letting the window run meanwhile; returns when the viewer ended.
  Outcome run();
  State state() const { return state_; }

 private:
  Outcome refuse(const std::string& message);

  AppContext& app_;
  RunHost& host_;
  State state_ = State::Idle;
  RunLog log_;
};

}  // namespace marlisk::win
