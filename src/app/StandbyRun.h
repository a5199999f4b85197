// Standby output: the watch folder is listed twice, a wait apart; the files whose size held
// are converted by one viewer run and then deleted. It runs until the program is closed.
// Its parts: StandbyRun.cpp the cycle (its states, the wait, the viewer run), StandbyInputs.cpp
// the listings and what becomes of each input, StandbyStation.cpp the station on a shared
// watch folder (claims, seals, cards, takeover, restart).
// start() and tick() are called on the window's thread; the listings and the conversion are
// steps its host runs (off that thread, for the main window), one at a time.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/RunHost.h"
#include "app/InputMoves.h"
#include "app/RunLog.h"
#include "app/ViewerLauncher.h"
#include "app/core/FileMoves.h"
#include "app/core/InputHandling.h"
#include "app/core/OutputOrigins.h"
#include "app/core/SaidOnce.h"
#include "app/core/Standby.h"
#include "app/core/Station.h"
#include "win/Error.h"

namespace marlisk::win {

class StandbyRun {
 public:
  // Stopped: not begun, or ended. Listing: the first listing of a cycle is being taken.
  // Waiting: Timer1 counts the wait down. Converting: the second listing, the viewer run and
  // the deletion of what it converted.
  enum class State { Stopped, Listing, Waiting, Converting };

  StandbyRun(AppContext& app, RunHost& host);
  // A station on a shared watch folder says it stopped and lets go of its lock.
  ~StandbyRun();

  // Begins the first cycle with the output table of `tab`, the tab in front as standby is
  // started (on the window's thread); false (and said) when that tab has no output type.
  bool start(OutputTab tab);
  // The handler of Timer1: counts down, or ends the cycle and begins the next.
  void tick();

  State state() const { return state_; }
  // The viewer of the cycle, which "終了" may end.
  ViewerStopper& viewer() { return viewer_; }
  // A listing or a conversion is under way: the window must outlive it.
  bool busy() const { return state_ == State::Listing || state_ == State::Converting; }
  int32_t countdown() const { return countdown_; }
  // On a shared watch folder: this station's name, and how many files it holds now.
  std::string stationName() const { return shared_ ? station_.name() : std::string(); }
  size_t heldCount() const { return heldCount_; }

 private:
  // An input as it was handed to the viewer: its path, the output its line named, and what
  // the second listing saw.
  struct Handed {
    std::string path;
    std::string output;
    ListingEntry listed;
    OutputFacts outputBefore = {};  // what was at the output path before the run
    std::string renamedFrom;        // the input's own output name, when that was another's
    bool resumed = false;           // left in the claim folder by this station's last life
    bool made = false;              // the viewer made its output
    bool recorded = false;          // (shared) its output's record was made for this run
  };
  // A file ready for the viewer: in the watch folder, or (shared) in this station's claim folder.
  struct Candidate {
    std::string path;
    ListingEntry listed;
    bool resumed = false;
  };
  // A file this station claimed: sealed while it holds it (unsealed while someone else still
  // has it open), and what it was when it was claimed.
  struct Held {
    ListingEntry listed;
    OpenFilePtr seal;
    bool resumed = false;
  };

  // What the settings are for the step about to begin: 運転設定 may change them meanwhile.
  void takeSettings();
  void beginCycle();
  // The steps: the first listing, and the rest of the cycle (which then lists again).
  void listFirst();
  void convert();
  // Converts what is ready now (`again`: at once after a full claim); true when a shared
  // station should claim again at once.
  bool convertReady(bool again);
  void loadKept();
  // Lists the watch folder into a listing file of the working folder; 0 or the I/O error.
  Win32Error takeListing(const char* fileName, std::vector<ListingEntry>& entries);
  // After the viewer run: each input is finished, kept for another attempt or moved to the
  // error folder, and logged. Returns whether it went to the error folder.
  // Says in `notConverted` (the tray's last problem) what became of an input that was not
  // converted; true when it went to the error folder.
  bool handle(const Handed& input, const ViewerResult& viewer, std::vector<std::string>& notConverted);
  // Deletes a converted input, or moves it where the settings say; false when it changed after
  // the second listing, or could not go.
  // Where it went, when it was moved into a folder, goes into the entry's detail.
  LogResult finish(const Handed& input, LogEntry& entry);
  bool unchanged(const Handed& input) const;
  // Anything at `path` now (a file or a folder).
  bool there(const std::string& path) const { return app_.fileSystem.facts(path).exists; }
  // Lets go of a claimed file's seal before it is deleted or moved (the seal forbids both).
  void unseal(const std::string& path);
  // The status line, with the station and what it holds when the watch folder is shared.
  std::string status(const std::string& text) const;

  // A shared watch folder: the station begins (or is refused, and said why), finishes what its
  // last life left, claims its share of the ready files, and looks at the other stations.
  // Refused: standby stops. NotYet: it goes on and tries again at the next cycle.
  enum class StationStart { Ok, Refused, NotYet };
  StationStart beginStation();
  // Who an input is to the record of outputs: a claimed file is the watch folder's drawing.
  std::string originOf(const std::string& path) const;
  void recoverClaims();
  // Claims this station's share; true when the claim was full and more files were ready.
  bool claimReady(const std::vector<ReadyFile>& ready, const std::vector<ListingEntry>& listing);
  void lookAtOthers();
  // Nobody else took this station's files while it was away; otherwise it lets go of all it
  // held, deletes nothing, and begins again.
  bool stillOurs();
  void takeHeld(std::vector<Candidate>& candidates);
  // What the other stations' records say of `wanted` and the numbered names after it.
  void learnOutputs(const std::string& wanted, FolderListing& outputFolder);
  // Said once for each input, not at every cycle.
  void sayCannotMove(const std::string& path, int error);
  // Logs an input, but an input held again for the reason of its last line only once.
  void logOnce(const LogEntry& entry);
  // An input converted earlier that could not be deleted or moved: the move is tried again.
  // False when it is not such an input (or is one no longer): it goes to the viewer.
  bool retryRemoval(const std::string& path, const ListingEntry& listed);
  // The output folder is there and can be written; said once when not.
  bool outputFolderUsable();
  void saveAttempts();
  void reportIoError(Win32Error error);

  AppContext& app_;
  RunHost& host_;
  std::atomic<State> state_{State::Stopped};
  std::atomic<int32_t> countdown_{0};
  RunSettings run_;  // the run settings as the current step began
  OutputTab tab_ = OutputTab::Output1;  // set by start() before any step: the run's whole life
  std::vector<ListingEntry> firstListing_;
  std::unordered_set<std::string> settled_;  // names ready at the last comparison
  SaidOnce said_;  // what was said once, and is said again only once it has passed and come back
  std::map<std::string, Handed> awaitingRemoval_;          // converted, but not yet deleted or moved
  std::unordered_map<std::string, LogResult> lastLogged_;  // what the log last said of a held input
  AttemptCounts attempts_;
  OutputOrigins origins_;
  ViewerStopper viewer_;
  RunLog log_;
  bool shared_ = false;  // the watch folder is shared with other stations, for this whole run
  Station station_;
  OutputRecords records_;
  uint64_t serverNow_ = 0;            // the server's time at this station's last beat
  std::map<std::string, Held> held_;  // by claimed path
  std::atomic<size_t> heldCount_{0};
  Liveness liveness_;
  bool stationBegun_ = false;         // this run's station has begun (its lock is held)
};

}  // namespace marlisk::win
