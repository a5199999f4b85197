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

namespace marlisk::win {

namespace {

std::string movedToDetail(const std::string& path) { return "移動先 " + path; }

// UTF-8 takes at least as many bytes as UTF-16 takes units: only a long path is widened.
bool tooLongForTheViewer(const std::string& path) { return path.size() >= MAX_PATH && widen(path).size() >= MAX_PATH; }

bool fileThere(const std::string& path) { return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

StandbyRun::StandbyRun(AppContext& app, RunHost& host)
    : app_(app),
      host_(host),
      log_(app.settings.WorkFolder, run_, [&host](const std::string& text) { host.warn(text); }),
      station_(app.fileSystem),
      records_(app.fileSystem) {}

StandbyRun::~StandbyRun() {
  held_.clear();
  station_.end();
}

void StandbyRun::saveAttempts() {
  attempts_.keepOnly(fileThere);
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
  shared_ = run_.SharedWatchFolder;
  host_.runStep([this] {
    loadKept();
    stationBegun_ = false;
    if (shared_ && beginStation() == StationStart::Refused) {
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

Win32Error StandbyRun::takeListing(const char* fileName, std::vector<ListingEntry>& entries) {
  const Settings& s = app_.settings;
  entries.clear();
  BufferedFileWriter listing(s.WorkFolder + fileName);
  if (listing.error().failed()) return listing.error();
  host_.clearProgress(false);

  PumpClock clock;
  const std::string pattern = s.WatchFolder + standbyMask(s.WatchFileMask, tab_);
  WIN32_FIND_DATAW found;
  UniqueFindHandle search(
      FindFirstFileExW(widen(pattern).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
  // A watch folder that is not there (a share gone away, a folder removed) is said once,
  // and again only after it has come back and gone once more; the cycles go on meanwhile.
  const bool folderThere = search || app_.fileSystem.folderExists(parentFolder(pattern));
  if (!folderThere && !watchFolderMissingReported_) {
    watchFolderMissingReported_ = true;
    host_.warn(parentFolder(pattern) + kFolderMissingMessage);
  }
  if (folderThere) watchFolderMissingReported_ = false;
  if (search) {
    do {
      const std::string name = narrow(found.cFileName);
      if (name == "." || name == "..") continue;
      const std::string path = s.WatchFolder + name;
      // Read-only, and sharing only reading: a folder, or a file its writer still holds open,
      // does not open, and so stays out of this listing.
      // On a shared folder it shares deleting too: a station that only lists must not make
      // another station's claim fail.
      UniqueFileHandle file(CreateFileW(widen(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | (shared_ ? FILE_SHARE_DELETE : 0), nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
      LARGE_INTEGER size;
      FILETIME written;
      if (!file || !GetFileSizeEx(file.get(), &size) || !GetFileTime(file.get(), nullptr, nullptr, &written)) continue;
      // The viewer opens its files through calls that stop at MAX_PATH: a longer path would
      // fail there on Windows (Wine lets it pass), so it is never handed over, nor deleted.
      if (tooLongForTheViewer(path)) {
        if (unlistableReported_.insert(path).second) host_.warn(path + kPathTooLongMessage);
        continue;
      }
      const std::optional<std::string> ansiName = app_.codec.toAnsi(name);
      if (!ansiName) {
        // The viewer is given names in the code page: this one cannot be handed over, so it
        // is neither converted nor ever deleted. Said once, not at every listing.
        if (unlistableReported_.insert(path).second) host_.warn(path + kUnconvertibleNameMessage);
        continue;
      }
      listing.write(listingLine(static_cast<uint64_t>(size.QuadPart), *ansiName) + "\r\n");
      if (listing.error().failed()) break;
      entries.push_back({name, static_cast<uint64_t>(size.QuadPart), fileTimeValue(written)});
      host_.addProgress(path);
      if (clock.due()) host_.keepAlive();
    } while (FindNextFileW(search.get(), &found));
  }
  host_.finishProgress();
  return listing.close();
}

bool StandbyRun::unchanged(const Handed& input) const {
  uint64_t size = 0, lastWrite = 0;
  if (const auto held = held_.find(input.path); held != held_.end() && held->second.seal) {
    // Through the seal: a path's attributes may come from a client's cache, seconds old.
    if (!sizeAndTimeOf(held->second.seal.get(), size, lastWrite)) return false;
  } else {
    const OutputFacts now = factsOf(input.path);
    if (!now.exists) return false;
    size = now.size;
    lastWrite = now.lastWrite;
  }
  // Written again while the viewer ran: what it holds now was never converted.
  return size == input.listed.size && lastWrite == input.listed.lastWrite;
}

void StandbyRun::unseal(const std::string& path) {
  if (const auto held = held_.find(path); held != held_.end()) held->second.seal.reset();
}

std::string StandbyRun::status(const std::string& text) const {
  if (!shared_ || !station_.active()) return text;
  return text + "  [" + station_.name() + ": " + std::to_string(heldCount_) + " 件]";
}

LogResult StandbyRun::finish(const Handed& input, LogEntry& entry) {
  if (!unchanged(input)) return fileThere(input.path) ? LogResult::KeptChanged : LogResult::Missing;
  unseal(input.path);
  const RunSettings& run = run_;
  Win32Error error;
  LogResult done = LogResult::ConvertedDeleted;
  switch (run.Originals) {
    case AfterSuccess::Delete:
      if (!DeleteFileW(widen(input.path).c_str())) error = Win32Error::last();
      break;
    case AfterSuccess::MoveToDone: {
      const MoveResult moved = moveIntoFolder(input.path, doneFolderOf(run, app_.settings.WatchFolder));
      error = moved.error;
      if (!error.failed()) addDetail(entry, movedToDetail(moved.movedTo));
      done = LogResult::MovedToDone;
      break;
    }
    case AfterSuccess::RecycleBin:
      error = moveToRecycleBin(input.path);
      done = LogResult::MovedToRecycleBin;
      break;
  }
  if (!error.failed()) return done;
  sayCannotMove(input.path, error);
  return LogResult::KeptCannotMove;
}

void StandbyRun::sayCannotMove(const std::string& path, Win32Error error) {
  if (moveFailureReported_.insert(path).second)
    host_.warn(path + kCannotMoveInputMessage + "\r\n" + ioErrorMessage(error.code()));
}

bool StandbyRun::handle(const Handed& input, const ViewerResult& viewer, std::vector<std::string>& notConverted) {
  const RunSettings& run = run_;
  const OutputFacts output = factsOf(input.output);
  const bool made = input.made;
  if (made) origins_.record(input.output, originOf(input.path));
  const InputDecision decision = decideInput(run, viewer.end(), made, attempts_.of(input.path));
  LogEntry entry;
  entry.input = input.path;
  entry.output = input.output;
  entry.size = made ? output.size : 0;  // the output this run made; an older one says nothing
  entry.exitCode = viewer.started ? static_cast<int64_t>(viewer.exitCode) : -1;
  entry.viewerSeconds = viewer.seconds;
  if (!input.renamedFrom.empty()) entry.detail = renamedOutputDetail(input.renamedFrom);
  if (input.resumed) addDetail(entry, kResumedLogText);
  bool movedAside = false;
  const ViewerEnd end = viewer.end();
  switch (decision.action) {
    case InputAction::Finish: {
      entry.result = finish(input, entry);
      if (entry.result != LogResult::KeptCannotMove && entry.result != LogResult::KeptChanged)
        attempts_.forget(input.path);
      if (entry.result == LogResult::KeptCannotMove) awaitingRemoval_[input.path] = input;
      break;
    }
    case InputAction::Keep:
      if (decision.countsAttempt) attempts_.add(input.path);
      entry.result = keptResult(end);
      break;
    case InputAction::MoveToError: {
      attempts_.add(input.path);
      // Why it goes: the attempt that was its last, and what that attempt met (the earlier
      // ones may have met something else).
      addDetail(entry, std::to_string(attempts_.of(input.path)) + " 回目: " +
                           (end == ViewerEnd::TimedOut  ? "制限時間でビューアを終了"
                            : end == ViewerEnd::Crashed ? "ビューアが異常終了"
                                                        : "出力なし"));
      unseal(input.path);
      const MoveResult moved = moveIntoFolder(input.path, errorFolderOf(run, app_.settings.WatchFolder));
      if (moved.error.failed()) {
        entry.result = LogResult::KeptCannotMove;
        addDetail(entry, "エラーフォルダ, " + ioErrorMessage(moved.error.code()));
        sayCannotMove(input.path, moved.error);
      } else {
        entry.result = LogResult::MovedToError;
        addDetail(entry, movedToDetail(moved.movedTo));
        attempts_.forget(input.path);
        movedAside = true;
      }
      break;
    }
  }
  logOnce(entry);
  if (!isConverted(entry.result))
    notConverted.push_back(std::string(fileNamePart(input.path)) + ": " + logResultText(entry.result));
  return movedAside;
}

void StandbyRun::logOnce(const LogEntry& entry) {
  if (!isHeld(entry.result)) {
    lastLogged_.erase(entry.input);
  } else {
    // An input held cycle after cycle for the same reason is one line, not one a cycle.
    const auto [at, isNew] = lastLogged_.try_emplace(entry.input, entry.result);
    if (!isNew && at->second == entry.result) return;
    at->second = entry.result;
  }
  log_.write(entry);
}

bool StandbyRun::retryRemoval(const std::string& path, const ListingEntry& listed) {
  if (awaitingRemoval_.empty()) return false;
  const auto waiting = awaitingRemoval_.find(path);
  if (waiting == awaitingRemoval_.end()) return false;
  Handed input = waiting->second;
  if (input.listed.size != listed.size || input.listed.lastWrite != listed.lastWrite) {
    awaitingRemoval_.erase(waiting);  // a new drawing under the old name: converted as any other
    return false;
  }
  LogEntry entry;
  entry.input = path;
  entry.output = input.output;
  entry.result = finish(input, entry);
  if (entry.result != LogResult::KeptCannotMove) awaitingRemoval_.erase(path);
  if (entry.result == LogResult::KeptChanged) return false;  // written again: it wants the viewer
  if (entry.result != LogResult::KeptCannotMove) attempts_.forget(path);
  logOnce(entry);
  return true;
}

bool StandbyRun::outputFolderUsable() {
  const Win32Error error = folderWritable(app_.settings.OutputFolder);
  if (!error.failed()) {
    outputFolderReported_ = false;
    return true;
  }
  // As a missing watch folder: said once, nothing converted and nothing counted, and the
  // next cycle serves again once the folder is back.
  if (!outputFolderReported_) {
    outputFolderReported_ = true;
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
  // A claim at once takes only files that settled over a whole wait: one that arrived since
  // has been listed twice only a conversion apart, and may still be being written.
  if (again)
    std::erase_if(ready, [&](const ReadyFile& file) { return !settled_.contains(secondListing[file.second].name); });
  settled_.clear();
  for (const ReadyFile& file : ready) settled_.insert(secondListing[file.second].name);
  {
    BufferedFileWriter readyList(s.WorkFolder + "\\FList.txt");
    for (const ReadyFile& file : ready)
      readyList.write(*app_.codec.toAnsi(s.WatchFolder + secondListing[file.second].name) + "\r\n");
    reportIoError(readyList.close());
  }

  std::vector<Candidate> toConvert;
  bool usable = false;
  if (shared_) {
    // Nothing is claimed for an output folder that cannot take the outputs.
    // The card is rewritten at every cycle (its counter is how the others know this one
    // lives), once it is sure to be still this life's card.
    const bool begun = stationBegun_ || beginStation() == StationStart::Ok;
    if (begun && stillOurs() && (serverNow_ = station_.beat(), usable = outputFolderUsable())) {
      lookAtOthers();
      claimAgain = claimReady(ready, secondListing);
      takeHeld(toConvert);
    }
  } else {
    // Inputs converted in an earlier cycle that could not be deleted or moved wait only for
    // that: it is tried again, without the viewer.
    toConvert.reserve(ready.size());
    for (const ReadyFile& file : ready) {
      const ListingEntry& listed = secondListing[file.second];
      if (!retryRemoval(s.WatchFolder + listed.name, listed))
        toConvert.push_back({s.WatchFolder + listed.name, listed});
    }
    usable = !toConvert.empty() && outputFolderUsable();
  }

  // The type was checked as standby started, on the tab it started on; should it be gone since,
  // nothing is converted rather than an output named from past the list's end.
  const OutputType* type = outputTypeAt(tab_, chosenOutputType(s, tab_));
  if (!type && !toConvert.empty()) {
    host_.warn(kNoOutputTypeMessage);
    usable = false;
  }
  if (!toConvert.empty() && usable) {
    host_.convertingFiles(toConvert.size());
    host_.setStatus(status(kOutputtingStatus));
    host_.keepAlive();
    BufferedFileWriter commands(s.ViewerCommandFilePath);
    if (commands.error().failed()) {
      reportIoError(commands.error());
    } else {
      // Exactly the inputs whose lines went into the command file: only they can be deleted.
      std::vector<Handed> handed;
      std::unordered_set<std::string> outputs;  // given out in this run, folded
      FolderListing outputFolder;               // what is there before the run
      const OutputTab tab = tab_;
      const int typeIndex = chosenOutputType(s, tab);
      const std::string extension = type->extension;
      for (const Candidate& file : toConvert) {
        const ListingEntry& listed = file.listed;
        const std::string& input = file.path;
        const std::string wanted = outputPathFor(s.OutputFolder, input, extension);
        // Another drawing's output of the same name is never replaced: this one gets a free name.
        // On a shared folder another station may be choosing the same name right now: the
        // name is taken by making its record, and a name lost that way is passed over.
        OutputChoice choice;
        bool recorded = false;
        for (int tries = 0; tries < 16; ++tries) {
          if (shared_) learnOutputs(wanted, outputFolder);
          choice = outputFor(origins_, wanted, originOf(input), outputFolder, outputs);
          if (!shared_ || choice.path.empty() || records_.reserve(choice.path, listed.name, serverNow_, recorded))
            break;
          choice.path.clear();
        }
        const std::string& output = choice.path;
        if (output.empty()) {
          log_.message(true, kSameOutputLogText + input + " -> " + wanted);
          continue;
        }
        if (tooLongForTheViewer(output)) {
          if (unlistableReported_.insert(output).second) host_.warn(output + kPathTooLongMessage);
          continue;
        }
        if (const auto line = app_.codec.toAnsi(*viewerLine(tab, typeIndex, input, output))) {
          commands.write(*line + "\r\n");
          handed.push_back(
              {input, output, listed, choice.before, output != wanted ? wanted : "", file.resumed, false, recorded});
        }
      }
      // An incomplete command file would delete inputs that were never converted.
      const Win32Error writeError = commands.close();
      reportIoError(writeError);
      if (!writeError.failed() && !handed.empty()) {
        // Inputs are deleted only once a viewer has had them and ended by itself; a viewer
        // that could not be started, or crashed, leaves them for the next cycle.
        const RunSettings& run = run_;
        uint64_t runStart = 0;
        if (shared_) {
          // Said on the card before the viewer has them: a life that ends now is followed by
          // one that knows what it was doing. The card's time is the server's clock.
          station_.card().state = "変換中";
          station_.card().batch.clear();
          for (const Handed& input : handed) station_.card().batch.push_back(input.path);
          runStart = serverNow_ = station_.beat();
        }
        if (runStart == 0) runStart = fileTimeNow();
        const ViewerResult viewer = runViewer(s.ViewerExePath, s.ViewerCommandFilePath,
                                              static_cast<DWORD>(run.ViewerTimeLimitMinutes) * 60'000u, &viewer_);
        if (!viewer.started && !viewerStartFailureReported_) {
          viewerStartFailureReported_ = true;
          host_.warn(cannotStartMessage(s.ViewerExePath, viewer.error));
        }
        if (viewer.started) viewerStartFailureReported_ = false;  // working again: a later failure is news
        if (viewer.crashed() && !viewerCrashReported_) {
          viewerCrashReported_ = true;
          host_.warn(viewerCrashedMessage(viewer.exitCode));
        }
        if (viewer.timedOut && !timeLimitReported_) {
          timeLimitReported_ = true;
          host_.warn(viewerTimeLimitMessage(run.ViewerTimeLimitMinutes));
        }
        for (Handed& input : handed) {
          input.made = outputMade(factsOf(input.output), runStart, input.outputBefore);
          if (!input.made && input.recorded) records_.release(input.output, input.listed.name);
        }
        if (shared_) {
          // The outputs checked are on the card before any input goes: a life ending in the
          // middle of that is not followed by a second conversion.
          station_.card().state = "待機中";
          station_.card().batch.clear();
          for (const Handed& input : handed)
            if (input.made) station_.card().checked.push_back(checkedEntry(input.path, input.output));
          station_.beat();
          station_.card().checked.clear();
        }
        size_t movedAside = 0;
        std::vector<std::string> notConverted;
        if (!shared_ || stillOurs()) {
          RunLog::Batch lines(log_);
          for (const Handed& input : handed) {
            movedAside += handle(input, viewer, notConverted) ? 1 : 0;
            if (shared_ && !fileThere(input.path)) held_.erase(input.path);
          }
          heldCount_ = held_.size();
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
  }
  if (claimAgain) firstListing_ = std::move(secondListing);
  return claimAgain;
}

std::string StandbyRun::originOf(const std::string& path) const {
  // A claimed file is still the watch folder's drawing: its own output is the one it made
  // under that name, whichever station it was.
  if (shared_ && path.starts_with(station_.claimFolder()))
    return app_.settings.WatchFolder + path.substr(station_.claimFolder().size());
  return path;
}

StandbyRun::StationStart StandbyRun::beginStation() {
  const Settings& s = app_.settings;
  const std::string name = run_.StationName.empty() ? stationNameFrom(computerName()) : run_.StationName;
  const std::string folder = claimFolderOf(s.WatchFolder, name);
  // The viewer is given the claimed paths in the code page.
  if (!app_.codec.toAnsi(folder)) {
    host_.warn(folder + kUnconvertibleNameMessage);
    return StationStart::Refused;
  }
  Win32Error error;
  // A folder that cannot be made or written now, or a rename the server refuses now, may be
  // a share that dropped or a server not yet up: standby goes on and tries again each cycle,
  // said once, as for a missing watch folder. What will not change by itself is refused.
  auto notYet = [&](const char* message) {
    if (!stationUnusableSaid_) host_.warn(folder + message + "\r\n" + ioErrorMessage(error.code()));
    stationUnusableSaid_ = true;
    return StationStart::NotYet;
  };
  switch (station_.begin(s.WatchFolder, name, &error)) {
    case Station::Begin::Ok: break;
    case Station::Begin::NameInUse: host_.warn(stationNameInUseMessage(name)); return StationStart::Refused;
    case Station::Begin::OtherVolume: host_.warn(folder + kClaimFolderOtherVolumeMessage); return StationStart::Refused;
    case Station::Begin::CannotUse: return notYet(kClaimFolderUnusableMessage);
    case Station::Begin::CannotRename: return notYet(kClaimRenameFailedMessage);
  }
  stationUnusableSaid_ = false;
  stationBegun_ = true;
  recoverClaims();
  return StationStart::Ok;
}

void StandbyRun::recoverClaims() {
  RunLog::Batch lines(log_);
  for (const std::string& name : station_.held()) {
    const std::string path = station_.claimFolder() + name;
    if (held_.contains(path)) continue;
    Held held;
    held.resumed = true;
    held.listed.name = name;
    held.seal = sealFile(path);
    if (held.seal) sizeAndTimeOf(held.seal.get(), held.listed.size, held.listed.lastWrite);
    std::string output;
    if (held.seal && recoveryOf(
                         station_.lastLife(), path, [](const std::string& o) { return factsOf(o).exists; }, &output) ==
                         Recovery::FinishWithoutConverting) {
      // Its output was made and checked before that life ended: only the input is left to go.
      held_[path] = std::move(held);
      LogEntry entry;
      entry.input = path;
      entry.output = output;
      addDetail(entry, kResumedLogText);
      Handed input{path, output, held_[path].listed};
      origins_.record(output, originOf(path));
      entry.result = finish(input, entry);
      if (!fileThere(path)) held_.erase(path);
      logOnce(entry);
      continue;
    }
    // A file the viewer had when that life ended may be what ended it: one attempt is
    // counted. One only waiting in the folder for its next attempt is not.
    const std::vector<std::string>& handed = station_.lastLife().batch;
    if (held.seal && std::find(handed.begin(), handed.end(), path) != handed.end()) attempts_.add(path);
    held_[path] = std::move(held);
  }
  heldCount_ = held_.size();
}

bool StandbyRun::claimReady(const std::vector<ReadyFile>& ready, const std::vector<ListingEntry>& listing) {
  const std::string& watch = app_.settings.WatchFolder;
  std::vector<std::string> names;
  names.reserve(ready.size());
  for (const ReadyFile& file : ready) names.push_back(listing[file.second].name);
  const int32_t room = run_.ClaimBatch - static_cast<int32_t>(held_.size());
  size_t claimed = 0, lost = 0;
  RunLog::Batch lines(log_);
  const std::vector<size_t> order = claimOrder(names, station_.name(), room);
  for (const size_t i : order) {
    const ListingEntry& listed = listing[ready[i].second];
    const std::string path = station_.claimFolder() + listed.name;
    if (tooLongForTheViewer(path)) {
      if (unlistableReported_.insert(path).second) host_.warn(path + kPathTooLongMessage);
      continue;
    }
    // Lost to another station, or still held by its writer: not an error, and no attempt.
    // A file of this name this station already holds goes first; the new one waits.
    if (station_.claim(listed.name) != Station::ClaimOutcome::Claimed) {
      lost += held_.contains(path) ? 0 : 1;
      continue;
    }
    Win32Error why;
    Held held{listed, sealFile(path, &why)};
    uint64_t size = 0, lastWrite = 0;
    if (!held.seal && (why.code() == ERROR_FILE_NOT_FOUND || why.code() == ERROR_PATH_NOT_FOUND)) {
      ++lost;  // a rename from another station's older open took it on
      continue;
    }
    if (held.seal &&
        (!sizeAndTimeOf(held.seal.get(), size, lastWrite) || size != listed.size || lastWrite != listed.lastWrite)) {
      // Written again since the listings: back to the watch folder, to settle again.
      held.seal.reset();
      if (MoveFileExW(widen(path).c_str(), widen(watch + listed.name).c_str(), 0)) {
        LogEntry entry;
        entry.input = path;
        entry.output = watch + listed.name;
        entry.result = LogResult::PutBack;
        addDetail(entry, "書き込み中");
        log_.write(entry);
        continue;
      }
    }
    LogEntry entry;
    entry.input = watch + listed.name;
    entry.output = path;
    entry.result = LogResult::Claimed;
    log_.write(entry);
    held_[path] = std::move(held);
    ++claimed;
  }
  if (!order.empty()) log_.message(true, claimCycleLogText(station_.name(), claimed, lost));
  heldCount_ = held_.size();
  // Its room, not the ready files, ended this claim: the rest are as settled as these were.
  return claimed > 0 && order.size() < names.size();
}

void StandbyRun::learnOutputs(const std::string& wanted, FolderListing& outputFolder) {
  const std::string folder(folderPart(wanted));
  freeName(std::string(fileNamePart(wanted)), [&](const std::string& name) {
    const std::string path = folder + name;
    const std::string drawing = records_.drawingOf(path);
    if (drawing.empty()) return outputFolder.facts(path).exists;
    origins_.record(path, app_.settings.WatchFolder + drawing);
    return true;
  });
}

void StandbyRun::takeHeld(std::vector<Candidate>& candidates) {
  for (auto& [path, held] : held_) {
    // Converted already, and only its deletion or move failed: that is tried again.
    if (awaitingRemoval_.contains(path)) {
      retryRemoval(path, held.listed);
      continue;
    }
    if (!held.seal) {
      // Someone still had it open when it was claimed: the seal is tried again, and what the
      // file is now is what the viewer gets.
      held.seal = sealFile(path);
      if (!held.seal || !sizeAndTimeOf(held.seal.get(), held.listed.size, held.listed.lastWrite)) continue;
    }
    candidates.push_back({path, held.listed, held.resumed});
    held.resumed = false;
  }
  std::erase_if(held_, [](const auto& held) { return !fileThere(held.first); });
  heldCount_ = held_.size();
}

void StandbyRun::lookAtOthers() {
  const std::string& watch = app_.settings.WatchFolder;
  const uint64_t now = GetTickCount64();
  for (const StationState& other : readStations(app_.fileSystem, watch)) {
    if (other.name == station_.name()) continue;
    liveness_.observe(other.name, other.card.counter, now);
    if (other.held == 0 || !other.card.takenOverBy.empty()) continue;
    if (takeoverDecision(liveness_.silentMs(other.name, now), run_.TakeOverMinutes, !other.lockHeld) !=
        Takeover::Allowed)
      continue;
    const PutBack result =
        putBackClaims(app_.fileSystem, watch, other.name, station_.name() + " " + station_.card().instance,
                      errorFolderOf(run_, watch), other.name + " から");
    RunLog::Batch lines(log_);
    for (const LogEntry& entry : result.lines) log_.write(entry);
  }
}

bool StandbyRun::stillOurs() {
  if (station_.stillOurs()) {
    takenOverSaid_ = false;
    return true;
  }
  // Away too long (a frozen PC, a dropped share) and another station put the files back:
  // they may be another's now. Nothing is deleted; the station begins again.
  if (!takenOverSaid_) log_.message(true, kTakenOverLogText);
  takenOverSaid_ = true;
  held_.clear();
  heldCount_ = 0;
  awaitingRemoval_.clear();
  Win32Error error;
  if (station_.begin(app_.settings.WatchFolder, station_.name(), &error) == Station::Begin::Ok) recoverClaims();
  return false;
}

}  // namespace marlisk::win
