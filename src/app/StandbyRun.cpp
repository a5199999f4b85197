#include "app/StandbyRun.h"

#include <algorithm>

#include "app/core/ViewerCommandLine.h"
#include "app/InputMoves.h"
#include "app/ViewerLauncher.h"
#include "core/Path.h"
#include "settings/core/SettingsRules.h"
#include "win/MessagePump.h"
#include "win/TextFiles.h"
#include "core/Messages.h"
#include "app/StandbyFiles.h"
#include "app/ViewerBatch.h"
#include "app/StationSource.h"
#include "app/core/WatchRows.h"

namespace marlisk::win {

using namespace standby;

StandbyRun::StandbyRun(AppContext& app, RunHost& host)
    : app_(app),
      host_(host),
      log_(app.fileSystem, app.settings.WorkFolder, run_, [&host](const std::string& text) { host.warn(text); }),
      shared_{app, host, log_, said_, attempts_, origins_, run_} {}

StandbyRun::~StandbyRun() { rows_.clear(); }

void StandbyRun::saveAttempts() {
  attempts_.keepOnly([this](const std::string& path) { return there(path); });
  const std::string path = app_.settings.WorkFolder + "\\" + kAttemptsFileName;
  // Nothing to keep and nothing kept: no file to write.
  if (attempts_.empty() && !app_.fileSystem.fileExists(path)) return;
  reportIoError(Win32Error(static_cast<DWORD>(app_.fileSystem.replaceFile(path, attempts_.text()))));
}

void StandbyRun::reportIoError(Win32Error error) {
  if (error.failed()) host_.warn(ioErrorMessage(error.code()));
}

void StandbyRun::takeSettings() { run_ = app_.runSettings; }

void StandbyRun::loadKept() {
  const ReadResult kept = app_.fileSystem.readFile(app_.settings.WorkFolder + "\\" + kAttemptsFileName, 1u << 20);
  attempts_ = AttemptCounts::parse(kept.error == 0 ? kept.bytes : std::string());
  origins_ = loadOutputOrigins(app_.fileSystem, app_.settings.WorkFolder);
  log_.prune();
}

bool StandbyRun::start(OutputTab tab) {
  if (state_ != State::Stopped) return true;
  takeSettings();
  tab_ = tab;
  if (!buildViewerCommandLine(tab, chosenOutputType(app_.settings, tab), app_.settings.OutputFolder, "")) {
    host_.warn(kNoOutputTypeMessage);
    return false;
  }
  // The rows and their sources are the run's whole life: what is watched, and whether it is
  // shared, stays so until standby is started again.
  std::vector<WatchRow> rows = watchRows(app_.settings, run_, tab);
  if (const std::string conflict = rowsConflict(rows, run_); !conflict.empty()) {
    host_.warn(conflict);
    return false;
  }
  state_ = State::Listing;
  rows_.clear();
  rows_.reserve(rows.size());  // the sources hold their row by reference
  StandbyCycle& cycle = *this;
  for (WatchRow& row : rows) {
    Served& served = rows_.emplace_back();
    served.row = std::move(row);
    const size_t index = rows_.size() - 1;
    if (run_.SharedWatchFolder)
      served.source = std::make_unique<StationSource>(shared_, cycle, served.row, index);
    else
      served.source = std::make_unique<WatchFolderSource>(shared_, cycle, served.row, index);
  }
  host_.runStep([this] {
    loadKept();
    for (Served& served : rows_) {
      if (served.source->begin() == InputSource::Start::Refused) {
        state_ = State::Stopped;
        return;
      }
    }
    host_.setRunControlsEnabled(false);
    if (!holdIfDue()) listFirst();
  });
  return true;
}

void StandbyRun::beginCycle() {
  takeSettings();
  state_ = State::Listing;
  host_.runStep([this] { listFirst(); });
}

void StandbyRun::setPaused(bool paused) {
  paused_ = paused;
  if (state_ == State::Held && paused) host_.setStatus(status(kPausedStatus));
}

void StandbyRun::sendBackErrorFiles() {
  if (state_ == State::Stopped) return;
  if (busy()) {
    sendBackAsked_ = true;
    return;
  }
  host_.runStep([this] { sendBack(); });
}

void StandbyRun::sendBack() {
  std::vector<WatchRow> rows;
  for (const Served& served : rows_) rows.push_back(served.row);
  const SentBack back = sendBackErrorFolders(app_.fileSystem, rows, run_, attempts_);
  reportIoError(Win32Error(static_cast<DWORD>(back.error)));
  {
    RunLog::Batch lines(log_);
    for (const LogEntry& line : back.lines) log_.write(line);
  }
  saveAttempts();
  if (!back.stayed.empty()) host_.warn(sentBackStayedMessage(back.stayed));
}

std::string StandbyRun::holdReason() const {
  if (paused_) return kPausedStatus;
  const std::optional<TimeWindow> window = parseTimeWindow(run_.TimeWindow);
  if (!window || window->always) return {};
  SYSTEMTIME now;
  GetLocalTime(&now);
  return window->contains(now.wHour * 60 + now.wMinute) ? std::string() : outsideTimeWindowStatus(window->fromText());
}

bool StandbyRun::holdIfDue() {
  const std::string reason = holdReason();
  if (reason.empty()) return false;
  state_ = State::Held;
  host_.setStatus(status(reason));
  host_.startTimer();
  return true;
}

void StandbyRun::tick() {
  switch (state_) {
    case State::Stopped: beginCycle(); break;
    case State::Held:
      takeSettings();
      if (host_.stopRequested()) {
        host_.stopTimer();
        state_ = State::Stopped;
      } else if (!holdIfDue()) {
        beginCycle();
      }
      break;
    case State::Waiting:
      if (countdown_ > 0) {
        countdown_ -= 2;
        host_.setStatus(status(countdownText(countdown_)));
      } else {
        // A cycle under way finishes, paused or not, in its time window or not.
        takeSettings();
        state_ = State::Converting;
        host_.stopTimer();
        host_.runStep([this] { convert(); });
      }
      break;
    case State::Listing:
    case State::Converting: break;  // a tick that came while the window ran inside a cycle
  }
}

std::string StandbyRun::status(const std::string& text) const {
  return rows_.empty() ? text : rows_.front().source->status(text);
}

bool StandbyRun::outputFolderUsable(const std::string& folder) {
  const Win32Error error(static_cast<DWORD>(folderWritable(app_.fileSystem, folder)));
  const std::string about = said::kOutputFolderUnusable + folder;
  if (!error.failed()) {
    said_.clear(about);
    return true;
  }
  // As a missing watch folder: said once, nothing converted and nothing counted, and the
  // next cycle serves again once the folder is back.
  if (said_.first(about)) host_.warn(folder + kOutputFolderUnusableMessage + "\r\n" + ioErrorMessage(error.code()));
  return false;
}

void StandbyRun::listFirst() {
  countdown_ = app_.settings.WaitSeconds;
  host_.setStatus(status(countdownText(countdown_)));
  host_.setRunControlsEnabled(false);
  for (Served& served : rows_) reportIoError(takeListing(served, "\\FList1.txt", served.first));
  if (host_.stopRequested()) {
    state_ = State::Stopped;
    return;
  }
  host_.startTimer();
  state_ = State::Waiting;
}

void StandbyRun::convert() {
  host_.setBusy(true);
  // A station that took a full claim while more files were ready claims again at once: those
  // files were listed twice already, and a whole wait for each claim made several stations
  // slower than one PC. The listing just taken is the first one of the next claim.
  for (bool again = false; (again = convertReady(again)) && !host_.stopRequested();) {
  }
  host_.convertingFiles(0);
  host_.setBusy(false);
  if (host_.stopRequested()) {
    state_ = State::Stopped;
    return;
  }
  if (sendBackAsked_.exchange(false)) sendBack();
  // The cycle under way is finished; the next begins only when it may.
  if (holdIfDue()) return;
  state_ = State::Listing;
  listFirst();
}

bool StandbyRun::convertReady(bool again) {
  const Settings& s = app_.settings;
  bool claimAgain = false;
  std::vector<std::vector<ListingEntry>> second(rows_.size());
  std::vector<std::vector<ReadyFile>> ready(rows_.size());
  for (size_t r = 0; r < rows_.size(); ++r) {
    reportIoError(takeListing(rows_[r], "\\FList2.txt", second[r]));
    ready[r] = readyFiles(rows_[r].first, second[r]);
    rows_[r].source->settle(ready[r], second[r], again);
  }
  {
    BufferedFileWriter readyList(s.WorkFolder + "\\FList.txt");
    for (size_t r = 0; r < rows_.size(); ++r)
      for (const ReadyFile& file : ready[r])
        readyList.write(*app_.codec.toAnsi(rows_[r].row.watch + second[r][file.second].name) + "\r\n");
    reportIoError(readyList.close());
  }

  std::vector<Candidate> toConvert;
  for (size_t r = 0; r < rows_.size(); ++r) {
    std::vector<Candidate> taken;
    bool rowAgain = false;
    bool usable = rows_[r].source->take(ready[r], second[r], taken, rowAgain);
    // The type was checked as standby started, on the tab it started on; should it be gone
    // since, nothing is converted rather than an output named from past the list's end.
    const WatchRow& row = rows_[r].row;
    if (!outputTypeAt(row.tab, row.type) && !taken.empty()) {
      host_.warn(kNoOutputTypeMessage);
      usable = false;
    }
    if (usable) toConvert.insert(toConvert.end(), taken.begin(), taken.end());
    if (rowAgain) rows_[r].first = std::move(second[r]);
    claimAgain = claimAgain || rowAgain;
  }
  if (!toConvert.empty()) convertThese(toConvert);
  return claimAgain;
}

void StandbyRun::convertThese(const std::vector<Candidate>& toConvert) {
  const Settings& s = app_.settings;
  host_.convertingFiles(toConvert.size());
  host_.setStatus(status(kOutputtingStatus));
  host_.keepAlive();
  ViewerBatch batch(app_, origins_);
  if (batch.error().failed()) {
    reportIoError(batch.error());
    return;
  }
  // Exactly the inputs whose lines went into the command file: only they can be deleted.
  std::vector<Handed> handed;
  std::unordered_set<std::string> madeFolders;
  for (const Candidate& file : toConvert) {
    const std::string& input = file.path;
    const Served& served = rows_[file.row];
    // Where a claimed file came from decides its mirrored folder, not the claim folder.
    const std::string folder = outputFolderFor(served.row, served.source->originOf(input));
    // A mirrored subfolder's output folder is made before the viewer needs it, once a run.
    if (folder != served.row.output && madeFolders.insert(folder).second) app_.fileSystem.makeFolders(folder);
    const std::string wanted = outputPathFor(folder, input, outputTypeAt(served.row.tab, served.row.type)->extension);
    // Another drawing's output of the same name is never replaced: this one gets a free name.
    bool recorded = false;
    const OutputChoice choice = served.source->chooseOutput(batch, file, wanted, recorded);
    const std::string& output = choice.path;
    if (output.empty()) {
      log_.message(true, kSameOutputLogText + input + " -> " + wanted);
      continue;
    }
    if (tooLongForTheViewer(output)) {
      if (said_.first(said::unlistable(output))) host_.warn(output + kPathTooLongMessage);
      continue;
    }
    if (batch.addLine(served.row.tab, served.row.type, input, output))
      handed.push_back({file.row, input, output, file.listed, choice.before, output != wanted ? wanted : "",
                        file.resumed, false, recorded});
  }
  // An incomplete command file would delete inputs that were never converted.
  const Win32Error writeError = batch.closeCommands();
  reportIoError(writeError);
  if (!writeError.failed() && !handed.empty()) {
    // Inputs are deleted only once a viewer has had them and ended by itself; a viewer
    // that could not be started, or crashed, leaves them for the next cycle.
    const RunSettings& run = run_;
    // Each row's own: a station's outputs are compared with its server's clock.
    std::vector<std::vector<Handed>> ofRow(rows_.size());
    for (const Handed& input : handed) ofRow[input.row].push_back(input);
    std::vector<uint64_t> runStart(rows_.size(), 0);
    for (size_t r = 0; r < rows_.size(); ++r) {
      if (!ofRow[r].empty()) runStart[r] = rows_[r].source->viewerStarts(ofRow[r]);
      if (runStart[r] == 0) runStart[r] = app_.fileSystem.now();
    }
    const ViewerResult viewer = batch.runViewer(run, &viewer_);
    if (!viewer.started && said_.first(said::kViewerCannotStart))
      host_.warn(cannotStartMessage(s.ViewerExePath, viewer.error));
    if (viewer.started) said_.clear(said::kViewerCannotStart);  // working again: a later failure is news
    if (viewer.crashed() && said_.first(said::kViewerCrashed)) host_.warn(viewerCrashedMessage(viewer.exitCode));
    if (viewer.timedOut && said_.first(said::kViewerTimeLimit))
      host_.warn(viewerTimeLimitMessage(run.ViewerTimeLimitMinutes));
    for (std::vector<Handed>& inputs : ofRow) {
      for (Handed& input : inputs) {
        input.made = outputMade(factsOf(app_.fileSystem, input.output), runStart[input.row], input.outputBefore);
        if (!input.made) rows_[input.row].source->outputNotMade(input);
      }
    }
    std::vector<size_t> movedAside(rows_.size(), 0);
    std::vector<std::string> notConverted;
    for (size_t r = 0; r < rows_.size(); ++r) {
      if (ofRow[r].empty() || !rows_[r].source->viewerEnded(ofRow[r])) continue;
      RunLog::Batch lines(log_);
      for (const Handed& input : ofRow[r]) {
        movedAside[r] += handle(input, viewer, notConverted) ? 1 : 0;
        rows_[r].source->handled(input);
      }
    }
    // One word in the tray a cycle, not a balloon an input.
    if (!notConverted.empty())
      host_.inputNotConverted(notConvertedSummary(notConverted.back(), notConverted.size() - 1));
    saveAttempts();
    reportIoError(saveOutputOrigins(app_.fileSystem, s.WorkFolder, origins_));
    for (size_t r = 0; r < rows_.size(); ++r)
      if (movedAside[r] > 0)
        host_.warn(movedToErrorFolderMessage(movedAside[r], errorFolderOf(run, rows_[r].row.watch)));
  }
  host_.setStatus(status(kWaitingStatus));
}

}  // namespace marlisk::win
