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

namespace marlisk::win {

using namespace standby;

StandbyRun::StandbyRun(AppContext& app, RunHost& host)
    : app_(app),
      host_(host),
      log_(app.fileSystem, app.settings.WorkFolder, run_, [&host](const std::string& text) { host.warn(text); }),
      shared_{app, host, log_, said_, attempts_, origins_, run_} {}

StandbyRun::~StandbyRun() { source_.reset(); }

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
  state_ = State::Listing;
  // The source is the run's whole life: a watch folder shared or not stays so until standby
  // is started again.
  source_.reset();
  if (run_.SharedWatchFolder)
    source_ = std::make_unique<StationSource>(shared_, static_cast<StandbyCycle&>(*this));
  else
    source_ = std::make_unique<WatchFolderSource>(shared_, static_cast<StandbyCycle&>(*this));
  host_.runStep([this] {
    loadKept();
    if (source_->begin() == InputSource::Start::Refused) {
      state_ = State::Stopped;
      return;
    }
    listFirst();
  });
  return true;
}

void StandbyRun::beginCycle() {
  takeSettings();
  state_ = State::Listing;
  host_.runStep([this] { listFirst(); });
}

void StandbyRun::tick() {
  switch (state_) {
    case State::Stopped: beginCycle(); break;
    case State::Waiting:
      if (countdown_ > 0) {
        countdown_ -= 2;
        host_.setStatus(status(countdownText(countdown_)));
      } else {
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

std::string StandbyRun::status(const std::string& text) const { return source_ ? source_->status(text) : text; }

bool StandbyRun::outputFolderUsable() {
  const Win32Error error(static_cast<DWORD>(folderWritable(app_.fileSystem, app_.settings.OutputFolder)));
  if (!error.failed()) {
    said_.clear(said::kOutputFolderUnusable);
    return true;
  }
  // As a missing watch folder: said once, nothing converted and nothing counted, and the
  // next cycle serves again once the folder is back.
  if (said_.first(said::kOutputFolderUnusable)) {
    host_.warn(app_.settings.OutputFolder + kOutputFolderUnusableMessage + "\r\n" + ioErrorMessage(error.code()));
  }
  return false;
}

void StandbyRun::listFirst() {
  countdown_ = app_.settings.WaitSeconds;
  host_.setStatus(status(countdownText(countdown_)));
  host_.setRunControlsEnabled(false);
  reportIoError(takeListing("\\FList1.txt", firstListing_));
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
  state_ = State::Listing;
  listFirst();
}

bool StandbyRun::convertReady(bool again) {
  const Settings& s = app_.settings;
  bool claimAgain = false;
  std::vector<ListingEntry> secondListing;
  reportIoError(takeListing("\\FList2.txt", secondListing));
  std::vector<ReadyFile> ready = readyFiles(firstListing_, secondListing);
  source_->settle(ready, secondListing, again);
  {
    BufferedFileWriter readyList(s.WorkFolder + "\\FList.txt");
    for (const ReadyFile& file : ready)
      readyList.write(*app_.codec.toAnsi(s.WatchFolder + secondListing[file.second].name) + "\r\n");
    reportIoError(readyList.close());
  }

  std::vector<Candidate> toConvert;
  bool usable = source_->take(ready, secondListing, toConvert, claimAgain);
  // The type was checked as standby started, on the tab it started on; should it be gone since,
  // nothing is converted rather than an output named from past the list's end.
  const OutputType* type = outputTypeAt(tab_, chosenOutputType(s, tab_));
  if (!type && !toConvert.empty()) {
    host_.warn(kNoOutputTypeMessage);
    usable = false;
  }
  if (!toConvert.empty() && usable) convertThese(toConvert, *type);
  if (claimAgain) firstListing_ = std::move(secondListing);
  return claimAgain;
}

void StandbyRun::convertThese(const std::vector<Candidate>& toConvert, const OutputType& type) {
  const Settings& s = app_.settings;
  host_.convertingFiles(toConvert.size());
  host_.setStatus(status(kOutputtingStatus));
  host_.keepAlive();
  ViewerBatch batch(app_, tab_, chosenOutputType(s, tab_), type, origins_);
  if (batch.error().failed()) {
    reportIoError(batch.error());
    return;
  }
  // Exactly the inputs whose lines went into the command file: only they can be deleted.
  std::vector<Handed> handed;
  for (const Candidate& file : toConvert) {
    const std::string& input = file.path;
    const std::string wanted = batch.wantedOutput(input);
    // Another drawing's output of the same name is never replaced: this one gets a free name.
    bool recorded = false;
    const OutputChoice choice = source_->chooseOutput(batch, file, wanted, recorded);
    const std::string& output = choice.path;
    if (output.empty()) {
      log_.message(true, kSameOutputLogText + input + " -> " + wanted);
      continue;
    }
    if (tooLongForTheViewer(output)) {
      if (said_.first(said::unlistable(output))) host_.warn(output + kPathTooLongMessage);
      continue;
    }
    if (batch.addLine(input, output))
      handed.push_back(
          {input, output, file.listed, choice.before, output != wanted ? wanted : "", file.resumed, false, recorded});
  }
  // An incomplete command file would delete inputs that were never converted.
  const Win32Error writeError = batch.closeCommands();
  reportIoError(writeError);
  if (!writeError.failed() && !handed.empty()) {
    // Inputs are deleted only once a viewer has had them and ended by itself; a viewer
    // that could not be started, or crashed, leaves them for the next cycle.
    const RunSettings& run = run_;
    uint64_t runStart = source_->viewerStarts(handed);
    if (runStart == 0) runStart = app_.fileSystem.now();
    const ViewerResult viewer = batch.runViewer(run, &viewer_);
    if (!viewer.started && said_.first(said::kViewerCannotStart))
      host_.warn(cannotStartMessage(s.ViewerExePath, viewer.error));
    if (viewer.started) said_.clear(said::kViewerCannotStart);  // working again: a later failure is news
    if (viewer.crashed() && said_.first(said::kViewerCrashed)) host_.warn(viewerCrashedMessage(viewer.exitCode));
    if (viewer.timedOut && said_.first(said::kViewerTimeLimit))
      host_.warn(viewerTimeLimitMessage(run.ViewerTimeLimitMinutes));
    for (Handed& input : handed) {
      input.made = outputMade(factsOf(app_.fileSystem, input.output), runStart, input.outputBefore);
      if (!input.made) source_->outputNotMade(input);
    }
    size_t movedAside = 0;
    std::vector<std::string> notConverted;
    if (source_->viewerEnded(handed)) {
      RunLog::Batch lines(log_);
      for (const Handed& input : handed) {
        movedAside += handle(input, viewer, notConverted) ? 1 : 0;
        source_->handled(input);
      }
    }
    // One word in the tray a cycle, not a balloon an input.
    if (!notConverted.empty())
      host_.inputNotConverted(notConvertedSummary(notConverted.back(), notConverted.size() - 1));
    saveAttempts();
    reportIoError(saveOutputOrigins(app_.fileSystem, s.WorkFolder, origins_));
    if (movedAside > 0) host_.warn(movedToErrorFolderMessage(movedAside, errorFolderOf(run, s.WatchFolder)));
  }
  host_.setStatus(status(kWaitingStatus));
}

}  // namespace marlisk::win
