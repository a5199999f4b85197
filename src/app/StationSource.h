// Standby on a watch folder shared with other PCs: this PC is a station. It begins (its lock,
// its claim folder, its card), finishes what its last life left, claims its share of the
// ready files, seals what it holds, names outputs through the records every station sees, and
// puts back the files of a station that fell silent.
#pragma once

#include <atomic>
#include <map>
#include <unordered_set>

#include "app/StandbySource.h"
#include "app/core/Station.h"
#include "app/core/Stations.h"

namespace marlisk::win {

class StationSource final : public InputSource {
 public:
  StationSource(StandbyShared& shared, StandbyCycle& cycle, const WatchRow& row, size_t index);
  // Says it stopped and lets go of its lock; the files it holds stay, for its next life.
  ~StationSource() override;

  Start begin() override;
  bool shared() const override { return true; }
  void settle(std::vector<ReadyFile>& ready, const std::vector<ListingEntry>& listing, bool again) override;
  bool take(const std::vector<ReadyFile>& ready, const std::vector<ListingEntry>& listing,
            std::vector<StandbyCandidate>& toConvert, bool& claimAgain) override;
  OutputChoice chooseOutput(ViewerBatch& batch, const StandbyCandidate& input, const std::string& wanted,
                            bool& recorded) override;
  uint64_t viewerStarts(const std::vector<HandedInput>& handed) override;
  bool viewerEnded(const std::vector<HandedInput>& handed) override;
  void outputNotMade(const HandedInput& input) override;
  void handled(const HandedInput& input) override;
  OpenFile* sealOf(const std::string& path) override;
  void unseal(const std::string& path) override;
  std::string originOf(const std::string& path) const override;
  std::string status(const std::string& text) const override;
  std::string stationName() const override { return station_.name(); }
  size_t heldCount() const override { return heldCount_; }

 private:
  // A file this station claimed: sealed while it holds it (unsealed while someone else still
  // has it open), and what it was when it was claimed.
  struct Held {
    ListingEntry listed;
    OpenFilePtr seal;
    bool resumed = false;
  };

  void recoverClaims();
  // Claims this station's share; true when the claim was full and more files were ready.
  bool claimReady(const std::vector<ReadyFile>& ready, const std::vector<ListingEntry>& listing);
  void lookAtOthers();
  // Nobody else took this station's files while it was away; otherwise it lets go of all it
  // held, deletes nothing, and begins again.
  bool stillOurs();
  void takeHeld(std::vector<StandbyCandidate>& candidates);
  // What the other stations' records say of `wanted` and the numbered names after it.
  void learnOutputs(const std::string& wanted, FolderListing& outputFolder);
  bool there(const std::string& path) const { return shared_.app.fileSystem.facts(path).exists; }

  StandbyShared& shared_;
  StandbyCycle& cycle_;
  const WatchRow& row_;  // the run's, as long as the run
  size_t index_;
  Station station_;
  OutputRecords records_;
  bool begun_ = false;                       // its lock is held
  uint64_t serverNow_ = 0;                   // the server's time at this station's last beat
  std::map<std::string, Held> held_;         // by claimed path
  std::atomic<size_t> heldCount_{0};         // read by the window for the status line
  std::unordered_set<std::string> settled_;  // names ready at the last comparison
  Liveness liveness_;
};

}  // namespace marlisk::win
