// Batch output: every file of the batch list, converted by one run of the viewer.
#pragma once

#include "app/AppContext.h"
#include "app/RunHost.h"
#include "app/RunLog.h"
#include "app/ViewerLauncher.h"

namespace marlisk::win {

class BatchRun {
 public:
  // How a run ended. Refused: nothing was written, the controls are back and the program
  // stays for the user. Failed: the command file is not whole, nothing was converted, and
  // the run ends as every batch run ends, with the program; so does a viewer that could not
  // be started. Converted: the viewer had every listed file and has ended (and, with the
  // output check, every output is there). Incomplete: it has ended, but some listed files
  // were missing or produced nothing.
  enum class Outcome { Refused, Failed, Converted, Incomplete };

  BatchRun(AppContext& app, RunHost& host);

  // Runs the whole batch with these run settings and the output table of this tab (both as
  // they were when it was started); returns when the viewer ended. It blocks: the main window
  // runs it off its thread.
  Outcome run(const RunSettings& settings, OutputTab tab);
  // The viewer of the run, which "終了" may end.
  ViewerStopper& viewer() { return viewer_; }
  // Of the last run that reached the viewer: the inputs the list named (each once), how many
  // of them the viewer had, and how many were converted.
  size_t listed() const { return listed_; }
  size_t handed() const { return handed_; }  // given to the viewer
  size_t converted() const { return converted_; }

 private:
  Outcome refuse(const std::string& message);

  AppContext& app_;
  RunHost& host_;
  RunSettings run_;
  size_t listed_ = 0, handed_ = 0, converted_ = 0;
  ViewerStopper viewer_;
  RunLog log_;
};

}  // namespace marlisk::win
