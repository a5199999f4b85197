#include "app/core/Station.h"

#include "app/core/FileMoves.h"
#include "app/core/OutputOrigins.h"
#include "core/Path.h"

namespace marlisk {

namespace {

// The files (not folders) a folder holds, by name.
std::vector<std::string> filesIn(const FileSystem& fs, const std::string& folder, const char* pattern = "*") {
  std::vector<FolderEntry> entries;
  fs.list(folder, pattern, entries);
  std::vector<std::string> names;
  for (FolderEntry& entry : entries)
    if (!entry.facts.folder) names.push_back(std::move(entry.name));
  return names;
}

// The files below a folder (a station's claims keep the watch folder's subfolders), by their
// path relative to it.
std::vector<std::string> filesBelow(const FileSystem& fs, const std::string& folder, const std::string& relative = "",
                                    int depth = 0) {
  std::vector<FolderEntry> entries;
  fs.list(folder + relative, "*", entries);
  std::vector<std::string> names;
  for (FolderEntry& entry : entries) {
    if (!entry.facts.folder) {
      names.push_back(relative + entry.name);
    } else if (!entry.facts.reparsePoint && depth < kMostSubfolderDepth) {
      for (std::string& below : filesBelow(fs, folder, relative + entry.name + "\\", depth + 1))
        names.push_back(std::move(below));
    }
  }
  return names;
}

StationCard readCard(const FileSystem& fs, const std::string& path) {
  const ReadResult read = fs.readFile(path, 1u << 20);
  return read.error == 0 ? parseCard(read.bytes) : StationCard();
}

// An open of the lock that asks to delete it, sharing everything: refused while the station's
// own open (which shares only reading) stands, on every client of the server.
OpenFilePtr openLockToRemove(FileSystem& fs, const std::string& lock, bool removeOnClose, int& error) {
  OpenMode mode{OpenMode::kDelete, OpenMode::kShareAll};
  mode.deleteOnClose = removeOnClose;
  return fs.open(lock, mode, &error);
}

// What a file holds now, asked through an open that keeps nobody out.
bool factsThroughOpen(FileSystem& fs, const std::string& path, uint64_t& size, uint64_t& lastWrite) {
  const OpenFilePtr file = fs.open(path, {OpenMode::kAttributesOnly, OpenMode::kShareAll});
  return file && file->facts(size, lastWrite);
}

std::string recordOf(const std::string& output) {
  return std::string(folderPart(output)) + kOutputRecordFolderName + "\\" + std::string(fileNamePart(output)) + ".txt";
}

}  // namespace

std::string OutputRecords::drawingOf(const std::string& output) const {
  const ReadResult read = fs_.readFile(recordOf(output), 4096);
  return read.error == 0 ? read.bytes : std::string();
}

bool OutputRecords::reserve(const std::string& output, const std::string& drawing, uint64_t serverNow, bool& madeNow) {
  madeNow = false;
  const std::string record = recordOf(output);
  const std::string folder(folderPart(record));
  if (fs_.createFolder(folder.substr(0, folder.size() - 1))) fs_.hide(folder);
  // Made only where no record is: of two stations, one makes it and the other reads it.
  int error = 0;
  if (const OpenFilePtr made = fs_.open(record, {OpenMode::kWrite, 0, OpenMode::Create::New}, &error)) {
    if (made->write(drawing) == 0) {
      madeNow = true;
      return true;
    }
  } else if (fs_error::nameTaken(error)) {
    const std::string owner = drawingOf(output);
    if (OutputOrigins::fold(owner) == OutputOrigins::fold(drawing)) return true;
    // Another drawing's: kept while its output is there, or may still come.
    uint64_t size = 0, written = 0;
    constexpr uint64_t kDay = 24ull * 60 * 60 * 10'000'000;
    if (serverNow == 0 || !factsThroughOpen(fs_, record, size, written) || serverNow < written + kDay ||
        fs_.facts(output).exists)
      return false;
    madeNow = fs_.replaceFile(record, drawing) == 0;
    return madeNow;
  } else {
    return true;  // no record can be made here: the name is as it was without records
  }
  fs_.deleteFile(record);
  return true;  // a record that cannot be written keeps nobody out: the name is as before
}

void OutputRecords::release(const std::string& output, const std::string& drawing) {
  if (OutputOrigins::fold(drawingOf(output)) == OutputOrigins::fold(drawing)) fs_.deleteFile(recordOf(output));
}

std::vector<StationState> readStations(FileSystem& fs, const std::string& watchFolder) {
  std::vector<StationState> stations;
  const std::string root = claimRootOf(watchFolder);
  for (const std::string& cardName : filesIn(fs, root, "*.txt")) {
    const std::string name = cardName.substr(0, cardName.size() - 4);
    if (!isStationName(name)) continue;
    StationState state;
    state.name = name;
    state.card = readCard(fs, root + "\\" + cardName);
    state.held = filesBelow(fs, claimFolderOf(watchFolder, name) + "\\").size();
    int error = 0;
    state.lockHeld =
        !openLockToRemove(fs, lockFileOf(watchFolder, name), false, error) && error == fs_error::kSharingViolation;
    stations.push_back(std::move(state));
  }
  return stations;
}

PutBack putBackClaims(FileSystem& fs, const std::string& watchFolder, const std::string& station,
                      const std::string& rescuer, const std::string& errorFolder, const std::string& why) {
  PutBack result;
  // Held open until the files are back: the station cannot take up its lock again meanwhile,
  // and once this ends the lock is gone, which the station sees if it comes back.
  int error = 0;
  const OpenFilePtr lock = openLockToRemove(fs, lockFileOf(watchFolder, station), true, error);
  if (!lock && !fs_error::notThere(error)) {
    result.decision = Takeover::LockStillHeld;
    return result;
  }
  const std::string cardPath = cardFileOf(watchFolder, station);
  StationCard card = readCard(fs, cardPath);
  card.takenOverBy = rescuer;
  card.state = "停止中";
  fs.replaceFile(cardPath, cardText(card));

  const std::string folder = claimFolderOf(watchFolder, station) + "\\";
  auto line = [&](const std::string& from, const std::string& to, LogResult what) {
    LogEntry entry;
    entry.input = from;
    entry.output = to;
    entry.result = what;
    entry.detail = why;
    result.lines.push_back(std::move(entry));
  };
  for (const std::string& name : filesBelow(fs, folder)) {
    const std::string from = folder + name;
    // A claim from a subfolder goes back to it, made again if it went meanwhile.
    if (name.find('\\') != std::string::npos) fs.makeFolders(watchFolder + std::string(folderPart(name)));
    // The rename needs deleting, which a station's seal does not share: a file that station
    // still converts stays with it.
    const int moved = fs.moveFile(from, watchFolder + name);
    if (moved == 0) {
      result.back.push_back(watchFolder + name);
      line(from, watchFolder + name, LogResult::PutBack);
      continue;
    }
    if (fs_error::nameTaken(moved)) {
      // A new drawing of the same name waits there: neither is replaced.
      const MoveResult toError = moveIntoFolder(fs, from, errorFolder);
      if (toError.error == 0) {
        result.toError.push_back(toError.movedTo);
        line(from, toError.movedTo, LogResult::MovedToError);
        continue;
      }
    }
    ++result.stillHeld;
  }
  return result;
}

Station::Begin Station::begin(const std::string& watchFolder, const std::string& name, const StationIdentity& me,
                              int* error) {
  watchFolder_ = watchFolder;
  name_ = name;
  claimFolder_ = claimFolderOf(watchFolder, name) + "\\";
  cardPath_ = cardFileOf(watchFolder, name);
  int why = 0;
  auto failed = [&](Begin what) {
    if (error) *error = why != 0 ? why : fs_error::kAccessDenied;
    lock_.reset();
    return what;
  };
  lock_.reset();  // a second begin, after this station's files were put back
  fs_.createFolder(claimRootOf(watchFolder));
  fs_.createFolder(claimFolderOf(watchFolder, name));
  // Only reading shared: a second station of this name, anywhere, is refused by the server.
  // Another station looking whether this one lives opens the lock for a moment too: a
  // refusal is believed only when it lasts.
  const OpenMode locking{OpenMode::kRead | OpenMode::kWrite, OpenMode::kShareRead, OpenMode::Create::Always};
  for (int attempt = 0; attempt < 10 && !lock_; ++attempt) {
    if (attempt > 0) fs_.waitBriefly(200);
    lock_ = fs_.open(lockFileOf(watchFolder, name), locking, &why);
    if (!lock_ && why != fs_error::kSharingViolation) return failed(Begin::CannotUse);
  }
  if (!lock_) return failed(Begin::NameInUse);

  // A claim must be a rename: a claim folder behind a junction or a link to another volume
  // would turn it into a copy, and some file servers and clients cannot rename at all. A probe
  // made in the watch folder shows both at once. It is closed before the rename, as a drawing
  // is when it is claimed (a client that cannot rename an open file can still claim), and
  // removed whatever happens: nothing of it stays in the watch folder.
  const std::string probeName = "~" + name + ".probe";
  const std::string probe = watchFolder + probeName, probed = claimFolder_ + probeName;
  fs_.deleteFile(probed);
  {
    OpenMode making{OpenMode::kWrite, 0, OpenMode::Create::Always};
    making.hiddenTemporary = true;
    if (!fs_.open(probe, making, &why)) return failed(Begin::CannotUse);
  }
  if ((why = fs_.moveFile(probe, probed)) != 0) {
    fs_.deleteFile(probe);
    return failed(why == fs_error::kNotSameDevice ? Begin::OtherVolume : Begin::CannotRename);
  }
  fs_.deleteFile(probed);

  lastLife_ = readCard(fs_, cardPath_);
  card_ = StationCard();
  card_.computer = me.computer;
  card_.instance = me.instance;
  card_.pid = me.pid;
  card_.state = "待機中";
  why = 0;
  if (beat() == 0) return failed(Begin::CannotUse);
  return Begin::Ok;
}

void Station::end() {
  if (!lock_) return;
  card_.state = "停止中";
  card_.batch.clear();
  card_.checked.clear();
  if (stillOurs()) beat();
  lock_.reset();
}

uint64_t Station::beat() {
  ++card_.counter;
  if (fs_.replaceFile(cardPath_, cardText(card_)) != 0) return 0;
  // The card's write time is the server's clock: the time this station's outputs are
  // compared with, whatever this PC's own clock says.
  uint64_t size = 0, written = 0;
  return factsThroughOpen(fs_, cardPath_, size, written) ? written : 0;
}

bool Station::stillOurs() const {
  uint64_t size = 0, written = 0;
  if (!lock_ || !lock_->facts(size, written)) return false;
  // A lock file removed by a rescuer (a server that let it go while this PC was away).
  // Only its absence counts: a share that does not answer now says nothing of it.
  int error = 0;
  if (!fs_.open(lockFileOf(watchFolder_, name_), {OpenMode::kAttributesOnly, OpenMode::kShareAll}, &error) &&
      error == fs_error::kFileNotFound)
    return false;
  const StationCard now = readCard(fs_, cardPath_);
  return now.instance == card_.instance && now.takenOverBy.empty();
}

Station::Claim Station::claim(const std::string& name) {
  Claim claim;
  const std::string path = claimFolder_ + name;
  // A file of a subfolder is claimed into the same subfolder of the claim folder.
  if (name.find('\\') != std::string::npos) fs_.makeFolders(std::string(folderPart(path)));
  const int moved = fs_.moveFile(watchFolder_ + name, path);
  if (moved != 0) {
    claim.outcome = fs_error::nameTaken(moved) ? ClaimOutcome::Leftover : ClaimOutcome::Lost;
    return claim;
  }
  int why = 0;
  claim.seal = sealFile(fs_, path, &why);
  // Only a file that opens in the claim folder counts: the server's word on the rename may
  // be a stale open's.
  claim.outcome = claim.seal || !fs_error::notThere(why) ? ClaimOutcome::Claimed : ClaimOutcome::Lost;
  return claim;
}

std::vector<std::string> Station::held() const { return filesBelow(fs_, claimFolder_); }

}  // namespace marlisk
