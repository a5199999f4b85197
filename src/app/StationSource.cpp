// Standby on a watch folder shared with other stations: the station begins, finishes what its
// last life left, claims its share of the ready files and looks at the others.
#include "app/StationSource.h"

#include <algorithm>

#include "app/InputMoves.h"
#include "app/StandbyFiles.h"
#include "app/ThisComputer.h"
#include "app/core/FileMoves.h"
#include "core/Messages.h"
#include "core/Path.h"
#include "settings/core/SettingsRules.h"

namespace marlisk::win {

using namespace standby;

StationSource::StationSource(StandbyShared& shared, StandbyCycle& cycle, const WatchRow& row, size_t index)
    : shared_(shared),
      cycle_(cycle),
      row_(row),
      index_(index),
      station_(shared.app.fileSystem),
      records_(shared.app.fileSystem) {}

StationSource::~StationSource() {
  held_.clear();
  station_.end();
}

std::string StationSource::originOf(const std::string& path) const {
  // A claimed file is still the watch folder's drawing: its own output is the one it made
  // under that name, whichever station it was.
  if (path.starts_with(station_.claimFolder())) return row_.watch + path.substr(station_.claimFolder().size());
  return path;
}

InputSource::Start StationSource::begin() {
  const RunSettings& run = shared_.run;
  const std::string name = run.StationName.empty() ? stationNameFrom(computerName()) : run.StationName;
  const std::string folder = claimFolderOf(row_.watch, name);
  // The viewer is given the claimed paths in the code page.
  if (!shared_.app.codec.toAnsi(folder)) {
    shared_.host.warn(folder + kUnconvertibleNameMessage);
    return Start::Refused;
  }
  int error = 0;
  // A folder that cannot be made or written now, or a rename the server refuses now, may be
  // a share that dropped or a server not yet up: standby goes on and tries again each cycle,
  // said once, as for a missing watch folder. What will not change by itself is refused.
  auto notYet = [&](const char* message) {
    if (shared_.said.first(said::kStationUnusable))
      shared_.host.warn(folder + message + "\r\n" + ioErrorMessage(static_cast<uint32_t>(error)));
    return Start::NotYet;
  };
  switch (station_.begin(row_.watch, name, newStationIdentity(), &error)) {
    case Station::Begin::Ok: break;
    case Station::Begin::NameInUse: shared_.host.warn(stationNameInUseMessage(name)); return Start::Refused;
    case Station::Begin::OtherVolume: shared_.host.warn(folder + kClaimFolderOtherVolumeMessage); return Start::Refused;
    case Station::Begin::CannotUse: return notYet(kClaimFolderUnusableMessage);
    case Station::Begin::CannotRename: return notYet(kClaimRenameFailedMessage);
  }
  shared_.said.clear(said::kStationUnusable);
  begun_ = true;
  recoverClaims();
  return Start::Ok;
}

void StationSource::recoverClaims() {
  RunLog::Batch lines(shared_.log);
  for (const std::string& name : station_.held()) {
    const std::string path = station_.claimFolder() + name;
    if (held_.contains(path)) continue;
    Held held;
    held.resumed = true;
    held.listed.name = name;
    held.seal = sealFile(shared_.app.fileSystem, path);
    if (held.seal) held.seal->facts(held.listed.size, held.listed.lastWrite);
    std::string output;
    if (held.seal && recoveryOf(
                         station_.lastLife(), path, [this](const std::string& o) { return there(o); }, &output) ==
                         Recovery::FinishWithoutConverting) {
      // Its output was made and checked before that life ended: only the input is left to go.
      held_[path] = std::move(held);
      cycle_.finishWithoutConverting({index_, path, output, held_[path].listed});
      if (!there(path)) held_.erase(path);
      continue;
    }
    // A file the viewer had when that life ended may be what ended it: one attempt is
    // counted. One only waiting in the folder for its next attempt is not.
    const std::vector<std::string>& handed = station_.lastLife().batch;
    if (held.seal && std::find(handed.begin(), handed.end(), path) != handed.end()) shared_.attempts.add(path);
    held_[path] = std::move(held);
  }
  heldCount_ = held_.size();
}

bool StationSource::claimReady(const std::vector<ReadyFile>& ready, const std::vector<ListingEntry>& listing) {
  const std::string& watch = row_.watch;
  RunLog& log = shared_.log;
  std::vector<std::string> names;
  names.reserve(ready.size());
  for (const ReadyFile& file : ready) names.push_back(listing[file.second].name);
  const int32_t room = shared_.run.ClaimBatch - static_cast<int32_t>(held_.size());
  size_t claimed = 0, lost = 0;
  RunLog::Batch lines(log);
  const std::vector<size_t> order = claimOrder(names, station_.name(), room);
  for (const size_t i : order) {
    const ListingEntry& listed = listing[ready[i].second];
    const std::string path = station_.claimFolder() + listed.name;
    if (tooLongForTheViewer(path)) {
      if (shared_.said.first(said::unlistable(path))) shared_.host.warn(path + kPathTooLongMessage);
      continue;
    }
    // Lost to another station, or still held by its writer: not an error, and no attempt.
    // A file of this name this station already holds goes first; the new one waits.
    Station::Claim claim = station_.claim(listed.name);
    if (claim.outcome != Station::ClaimOutcome::Claimed) {
      lost += held_.contains(path) ? 0 : 1;
      continue;
    }
    Held held{listed, std::move(claim.seal)};
    uint64_t size = 0, lastWrite = 0;
    if (held.seal && (!held.seal->facts(size, lastWrite) || size != listed.size || lastWrite != listed.lastWrite)) {
      // Written again since the listings: back to the watch folder, to settle again.
      held.seal.reset();
      if (shared_.app.fileSystem.moveFile(path, watch + listed.name) == 0) {
        LogEntry entry;
        entry.input = path;
        entry.output = watch + listed.name;
        entry.result = LogResult::PutBack;
        addDetail(entry, "書き込み中");
        log.write(entry);
        continue;
      }
    }
    LogEntry entry;
    entry.input = watch + listed.name;
    entry.output = path;
    entry.result = LogResult::Claimed;
    log.write(entry);
    held_[path] = std::move(held);
    ++claimed;
  }
  if (!order.empty()) log.message(true, claimCycleLogText(station_.name(), claimed, lost));
  heldCount_ = held_.size();
  // Its room, not the ready files, ended this claim: the rest are as settled as these were.
  return claimed > 0 && order.size() < names.size();
}

void StationSource::learnOutputs(const std::string& wanted, FolderListing& outputFolder) {
  const std::string folder(folderPart(wanted));
  freeName(std::string(fileNamePart(wanted)), [&](const std::string& name) {
    const std::string path = folder + name;
    const std::string drawing = records_.drawingOf(path);
    if (drawing.empty()) return outputFolder.facts(path).exists;
    shared_.origins.record(path, row_.watch + drawing);
    return true;
  });
}

void StationSource::takeHeld(std::vector<StandbyCandidate>& candidates) {
  for (auto& [path, held] : held_) {
    // Converted already, and only its deletion or move failed: that is tried again.
    if (cycle_.awaitingRemoval(path)) {
      cycle_.retryRemoval(path, held.listed);
      continue;
    }
    if (!held.seal) {
      // Someone still had it open when it was claimed: the seal is tried again, and what the
      // file is now is what the viewer gets.
      held.seal = sealFile(shared_.app.fileSystem, path);
      if (!held.seal || !held.seal->facts(held.listed.size, held.listed.lastWrite)) continue;
    }
    candidates.push_back({index_, path, held.listed, held.resumed});
    held.resumed = false;
  }
  std::erase_if(held_, [this](const auto& held) { return !there(held.first); });
  heldCount_ = held_.size();
}

void StationSource::lookAtOthers() {
  const std::string& watch = row_.watch;
  const uint64_t now = GetTickCount64();
  for (const StationState& other : readStations(shared_.app.fileSystem, watch)) {
    if (other.name == station_.name()) continue;
    liveness_.observe(other.name, other.card.counter, now);
    if (other.held == 0 || !other.card.takenOverBy.empty()) continue;
    if (takeoverDecision(liveness_.silentMs(other.name, now), shared_.run.TakeOverMinutes, !other.lockHeld) !=
        Takeover::Allowed)
      continue;
    const PutBack result =
        putBackClaims(shared_.app.fileSystem, watch, other.name, station_.name() + " " + station_.card().instance,
                      errorFolderOf(shared_.run, watch), other.name + " から");
    RunLog::Batch lines(shared_.log);
    for (const LogEntry& entry : result.lines) shared_.log.write(entry);
  }
}

bool StationSource::stillOurs() {
  if (station_.stillOurs()) {
    shared_.said.clear(said::kTakenOver);
    return true;
  }
  // Away too long (a frozen PC, a dropped share) and another station put the files back:
  // they may be another's now. Nothing is deleted; the station begins again.
  if (shared_.said.first(said::kTakenOver)) shared_.log.message(true, kTakenOverLogText);
  held_.clear();
  heldCount_ = 0;
  cycle_.forgetAwaitingRemoval();
  if (station_.begin(row_.watch, station_.name(), newStationIdentity()) == Station::Begin::Ok) recoverClaims();
  return false;
}

void StationSource::settle(std::vector<ReadyFile>& ready, const std::vector<ListingEntry>& listing, bool again) {
  // A claim at once takes only files that settled over a whole wait: one that arrived since
  // has been listed twice only a conversion apart, and may still be being written.
  if (again) std::erase_if(ready, [&](const ReadyFile& file) { return !settled_.contains(listing[file.second].name); });
  settled_.clear();
  for (const ReadyFile& file : ready) settled_.insert(listing[file.second].name);
}

bool StationSource::take(const std::vector<ReadyFile>& ready, const std::vector<ListingEntry>& listing,
                         std::vector<StandbyCandidate>& toConvert, bool& claimAgain) {
  // Nothing is claimed for an output folder that cannot take the outputs.
  // The card is rewritten at every cycle (its counter is how the others know this one
  // lives), once it is sure to be still this life's card.
  if (!(begun_ || begin() == Start::Ok) || !stillOurs()) return false;
  serverNow_ = station_.beat();
  if (!cycle_.outputFolderUsable(row_.output)) return false;
  lookAtOthers();
  claimAgain = claimReady(ready, listing);
  takeHeld(toConvert);
  return true;
}

OutputChoice StationSource::chooseOutput(ViewerBatch& batch, const StandbyCandidate& input, const std::string& wanted,
                                         bool& recorded) {
  // Another station may be choosing the same name right now: the name is taken by making its
  // record, and a name lost that way is passed over.
  return batch.chooseOutput(
      wanted, originOf(input.path), [&](FolderListing& folder) { learnOutputs(wanted, folder); },
      [&](const std::string& path) { return records_.reserve(path, input.listed.name, serverNow_, recorded); });
}

uint64_t StationSource::viewerStarts(const std::vector<HandedInput>& handed) {
  // Said on the card before the viewer has them: a life that ends now is followed by one
  // that knows what it was doing. The card's time is the server's clock.
  station_.card().state = "変換中";
  station_.card().batch.clear();
  for (const HandedInput& input : handed) station_.card().batch.push_back(input.path);
  return serverNow_ = station_.beat();
}

bool StationSource::viewerEnded(const std::vector<HandedInput>& handed) {
  // The outputs checked are on the card before any input goes: a life ending in the middle
  // of that is not followed by a second conversion.
  station_.card().state = "待機中";
  station_.card().batch.clear();
  for (const HandedInput& input : handed)
    if (input.made) station_.card().checked.push_back(checkedEntry(input.path, input.output));
  station_.beat();
  station_.card().checked.clear();
  return stillOurs();
}

void StationSource::outputNotMade(const HandedInput& input) {
  if (input.recorded) records_.release(input.output, input.listed.name);
}

void StationSource::handled(const HandedInput& input) {
  if (!there(input.path)) held_.erase(input.path);
  heldCount_ = held_.size();
}

OpenFile* StationSource::sealOf(const std::string& path) {
  const auto held = held_.find(path);
  return held == held_.end() ? nullptr : held->second.seal.get();
}

void StationSource::unseal(const std::string& path) {
  if (const auto held = held_.find(path); held != held_.end()) held->second.seal.reset();
}

std::string StationSource::status(const std::string& text) const {
  if (!station_.active()) return text;
  return text + "  [" + station_.name() + ": " + std::to_string(heldCount_) + " 件]";
}

}  // namespace marlisk::win
