#include "app/Station.h"

#include <objbase.h>

#include "app/InputMoves.h"
#include "app/core/OutputOrigins.h"
#include "core/Path.h"
#include "win/Strings.h"

namespace marlisk::win {

namespace {

// The files (not folders) a folder holds, by name.
std::vector<std::string> filesIn(const std::string& folder, const wchar_t* pattern = L"*") {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  UniqueFindHandle search(FindFirstFileExW((widen(folder) + L"\\" + pattern).c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0));
  if (!search) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(narrow(found.cFileName));
  } while (FindNextFileW(search.get(), &found));
  return names;
}

StationCard readCard(const FileSystem& fs, const std::string& path) {
  const ReadResult read = fs.readFile(path, 1u << 20);
  return read.error == 0 ? parseCard(read.bytes) : StationCard();
}

// An open of the lock that asks to delete it, sharing everything: refused while the station's
// own open (which shares only reading) stands, on every client of the server.
UniqueFileHandle openLockToRemove(const std::string& lock, bool removeOnClose) {
  return UniqueFileHandle(CreateFileW(widen(lock).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      removeOnClose ? FILE_FLAG_DELETE_ON_CLOSE : 0, nullptr));
}

std::string newInstanceId() {
  GUID guid{};
  if (FAILED(CoCreateGuid(&guid)))
    return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
  wchar_t text[64] = {};
  StringFromGUID2(guid, text, 64);
  return narrow(text);
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
  const std::wstring folder = widen(std::string(folderPart(record)));
  if (CreateDirectoryW(folder.c_str(), nullptr)) SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_HIDDEN);
  // Made only where no record is: of two stations, one makes it and the other reads it.
  UniqueFileHandle made(
      CreateFileW(widen(record).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (made) {
    DWORD written = 0;
    if (WriteFile(made.get(), drawing.data(), static_cast<DWORD>(drawing.size()), &written, nullptr) &&
        written == drawing.size()) {
      madeNow = true;
      return true;
    }
    made.reset();
    DeleteFileW(widen(record).c_str());
    return true;  // a record that cannot be written keeps nobody out: the name is as before
  }
  if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return true;
  const std::string owner = drawingOf(output);
  if (OutputOrigins::fold(owner) == OutputOrigins::fold(drawing)) return true;
  // Another drawing's: kept while its output is there, or may still come.
  UniqueFileHandle existing(CreateFileW(widen(record).c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  uint64_t size = 0, written = 0;
  constexpr uint64_t kDay = 24ull * 60 * 60 * 10'000'000;
  if (serverNow == 0 || !existing || !sizeAndTimeOf(existing.get(), size, written) || serverNow < written + kDay ||
      GetFileAttributesW(widen(output).c_str()) != INVALID_FILE_ATTRIBUTES)
    return false;
  existing.reset();
  madeNow = fs_.replaceFile(record, drawing) == 0;
  return madeNow;
}

void OutputRecords::release(const std::string& output, const std::string& drawing) {
  if (OutputOrigins::fold(drawingOf(output)) == OutputOrigins::fold(drawing))
    DeleteFileW(widen(recordOf(output)).c_str());
}

std::string computerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? narrow(name) : std::string();
}

UniqueFileHandle sealFile(const std::string& path, Win32Error* error) {
  Win32Error last;
  for (int attempt = 0; attempt < 6; ++attempt) {
    if (attempt > 0) Sleep(200);
    UniqueFileHandle sealed(CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (sealed) return sealed;
    last = Win32Error::last();
    // A racing rename or a writer that shares deleting lets go in a moment; anything else is
    // the answer already.
    if (last.code() != ERROR_SHARING_VIOLATION) break;
  }
  if (error) *error = last;
  return UniqueFileHandle();
}

bool sizeAndTimeOf(HANDLE file, uint64_t& size, uint64_t& lastWrite) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return false;
  size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  lastWrite = fileTimeValue(info.ftLastWriteTime);
  return true;
}

std::vector<StationState> readStations(const FileSystem& fs, const std::string& watchFolder) {
  std::vector<StationState> stations;
  const std::string root = claimRootOf(watchFolder);
  for (const std::string& cardName : filesIn(root, L"*.txt")) {
    const std::string name = cardName.substr(0, cardName.size() - 4);
    if (!isStationName(name)) continue;
    StationState state;
    state.name = name;
    state.card = readCard(fs, root + "\\" + cardName);
    state.held = filesIn(claimFolderOf(watchFolder, name)).size();
    const std::string lock = lockFileOf(watchFolder, name);
    state.lockHeld = !openLockToRemove(lock, false) && GetLastError() == ERROR_SHARING_VIOLATION;
    stations.push_back(std::move(state));
  }
  return stations;
}

PutBack putBackClaims(FileSystem& fs, const std::string& watchFolder, const std::string& station,
                      const std::string& rescuer, const std::string& errorFolder, const std::string& why) {
  PutBack result;
  // Held open until the files are back: the station cannot take up its lock again meanwhile,
  // and once this ends the lock is gone, which the station sees if it comes back.
  UniqueFileHandle lock = openLockToRemove(lockFileOf(watchFolder, station), true);
  if (!lock && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND) {
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
  for (const std::string& name : filesIn(folder)) {
    const std::string from = folder + name;
    // The rename needs deleting, which a station's seal does not share: a file that station
    // still converts stays with it.
    if (MoveFileExW(widen(from).c_str(), widen(watchFolder + name).c_str(), 0)) {
      result.back.push_back(watchFolder + name);
      line(from, watchFolder + name, LogResult::PutBack);
      continue;
    }
    const DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) {
      // A new drawing of the same name waits there: neither is replaced.
      const MoveResult moved = moveIntoFolder(from, errorFolder);
      if (!moved.error.failed()) {
        result.toError.push_back(moved.movedTo);
        line(from, moved.movedTo, LogResult::MovedToError);
        continue;
      }
    }
    ++result.stillHeld;
  }
  return result;
}

Station::Begin Station::begin(const std::string& watchFolder, const std::string& name, Win32Error* error) {
  watchFolder_ = watchFolder;
  name_ = name;
  claimFolder_ = claimFolderOf(watchFolder, name) + "\\";
  cardPath_ = cardFileOf(watchFolder, name);
  auto failed = [&](Begin why) {
    if (error) *error = Win32Error::last();
    lock_.reset();
    return why;
  };
  lock_.reset();  // a second begin, after this station's files were put back
  CreateDirectoryW(widen(claimRootOf(watchFolder)).c_str(), nullptr);
  CreateDirectoryW(widen(claimFolderOf(watchFolder, name)).c_str(), nullptr);
  // Only reading shared: a second station of this name, anywhere, is refused by the server.
  // Another station looking whether this one lives opens the lock for a moment too: a
  // refusal is believed only when it lasts.
  for (int attempt = 0; attempt < 10 && !lock_; ++attempt) {
    if (attempt > 0) Sleep(200);
    lock_.reset(CreateFileW(widen(lockFileOf(watchFolder, name)).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!lock_ && GetLastError() != ERROR_SHARING_VIOLATION) return failed(Begin::CannotUse);
  }
  if (!lock_) return failed(Begin::NameInUse);

  // A claim must be a rename: a claim folder behind a junction or a link to another volume
  // would turn it into a copy, and some file servers and clients cannot rename at all. A probe
  // made in the watch folder shows both at once. It is closed before the rename, as a drawing
  // is when it is claimed (a client that cannot rename an open file can still claim), and
  // removed whatever happens: nothing of it stays in the watch folder.
  const std::string probeName = "~" + name + ".probe";
  const std::wstring probe = widen(watchFolder + probeName), probed = widen(claimFolder_ + probeName);
  DeleteFileW(probed.c_str());
  {
    UniqueFileHandle made(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!made) return failed(Begin::CannotUse);
  }
  if (!MoveFileExW(probe.c_str(), probed.c_str(), 0)) {
    const Win32Error why = Win32Error::last();
    DeleteFileW(probe.c_str());
    if (error) *error = why;
    lock_.reset();
    return why.code() == ERROR_NOT_SAME_DEVICE ? Begin::OtherVolume : Begin::CannotRename;
  }
  DeleteFileW(probed.c_str());

  lastLife_ = readCard(fs_, cardPath_);
  card_ = StationCard();
  card_.computer = computerName();
  card_.instance = newInstanceId();
  card_.pid = GetCurrentProcessId();
  card_.state = "待機中";
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
  UniqueFileHandle card(CreateFileW(widen(cardPath_).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  uint64_t size = 0, written = 0;
  return card && sizeAndTimeOf(card.get(), size, written) ? written : 0;
}

bool Station::stillOurs() const {
  BY_HANDLE_FILE_INFORMATION info;
  if (!lock_ || !GetFileInformationByHandle(lock_.get(), &info)) return false;
  // A lock file removed by a rescuer (a server that let it go while this PC was away).
  if (GetFileAttributesW(widen(lockFileOf(watchFolder_, name_)).c_str()) == INVALID_FILE_ATTRIBUTES &&
      GetLastError() == ERROR_FILE_NOT_FOUND)
    return false;
  const StationCard now = readCard(fs_, cardPath_);
  return now.instance == card_.instance && now.takenOverBy.empty();
}

Station::ClaimOutcome Station::claim(const std::string& name) {
  if (MoveFileExW(widen(watchFolder_ + name).c_str(), widen(claimFolder_ + name).c_str(), 0))
    return ClaimOutcome::Claimed;
  const DWORD code = GetLastError();
  return code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS ? ClaimOutcome::Leftover : ClaimOutcome::Lost;
}

std::vector<std::string> Station::held() const { return filesIn(claimFolder_); }

}  // namespace marlisk::win
