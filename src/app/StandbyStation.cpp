// Standby output on a watch folder shared with other stations: the station begins, finishes
// what its last life left, claims its share of the ready files and looks at the others.
#include "app/StandbyRun.h"

#include <algorithm>

#include "app/InputMoves.h"
#include "app/ThisComputer.h"
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
  int error = 0;
  // A folder that cannot be made or written now, or a rename the server refuses now, may be
  // a share that dropped or a server not yet up: standby goes on and tries again each cycle,
  // said once, as for a missing watch folder. What will not change by itself is refused.
  auto notYet = [&](const char* message) {
    if (said_.first(said::kStationUnusable)) host_.warn(folder + message + "\r\n" + ioErrorMessage(static_cast<uint32_t>(error)));
    return StationStart::NotYet;
  };
  switch (station_.begin(s.WatchFolder, name, newStationIdentity(), &error)) {
    case Station::Begin::Ok: break;
    case Station::Begin::NameInUse: host_.warn(stationNameInUseMessage(name)); return StationStart::Refused;
    case Station::Begin::OtherVolume: host_.warn(folder + kClaimFolderOtherVolumeMessage); return StationStart::Refused;
    case Station::Begin::CannotUse: return notYet(kClaimFolderUnusableMessage);
    case Station::Begin::CannotRename: return notYet(kClaimRenameFailedMessage);
  }
  said_.clear(said::kStationUnusable);
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
    held.seal = sealFile(app_.fileSystem, path);
    if (held.seal) held.seal->facts(held.listed.size, held.listed.lastWrite);
    std::string output;
    if (held.seal && recoveryOf(
                         station_.lastLife(), path, [this](const std::string& o) { return there(o); }, &output) ==
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
      if (!there(path)) held_.erase(path);
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
      if (said_.first(said::unlistable(path))) host_.warn(path + kPathTooLongMessage);
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
      if (app_.fileSystem.moveFile(path, watch + listed.name) == 0) {
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
      held.seal = sealFile(app_.fileSystem, path);
      if (!held.seal || !held.seal->facts(held.listed.size, held.listed.lastWrite)) continue;
    }
    candidates.push_back({path, held.listed, held.resumed});
    held.resumed = false;
  }
  std::erase_if(held_, [this](const auto& held) { return !there(held.first); });
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
    said_.clear(said::kTakenOver);
    return true;
  }
  // Away too long (a frozen PC, a dropped share) and another station put the files back:
  // they may be another's now. Nothing is deleted; the station begins again.
  if (said_.first(said::kTakenOver)) log_.message(true, kTakenOverLogText);
  held_.clear();
  heldCount_ = 0;
  awaitingRemoval_.clear();
  if (station_.begin(app_.settings.WatchFolder, station_.name(), newStationIdentity()) == Station::Begin::Ok)
    recoverClaims();
  return false;
}

}  // namespace marlisk::win
