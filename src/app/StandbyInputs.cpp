// Standby output: the listings of the watch folder, and what becomes of each input once the
// viewer has had it (finished, kept for another attempt, moved to the error folder), logged.
#include "app/StandbyRun.h"
#include "app/core/AfterCommand.h"
#include "app/core/Stations.h"

#include <algorithm>

#include "app/InputMoves.h"
#include "app/StandbyFiles.h"
#include "app/ViewerLauncher.h"
#include "app/core/ViewerCommandLine.h"
#include "core/Messages.h"
#include "core/Path.h"
#include "settings/core/SettingsRules.h"
#include "win/MessagePump.h"
#include "win/TextFiles.h"

namespace marlisk::win {

using namespace standby;

void StandbyRun::listFolder(const Served& served, const std::string& relative, int depth,
                            std::vector<FolderEntry>& files) {
  const WatchRow& row = served.row;
  std::vector<FolderEntry> found;
  app_.fileSystem.list(row.watch + relative, row.mask, found);
  for (FolderEntry& entry : found) {
    if (entry.facts.folder) continue;
    entry.name = relative + entry.name;
    files.push_back(std::move(entry));
  }
  if (row.subfolders == Subfolders::No || depth >= kMostSubfolderDepth) return;
  std::vector<FolderEntry> folders;
  app_.fileSystem.list(row.watch + relative, "*", folders);
  const RunSettings& run = run_;
  for (const FolderEntry& entry : folders) {
    if (!entry.facts.folder || entry.facts.reparsePoint) continue;
    const std::string path = row.watch + relative + entry.name;
    // The row's own folders are never inputs.
    if (relative.empty() && entry.name == kClaimRootName) continue;
    if (OutputOrigins::fold(path) == OutputOrigins::fold(errorFolderOf(run, row.watch)) ||
        OutputOrigins::fold(path) == OutputOrigins::fold(doneFolderOf(run, row.watch)))
      continue;
    listFolder(served, relative + entry.name + "\\", depth + 1, files);
  }
}

Win32Error StandbyRun::takeListing(const Served& served, const char* fileName, std::vector<ListingEntry>& entries) {
  const Settings& s = app_.settings;
  const WatchRow& row = served.row;
  const bool first = &served == &rows_.front(), last = &served == &rows_.back();
  entries.clear();
  // The parameter file's row is listed into the working folder's listing files, as always.
  std::optional<BufferedFileWriter> listing;
  if (first) {
    listing.emplace(s.WorkFolder + fileName);
    if (listing->error().failed()) return listing->error();
    host_.clearProgress(false);
  }

  PumpClock clock;
  std::vector<FolderEntry> found;
  // A watch folder that is not there (a share gone away, a folder removed) is said once,
  // and again only after it has come back and gone once more; the cycles go on meanwhile.
  const std::string folder = parentFolder(row.watch + row.mask);
  const bool folderThere = app_.fileSystem.list(row.watch, row.mask, found) == 0;
  const std::string about = said::kWatchFolderMissing + folder;
  if (!folderThere && said_.first(about)) host_.warn(folder + kFolderMissingMessage);
  if (folderThere) said_.clear(about);
  if (folderThere && row.subfolders != Subfolders::No) {
    found.clear();
    listFolder(served, "", 0, found);
  }
  // Read-only, and sharing only reading: a folder, or a file its writer still holds open,
  // does not open, and so stays out of this listing.
  // On a shared folder it shares deleting too: a station that only lists must not make
  // another station's claim fail.
  const OpenMode looking{OpenMode::kRead,
                         OpenMode::kShareRead | (served.source->shared() ? OpenMode::kShareDelete : 0u)};
  for (const FolderEntry& entry : found) {
    if (entry.facts.folder) continue;
    const std::string path = row.watch + entry.name;
    const OpenFilePtr file = app_.fileSystem.open(path, looking);
    uint64_t size = 0, written = 0;
    if (!file || !file->facts(size, written)) continue;
    // The viewer opens its files through calls that stop at MAX_PATH: a longer path would
    // fail there on Windows (Wine lets it pass), so it is never handed over, nor deleted.
    if (tooLongForTheViewer(path)) {
      if (said_.first(said::unlistable(path))) host_.warn(path + kPathTooLongMessage);
      continue;
    }
    const std::optional<std::string> ansiName = app_.codec.toAnsi(entry.name);
    if (!ansiName) {
      // The viewer is given names in the code page: this one cannot be handed over, so it
      // is neither converted nor ever deleted. Said once, not at every listing.
      if (said_.first(said::unlistable(path))) host_.warn(path + kUnconvertibleNameMessage);
      continue;
    }
    if (listing) {
      listing->write(listingLine(size, *ansiName) + "\r\n");
      if (listing->error().failed()) break;
    }
    entries.push_back({entry.name, size, written});
    host_.addProgress(path);
    if (clock.due()) host_.keepAlive();
  }
  if (last) host_.finishProgress();
  return listing ? listing->close() : Win32Error();
}

bool StandbyRun::unchanged(const Handed& input) const {
  uint64_t size = 0, lastWrite = 0;
  if (const OpenFile* seal = rows_[input.row].source->sealOf(input.path)) {
    // Through the seal: a path's attributes may come from a client's cache, seconds old.
    if (!seal->facts(size, lastWrite)) return false;
  } else {
    const OutputFacts now = factsOf(app_.fileSystem, input.path);
    if (!now.exists) return false;
    size = now.size;
    lastWrite = now.lastWrite;
  }
  // Written again while the viewer ran: what it holds now was never converted.
  return size == input.listed.size && lastWrite == input.listed.lastWrite;
}

LogResult StandbyRun::finish(const Handed& input, LogEntry& entry) {
  if (!unchanged(input)) return there(input.path) ? LogResult::KeptChanged : LogResult::Missing;
  rows_[input.row].source->unseal(input.path);
  const RunSettings& run = run_;
  int error = 0;
  LogResult done = LogResult::ConvertedDeleted;
  switch (run.Originals) {
    case AfterSuccess::Delete: error = app_.fileSystem.deleteFile(input.path); break;
    case AfterSuccess::MoveToDone: {
      const MoveResult moved =
          moveIntoFolder(app_.fileSystem, input.path, doneFolderOf(run, rows_[input.row].row.watch));
      error = moved.error;
      if (error == 0) addDetail(entry, movedToDetail(moved.movedTo));
      done = LogResult::MovedToDone;
      break;
    }
    case AfterSuccess::RecycleBin:
      error = app_.fileSystem.recycle(input.path);
      done = LogResult::MovedToRecycleBin;
      break;
  }
  if (error == 0) return done;
  sayCannotMove(input.path, error);
  return LogResult::KeptCannotMove;
}

void StandbyRun::sayCannotMove(const std::string& path, int error) {
  if (said_.first(said::cannotMove(path)))
    host_.warn(path + kCannotMoveInputMessage + "\r\n" + ioErrorMessage(static_cast<uint32_t>(error)));
}

bool StandbyRun::handle(const Handed& input, const ViewerResult& viewer, std::vector<std::string>& notConverted) {
  const RunSettings& run = run_;
  const OutputFacts output = factsOf(app_.fileSystem, input.output);
  const bool made = input.made;
  if (made) origins_.record(input.output, rows_[input.row].source->originOf(input.path));
  const InputDecision decision = decideInput(run, viewer.end(), made, attempts_.of(input.path));
  LogEntry entry;
  entry.input = input.path;
  entry.output = input.output;
  entry.size = made ? output.size : 0;  // the output this run made; an older one says nothing
  entry.exitCode = viewer.started ? static_cast<int64_t>(viewer.exitCode) : -1;
  entry.viewerSeconds = viewer.seconds;
  if (!input.renamedFrom.empty()) entry.detail = renamedOutputDetail(input.renamedFrom);
  // A further watch folder is named, so that the log tells the rows apart.
  if (!rows_[input.row].row.name.empty()) addDetail(entry, rows_[input.row].row.name);
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
      rows_[input.row].source->unseal(input.path);
      const MoveResult moved =
          moveIntoFolder(app_.fileSystem, input.path, errorFolderOf(run, rows_[input.row].row.watch));
      if (moved.error != 0) {
        entry.result = LogResult::KeptCannotMove;
        addDetail(entry, "エラーフォルダ, " + ioErrorMessage(static_cast<uint32_t>(moved.error)));
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
  runAfterCommand(input, entry.result);
  if (!isConverted(entry.result))
    notConverted.push_back(std::string(fileNamePart(input.path)) + ": " + logResultText(entry.result));
  return movedAside;
}

void StandbyRun::runAfterCommand(const Handed& input, LogResult result) {
  const bool converted = isConverted(result);
  if (run_.AfterCommand.empty() || (!converted && result != LogResult::MovedToError)) return;
  const std::string line =
      afterCommandLine(run_.AfterCommand, input.path, converted ? input.output : std::string(),
                       converted ? kAfterCommandConverted : kAfterCommandError, rows_[input.row].row.watch);
  const ViewerResult ran = runCommand(line, static_cast<DWORD>(run_.AfterCommandSeconds) * 1000u);
  if (!ran.started) {
    const std::string text =
        std::string(kAfterCommandCannotStartMessage) + "\r\n" + line + "\r\n" + ioErrorMessage(ran.error.code());
    log_.message(true, text);
    if (said_.first(said::kAfterCommandCannotStart)) host_.warn(text);
    return;
  }
  said_.clear(said::kAfterCommandCannotStart);
  log_.message(true, ran.timedOut ? afterCommandTimedOutLogText(line) : afterCommandEndedLogText(ran.exitCode, line));
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
  runAfterCommand(input, entry.result);
  return true;
}

void StandbyRun::finishWithoutConverting(const Handed& input) {
  LogEntry entry;
  entry.input = input.path;
  entry.output = input.output;
  addDetail(entry, kResumedLogText);
  origins_.record(input.output, rows_[input.row].source->originOf(input.path));
  entry.result = finish(input, entry);
  logOnce(entry);
}

bool WatchFolderSource::take(const std::vector<ReadyFile>& ready, const std::vector<ListingEntry>& listing,
                             std::vector<StandbyCandidate>& toConvert, bool&) {
  // Inputs converted in an earlier cycle that could not be deleted or moved wait only for
  // that: it is tried again, without the viewer.
  const std::string& watch = row_.watch;
  toConvert.reserve(ready.size());
  for (const ReadyFile& file : ready) {
    const ListingEntry& listed = listing[file.second];
    if (!cycle_.retryRemoval(watch + listed.name, listed)) toConvert.push_back({index_, watch + listed.name, listed});
  }
  return !toConvert.empty() && cycle_.outputFolderUsable(row_.output);
}

OutputChoice WatchFolderSource::chooseOutput(ViewerBatch& batch, const StandbyCandidate& input,
                                             const std::string& wanted, bool&) {
  return batch.chooseOutput(wanted, input.path);
}

}  // namespace marlisk::win
