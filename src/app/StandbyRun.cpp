#include "app/StandbyRun.h"

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

uint64_t fileTimeValue(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// UTF-8 takes at least as many bytes as UTF-16 takes units: only a long path is widened.
bool tooLongForTheViewer(const std::string& path) { return path.size() >= MAX_PATH && widen(path).size() >= MAX_PATH; }

bool fileThere(const std::string& path) { return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

StandbyRun::StandbyRun(AppContext& app, RunHost& host)
    : app_(app),
      host_(host),
      log_(app.settings.WorkFolder, run_, [&host](const std::string& text) { host.warn(text); }) {}

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

bool StandbyRun::start() {
  if (state_ != State::Stopped) return true;
  takeSettings();
  const OutputTab tab = host_.activeTab();
  if (!buildViewerCommandLine(tab, chosenOutputType(app_.settings, tab), app_.settings.OutputFolder, "")) {
    host_.warn(kNoOutputTypeMessage);
    return false;
  }
  state_ = State::Listing;
  host_.runStep([this] {
    loadKept();
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
        host_.setStatus(countdownText(countdown_));
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
  const std::string pattern = s.WatchFolder + standbyMask(s.WatchFileMask, host_.activeTab());
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
      UniqueFileHandle file(CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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

bool StandbyRun::unchanged(const Handed& input) {
  WIN32_FILE_ATTRIBUTE_DATA now;
  if (!GetFileAttributesExW(widen(input.path).c_str(), GetFileExInfoStandard, &now)) return false;
  const uint64_t size = (static_cast<uint64_t>(now.nFileSizeHigh) << 32) | now.nFileSizeLow;
  // Written again while the viewer ran: what it holds now was never converted.
  return size == input.listed.size && fileTimeValue(now.ftLastWriteTime) == input.listed.lastWrite;
}

LogResult StandbyRun::finish(const Handed& input, LogEntry& entry) {
  if (!unchanged(input)) return fileThere(input.path) ? LogResult::KeptChanged : LogResult::Missing;
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

bool StandbyRun::handle(const Handed& input, const ViewerResult& viewer, uint64_t runStart,
                        std::vector<std::string>& notConverted) {
  const RunSettings& run = run_;
  const OutputFacts output = factsOf(input.output);
  const bool made = outputMade(output, runStart, input.outputBefore);
  if (made) origins_.record(input.output, input.path);
  const InputDecision decision = decideInput(run, viewer.end(), made, attempts_.of(input.path));
  LogEntry entry;
  entry.input = input.path;
  entry.output = input.output;
  entry.size = made ? output.size : 0;  // the output this run made; an older one says nothing
  entry.exitCode = viewer.started ? static_cast<int64_t>(viewer.exitCode) : -1;
  entry.viewerSeconds = viewer.seconds;
  if (!input.renamedFrom.empty()) entry.detail = renamedOutputDetail(input.renamedFrom);
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

bool StandbyRun::retryRemoval(const ListingEntry& listed) {
  if (awaitingRemoval_.empty()) return false;
  const std::string path = app_.settings.WatchFolder + listed.name;
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
  host_.setStatus(countdownText(countdown_));
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
  const Settings& s = app_.settings;
  host_.setBusy(true);

  std::vector<ListingEntry> secondListing;
  reportIoError(takeListing("\\FList2.txt", secondListing));
  const std::vector<ReadyFile> ready = readyFiles(firstListing_, secondListing);
  {
    BufferedFileWriter readyList(s.WorkFolder + "\\FList.txt");
    for (const ReadyFile& file : ready)
      readyList.write(*app_.codec.toAnsi(s.WatchFolder + secondListing[file.second].name) + "\r\n");
    reportIoError(readyList.close());
  }

  // Inputs converted in an earlier cycle that could not be deleted or moved wait only for
  // that: it is tried again, without the viewer.
  std::vector<ReadyFile> toConvert;
  toConvert.reserve(ready.size());
  for (const ReadyFile& file : ready)
    if (!retryRemoval(secondListing[file.second])) toConvert.push_back(file);

  if (!toConvert.empty() && outputFolderUsable()) {
    host_.convertingFiles(toConvert.size());
    host_.setStatus(kOutputtingStatus);
    host_.keepAlive();
    BufferedFileWriter commands(s.ViewerCommandFilePath);
    if (commands.error().failed()) {
      reportIoError(commands.error());
    } else {
      // Exactly the inputs whose lines went into the command file: only they can be deleted.
      std::vector<Handed> handed;
      std::unordered_set<std::string> outputs;  // given out in this run, folded
      FolderListing outputFolder;               // what is there before the run
      const OutputTab tab = host_.activeTab();
      const int typeIndex = chosenOutputType(s, tab);
      const std::string extension = outputTypes(tab)[static_cast<size_t>(typeIndex)].extension;
      for (const ReadyFile& file : toConvert) {
        const ListingEntry& listed = secondListing[file.second];
        const std::string input = s.WatchFolder + listed.name;
        const std::string wanted = outputPathFor(s.OutputFolder, input, extension);
        // Another drawing's output of the same name is never replaced: this one gets a free name.
        const OutputChoice choice = outputFor(origins_, wanted, input, outputFolder, outputs);
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
          handed.push_back({input, output, listed, choice.before, output != wanted ? wanted : ""});
        }
      }
      // An incomplete command file would delete inputs that were never converted.
      const Win32Error writeError = commands.close();
      reportIoError(writeError);
      if (!writeError.failed() && !handed.empty()) {
        // Inputs are deleted only once a viewer has had them and ended by itself; a viewer
        // that could not be started, or crashed, leaves them for the next cycle.
        const RunSettings& run = run_;
        const uint64_t runStart = fileTimeNow();
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
        size_t movedAside = 0;
        std::vector<std::string> notConverted;
        {
          RunLog::Batch lines(log_);
          for (const Handed& input : handed) movedAside += handle(input, viewer, runStart, notConverted) ? 1 : 0;
        }
        // One word in the tray a cycle, not a balloon an input.
        if (!notConverted.empty())
          host_.inputNotConverted(notConvertedSummary(notConverted.back(), notConverted.size() - 1));
        saveAttempts();
        reportIoError(saveOutputOrigins(app_.fileSystem, s.WorkFolder, origins_));
        if (movedAside > 0) host_.warn(movedToErrorFolderMessage(movedAside, errorFolderOf(run, s.WatchFolder)));
      }
      host_.setStatus(kWaitingStatus);
    }
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

}  // namespace marlisk::win
