// Standby output: the watch folder is listed twice, a wait apart; the files whose size held
// are converted by one viewer run and then deleted. It runs until the program is closed.
// Its parts: StandbyRun.cpp the cycle (its states, the wait, the viewer run), StandbyInputs.cpp
// the listings and what becomes of each input, and the source of its inputs (StandbySource.h):
// the watch folder, or the station on a shared watch folder (StationSource).
// start() and tick() are called on the window's thread; the listings and the conversion are
// steps its host runs (off that thread, for the main window), one at a time.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/RunHost.h"
#include "app/InputMoves.h"
#include "app/RunLog.h"
#include "app/ViewerLauncher.h"
#include "app/StandbySource.h"
#include "app/core/FileMoves.h"
#include "app/core/InputHandling.h"
#include "app/core/OutputOrigins.h"
#include "app/core/SaidOnce.h"
#include "app/core/Standby.h"
#include "win/Error.h"

namespace marlisk::win {

class StandbyRun final : private StandbyCycle {
 public:
  // Stopped: not begun, or ended. Listing: the first listing of a cycle is being taken.
  // Waiting: Timer1 counts the wait down. Converting: the second listing, the viewer run and
  // the deletion of what it converted. Held: paused, or outside the time window; Timer1 looks
  // each tick whether a cycle may begin.
  enum class State { Stopped, Listing, Waiting, Converting, Held };

  StandbyRun(AppContext& app, RunHost& host);
  // A station on a shared watch folder says it stopped and lets go of its lock.
  ~StandbyRun();

  // Begins the first cycle with the output table of `tab`, the tab in front as standby is
  // started (on the window's thread); false (and said) when that tab has no output type.
  bool start(OutputTab tab);
  // The handler of Timer1: counts down, or ends the cycle and begins the next.
  void tick();

  State state() const { return state_; }
  // Paused (from the menus, on the window's thread): the cycle under way finishes, and no
  // other begins until it is resumed.
  void setPaused(bool paused);
  bool paused() const { return paused_; }
  // Every row's error folder back into its watch folder, attempts begun anew (on the window's
  // thread): at once between cycles, or when the conversion under way is done.
  void sendBackErrorFiles();
  // The viewer of the cycle, which "終了" may end.
  ViewerStopper& viewer() { return viewer_; }
  // A listing or a conversion is under way: the window must outlive it.
  bool busy() const { return state_ == State::Listing || state_ == State::Converting; }
  int32_t countdown() const { return countdown_; }
  // On a shared watch folder: this station's name, and how many files it holds now.
  std::string stationName() const { return rows_.empty() ? std::string() : rows_.front().source->stationName(); }
  size_t heldCount() const { return rows_.empty() ? 0 : rows_.front().source->heldCount(); }

 private:
  using Handed = HandedInput;
  using Candidate = StandbyCandidate;
  // A watch folder as the run serves it: the row, where its inputs come from, and its first
  // listing of the cycle.
  struct Served {
    WatchRow row;
    std::unique_ptr<InputSource> source;
    std::vector<ListingEntry> first;
  };

  // What the settings are for the step about to begin: 運転設定 may change them meanwhile.
  void takeSettings();
  // Why no cycle may begin now ("" : it may): paused, or outside the time window.
  std::string holdReason() const;
  // Holds the run (the timer goes on) when a cycle may not begin; false when it may.
  bool holdIfDue();
  void sendBack();
  void beginCycle();
  // The steps: the first listing, and the rest of the cycle (which then lists again).
  void listFirst();
  void convert();
  // Converts what is ready now (`again`: at once after a full claim); true when a shared
  // station should claim again at once.
  bool convertReady(bool again);
  // Hands `toConvert` (of every row) to one viewer run and decides what becomes of each input.
  void convertThese(const std::vector<Candidate>& toConvert);
  void loadKept();
  // Lists a row's watch folder (the parameter file's row into a listing file of the working
  // folder); 0 or the I/O error.
  Win32Error takeListing(const Served& served, const char* fileName, std::vector<ListingEntry>& entries);
  // The files of `folder` (a subfolder of the row's, `relative` to it) and, as the row says, of
  // its subfolders.
  void listFolder(const Served& served, const std::string& relative, int depth, std::vector<FolderEntry>& files);
  // After the viewer run: each input is finished, kept for another attempt or moved to the
  // error folder, and logged. Says in `notConverted` (the tray's last problem) what became of
  // an input that was not converted; true when it went to the error folder.
  bool handle(const Handed& input, const ViewerResult& viewer, std::vector<std::string>& notConverted);
  // Deletes a converted input, or moves it where the settings say; false when it changed after
  // the second listing, or could not go.
  // Where it went, when it was moved into a folder, goes into the entry's detail.
  LogResult finish(const Handed& input, LogEntry& entry);
  bool unchanged(const Handed& input) const;
  // Anything at `path` now (a file or a folder).
  bool there(const std::string& path) const { return app_.fileSystem.facts(path).exists; }
  // The status line, with what the source adds (a station's name and what it holds).
  std::string status(const std::string& text) const;
  // Said once for each input, not at every cycle.
  void sayCannotMove(const std::string& path, int error);
  // Logs an input, but an input held again for the reason of its last line only once.
  void logOnce(const LogEntry& entry);
  // The shop's command for an input finished or sent to the error folder, within its time.
  void runAfterCommand(const Handed& input, LogResult result);
  void saveAttempts();
  void reportIoError(Win32Error error);

  // What the cycle does for its source.
  bool outputFolderUsable(const std::string& folder) override;
  bool retryRemoval(const std::string& path, const ListingEntry& listed) override;
  bool awaitingRemoval(const std::string& path) const override { return awaitingRemoval_.contains(path); }
  void finishWithoutConverting(const Handed& input) override;
  void forgetAwaitingRemoval() override { awaitingRemoval_.clear(); }

  AppContext& app_;
  RunHost& host_;
  std::atomic<State> state_{State::Stopped};
  std::atomic<int32_t> countdown_{0};
  std::atomic<bool> paused_{false};
  std::atomic<bool> sendBackAsked_{false};
  RunSettings run_;                     // the run settings as the current step began
  OutputTab tab_ = OutputTab::Output1;  // set by start() before any step: the run's whole life
  SaidOnce said_;                       // what was said once, and is said again only once it has passed and come back
  std::map<std::string, Handed> awaitingRemoval_;          // converted, but not yet deleted or moved
  std::unordered_map<std::string, LogResult> lastLogged_;  // what the log last said of a held input
  AttemptCounts attempts_;
  OutputOrigins origins_;
  ViewerStopper viewer_;
  RunLog log_;
  StandbyShared shared_;
  // Made by start() on the window's thread while no step runs; used by the steps only.
  std::vector<Served> rows_;
};

}  // namespace marlisk::win
