// Where standby's inputs come from. The cycle (StandbyRun) lists the watch folder twice, a
// wait apart, runs the viewer and decides what becomes of each input; a source says which of
// the files ready this cycle are this PC's to convert, holds them meanwhile, and names their
// outputs. `WatchFolderSource` is a folder this PC alone serves; `StationSource` a folder it
// shares with other PCs. A source lives as long as the run and is called on the run's thread
// only, one step at a time.
#pragma once

#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/RunHost.h"
#include "app/RunLog.h"
#include "app/ViewerBatch.h"
#include "app/core/InputHandling.h"
#include "app/core/OutputOrigins.h"
#include "app/core/SaidOnce.h"
#include "app/core/Standby.h"
#include "app/core/WatchRows.h"
#include "core/FileSystem.h"

namespace marlisk::win {

// A file ready for the viewer: in the watch folder, or in a station's claim folder.
struct StandbyCandidate {
  size_t row = 0;  // of the run's watch folders
  std::string path;
  ListingEntry listed;
  bool resumed = false;  // left in the claim folder by this station's last life
};

// An input as it was handed to the viewer: its path, the output its line named, and what
// the second listing saw.
struct HandedInput {
  size_t row = 0;
  std::string path;
  std::string output;
  ListingEntry listed;
  OutputFacts outputBefore = {};  // what was at the output path before the run
  std::string renamedFrom;        // the input's own output name, when that was another's
  bool resumed = false;           // left in the claim folder by this station's last life
  bool made = false;              // the viewer made its output
  bool recorded = false;          // (shared) its output's record was made for this run
};

// What the cycle and its source share for a run.
struct StandbyShared {
  AppContext& app;
  RunHost& host;
  RunLog& log;
  SaidOnce& said;
  AttemptCounts& attempts;
  OutputOrigins& origins;
  const RunSettings& run;  // as the current step began
};

// What the cycle does for its source.
class StandbyCycle {
 public:
  // The output folder is there and can be written; said once when not.
  virtual bool outputFolderUsable(const std::string& folder) = 0;
  // An input converted earlier that could not be deleted or moved: the removal is tried again
  // (true). False when it is not such an input (or is one no longer): it goes to the viewer.
  virtual bool retryRemoval(const std::string& path, const ListingEntry& listed) = 0;
  virtual bool awaitingRemoval(const std::string& path) const = 0;
  // An input whose output was made and checked before the run ended: only the input goes.
  virtual void finishWithoutConverting(const HandedInput& input) = 0;
  // The inputs awaiting removal are no longer this run's (another station put them back).
  virtual void forgetAwaitingRemoval() = 0;

 protected:
  ~StandbyCycle() = default;
};

class InputSource {
 public:
  virtual ~InputSource() = default;

  // Once, as the run begins. Refused: standby stops (said). NotYet: it goes on and tries
  // again at the next cycle.
  enum class Start { Ok, Refused, NotYet };
  virtual Start begin() { return Start::Ok; }
  // A source shared with other PCs lists sharing deleting: a PC that only lists must not make
  // another's claim fail.
  virtual bool shared() const { return false; }
  // The files ready at this comparison (`again`: at once after a full claim), before they are
  // written to the ready list.
  virtual void settle(std::vector<ReadyFile>& /*ready*/, const std::vector<ListingEntry>& /*listing*/, bool /*again*/) {
  }
  // Of the ready files, those to convert now, into `toConvert`; false when nothing may be
  // converted this cycle. `claimAgain`: more were ready than this PC took, and it takes its
  // next share at once.
  virtual bool take(const std::vector<ReadyFile>& ready, const std::vector<ListingEntry>& listing,
                    std::vector<StandbyCandidate>& toConvert, bool& claimAgain) = 0;
  // The output `input` gets in `batch`; `recorded` when a record was made for it now.
  virtual OutputChoice chooseOutput(ViewerBatch& batch, const StandbyCandidate& input, const std::string& wanted,
                                    bool& recorded) = 0;
  // The viewer is about to have `handed`: the time the outputs are compared with (the
  // server's clock), 0 for this PC's own.
  virtual uint64_t viewerStarts(const std::vector<HandedInput>& /*handed*/) { return 0; }
  // Its outputs were checked; false when the inputs are no longer this run's to finish.
  virtual bool viewerEnded(const std::vector<HandedInput>& /*handed*/) { return true; }
  // The viewer made no output for `input`: a name it took is free again.
  virtual void outputNotMade(const HandedInput& /*input*/) {}
  // The cycle is done with `input` for now (finished, kept, or moved away).
  virtual void handled(const HandedInput& /*input*/) {}
  // The open that keeps a held input as it was listed (none for a plain watch folder); let
  // go before the input is deleted or moved, which it forbids.
  virtual OpenFile* sealOf(const std::string& /*path*/) { return nullptr; }
  virtual void unseal(const std::string& /*path*/) {}
  // Who an input is to the record of outputs: a claimed file is the watch folder's drawing.
  virtual std::string originOf(const std::string& path) const { return path; }
  // The status line, with what the source adds to it.
  virtual std::string status(const std::string& text) const { return text; }
  virtual std::string stationName() const { return {}; }
  virtual size_t heldCount() const { return 0; }
};

// A watch folder this PC alone serves: every ready file is converted.
class WatchFolderSource final : public InputSource {
 public:
  WatchFolderSource(StandbyShared& shared, StandbyCycle& cycle, const WatchRow& row, size_t index)
      : shared_(shared), cycle_(cycle), row_(row), index_(index) {}
  bool take(const std::vector<ReadyFile>& ready, const std::vector<ListingEntry>& listing,
            std::vector<StandbyCandidate>& toConvert, bool& claimAgain) override;
  OutputChoice chooseOutput(ViewerBatch& batch, const StandbyCandidate& input, const std::string& wanted,
                            bool& recorded) override;

 private:
  StandbyShared& shared_;
  StandbyCycle& cycle_;
  const WatchRow& row_;
  size_t index_;
};

}  // namespace marlisk::win
