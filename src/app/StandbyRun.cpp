#include "app/StandbyRun.h"

#include "app/core/ViewerCommandLine.h"
#include "app/ViewerLauncher.h"
#include "core/Path.h"
#include "settings/core/SettingsRules.h"
#include "win/MessagePump.h"
#include "win/TextFiles.h"
#include "core/Messages.h"

namespace marlisk::win {

namespace {

uint64_t fileTimeValue(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

void StandbyRun::reportIoError(Win32Error error) {
  if (error.failed()) host_.warn(ioErrorMessage(error.code()));
}

bool StandbyRun::start() {
  if (state_ != State::Stopped) return true;
  const OutputTab tab = host_.activeTab();
  if (!buildViewerCommandLine(tab, chosenOutputType(app_.settings, tab), app_.settings.OutputFolder, "")) {
    host_.warn(kNoOutputTypeMessage);
    return false;
  }
  beginCycle();
  return true;
}

void StandbyRun::tick() {
  switch (state_) {
    case State::Stopped: beginCycle(); break;
    case State::Waiting:
      if (countdown_ > 0) {
        countdown_ -= 2;
        host_.setStatus(countdownText(countdown_));
      } else {
        endCycle();
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

bool StandbyRun::deleteIfUnchanged(const Handed& input) {
  WIN32_FILE_ATTRIBUTE_DATA now;
  if (!GetFileAttributesExW(widen(input.path).c_str(), GetFileExInfoStandard, &now)) return false;
  const uint64_t size = (static_cast<uint64_t>(now.nFileSizeHigh) << 32) | now.nFileSizeLow;
  // Written again while the viewer ran: what it holds now was never converted.
  if (size != input.listed.size || fileTimeValue(now.ftLastWriteTime) != input.listed.lastWrite) return false;
  return DeleteFileW(widen(input.path).c_str()) != 0;
}

void StandbyRun::beginCycle() {
  state_ = State::Listing;
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

void StandbyRun::endCycle() {
  const Settings& s = app_.settings;
  host_.stopTimer();
  state_ = State::Converting;
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

  if (!ready.empty()) {
    host_.setStatus(kOutputtingStatus);
    host_.keepAlive();
    BufferedFileWriter commands(s.ViewerCommandFilePath);
    if (commands.error().failed()) {
      reportIoError(commands.error());
    } else {
      // Exactly the inputs whose lines went into the command file: only they can be deleted.
      std::vector<Handed> handed;
      for (const ReadyFile& file : ready) {
        const OutputTab tab = host_.activeTab();
        const ListingEntry& listed = secondListing[file.second];
        const std::string input = s.WatchFolder + listed.name;
        if (const auto line =
                app_.codec.toAnsi(*buildViewerCommandLine(tab, chosenOutputType(s, tab), s.OutputFolder, input))) {
          commands.write(*line + "\r\n");
          handed.push_back({input, listed});
        }
      }
      // An incomplete command file would delete inputs that were never converted.
      const Win32Error writeError = commands.close();
      reportIoError(writeError);
      if (!writeError.failed() && !handed.empty()) {
        // Inputs are deleted only once a viewer has had them and ended by itself; a viewer
        // that could not be started, or crashed, leaves them for the next cycle.
        const ViewerResult viewer = runViewer(s.ViewerExePath, s.ViewerCommandFilePath);
        if (viewer.started && !viewer.crashed()) {
          for (const Handed& input : handed) deleteIfUnchanged(input);
        } else if (viewer.crashed() && !viewerCrashReported_) {
          viewerCrashReported_ = true;
          host_.warn(viewerCrashedMessage(viewer.exitCode));
        }
      }
      host_.setStatus(kWaitingStatus);
    }
  }
  host_.setBusy(false);
  state_ = State::Stopped;
  if (host_.stopRequested()) return;
  beginCycle();
}

}  // namespace marlisk::win
