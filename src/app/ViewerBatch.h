// One viewer run over a set of inputs, the pipeline batch and standby output share: each
// input's output named (never another drawing's: a free name instead, and on a shared folder
// one another station has not taken), its line in the command file, the viewer run with its
// time limit, and afterwards which outputs the run made. Where the inputs come from and what
// becomes of them is the runs' own.
#pragma once

#include <functional>
#include <string>
#include <unordered_set>

#include "app/AppContext.h"
#include "app/InputMoves.h"
#include "app/ViewerLauncher.h"
#include "app/core/OutputOrigins.h"
#include "app/core/OutputTypes.h"
#include "win/Error.h"
#include "win/TextFiles.h"

namespace marlisk::win {

class ViewerBatch {
 public:
  // The command file is made (emptied) at once; error() says whether it could be.
  ViewerBatch(AppContext& app, OutputTab tab, int typeIndex, const OutputType& type, const OutputOrigins& origins,
              size_t expectedInputs = 0);
  // A batch whose lines each say their own type (standby serving several watch folders).
  ViewerBatch(AppContext& app, const OutputOrigins& origins);

  Win32Error error() const { return commands_.error(); }
  // The output folder's name for `input`, before any other drawing is considered.
  std::string wantedOutput(const std::string& input) const;
  // The output an input wanting `wanted` gets, `origin` being the drawing it is to the record
  // of outputs (a claimed file is its watch folder's drawing). On a shared folder `learn`
  // first reads what the other stations have made (it may add to the record), and `accept`
  // may turn a free name down (another station took it first): up to 16 names are tried. An
  // empty path when none is left. `before` is what the output folder held there before the run.
  OutputChoice chooseOutput(const std::string& wanted, const std::string& origin,
                            const std::function<void(FolderListing& outputFolder)>& learn = {},
                            const std::function<bool(const std::string& output)>& accept = {});
  // The input's line in the command file; false, and nothing written, when the system's code
  // page cannot hold it.
  bool addLine(const std::string& input, const std::string& output);
  bool addLine(OutputTab tab, int typeIndex, const std::string& input, const std::string& output);
  // The command file whole, or the first error of its life: an incomplete file would convert
  // less than the run was given.
  Win32Error closeCommands() { return commands_.close(); }
  // The viewer on the command file, ended at the run settings' time limit or by `stopper`.
  ViewerResult runViewer(const RunSettings& run, ViewerStopper* stopper) const;

 private:
  AppContext& app_;
  OutputTab tab_;
  int typeIndex_;
  std::string extension_;
  const OutputOrigins& origins_;
  BufferedFileWriter commands_;
  std::unordered_set<std::string> given_;  // outputs given out in this run, folded
  FolderListing outputFolder_;             // what is there before the run
};

}  // namespace marlisk::win
