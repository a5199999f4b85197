// Standby output: the watch folder is listed twice, a wait apart; the files whose size held
// are converted by one viewer run and then deleted. It runs until the program is closed.
#include "app/MarliskMForm.h"
#include "app/ViewerCommandLine.h"
#include "app/ViewerLauncher.h"
#include "base/Path.h"
#include "res/resource.h"
#include "settings/SettingsRules.h"
#include "win/MessagePump.h"
#include "win/TextFiles.h"

namespace marlisk::win {

namespace {

void reportIoError(DWORD code) {
  if (code != 0) ShowWarning("I/O Error code=" + std::to_string(code));
}

uint64_t fileTimeValue(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

void TMarliskMForm::startStandbyOutput() {
  if (running_ || timer1Running_) return;
  const OutputTab tab = activeTab();
  if (!buildViewerCommandLine(tab, outputTypeIndex(tab), app_.settings.OutputFolder, "")) {
    ShowWarning("出力形式が選択されていません!");
    return;
  }
  Timer1Timer();
}

void TMarliskMForm::Timer1Timer() {
  if (!timer1Running_) {
    beginStandbyCycle();
  } else if (countdown_ > 0) {
    countdown_ -= 2;
    setStatus(countdownText(countdown_));
  } else {
    endStandbyCycle();
  }
}

DWORD TMarliskMForm::takeListing(const char* fileName, std::vector<ListingEntry>& entries) {
  const Settings& s = app_.settings;
  entries.clear();
  BufferedFileWriter listing(s.WorkFolder + fileName);
  if (listing.error()) return listing.error();
  SendMessageW(item(IDC_ListBox1), LB_RESETCONTENT, 0, 0);
  pendingProgress_.clear();
  progressTrim_ = false;

  PumpClock clock;
  const std::string pattern = s.WatchFolder + standbyMask(s.WatchFileMask, activeTab());
  WIN32_FIND_DATAW found;
  UniqueFindHandle search(
      FindFirstFileExW(widen(pattern).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
  // A watch folder that is not there (a share gone away, a folder removed) is said once,
  // and again only after it has come back and gone once more; the cycles go on meanwhile.
  const bool folderThere = search || app_.fileSystem.folderExists(parentFolder(pattern));
  if (!folderThere && !watchFolderMissingReported_) {
    watchFolderMissingReported_ = true;
    ShowWarning(parentFolder(pattern) + kFolderMissingMessage);
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
        if (unlistableReported_.insert(path).second) {
          flushProgress();
          ShowWarning(path + "\r このパソコンの文字コードで表せない文字を含む名前のため、変換できません!");
        }
        continue;
      }
      listing.write(listingLine(static_cast<uint64_t>(size.QuadPart), *ansiName) + "\r\n");
      if (listing.error()) break;
      entries.push_back({name, static_cast<uint64_t>(size.QuadPart), fileTimeValue(written)});
      addProgressEntry(path);
      if (clock.due()) keepAlive();
    } while (FindNextFileW(search.get(), &found));
  }
  flushProgress();
  fitProgressListWidth();
  return listing.close();
}

bool TMarliskMForm::deleteIfUnchanged(const std::string& path, const ListingEntry& listed) {
  WIN32_FILE_ATTRIBUTE_DATA now;
  if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &now)) return false;
  const uint64_t size = (static_cast<uint64_t>(now.nFileSizeHigh) << 32) | now.nFileSizeLow;
  // Written again while the viewer ran: what it holds now was never converted.
  if (size != listed.size || fileTimeValue(now.ftLastWriteTime) != listed.lastWrite) return false;
  return DeleteFileW(widen(path).c_str()) != 0;
}

void TMarliskMForm::beginStandbyCycle() {
  countdown_ = app_.settings.WaitSeconds;
  setStatus(countdownText(countdown_));
  setRunControlsEnabled(false);
  running_ = true;
  reportIoError(takeListing("\\FList1.txt", firstListing_));
  running_ = false;
  if (closeWhenDone_) {
    close(IDOK);
    return;
  }
  SetTimer(hwnd(), kTimer1, kTimer1Interval, nullptr);
  timer1Running_ = true;
}

void TMarliskMForm::endStandbyCycle() {
  const Settings& s = app_.settings;
  KillTimer(hwnd(), kTimer1);
  timer1Running_ = false;
  running_ = true;
  setBusy(true);

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
    setStatus("出力中 !");
    processPendingMessages();
    BufferedFileWriter commands(s.ViewerCommandFilePath);
    if (commands.error()) {
      reportIoError(commands.error());
    } else {
      int written = 0;
      for (const ReadyFile& file : ready) {
        const OutputTab tab = activeTab();
        const int typeIndex = outputTypeIndex(tab);
        const std::string input = s.WatchFolder + secondListing[file.second].name;
        if (const auto line = app_.codec.toAnsi(*buildViewerCommandLine(tab, typeIndex, s.OutputFolder, input))) {
          commands.write(*line + "\r\n");
          ++written;
        }
      }
      // An incomplete command file would delete inputs that were never converted.
      const DWORD writeError = commands.close();
      reportIoError(writeError);
      if (writeError == 0 && written > 0) {
        // Inputs are deleted only once a viewer has had them and ended by itself; a viewer
        // that could not be started, or crashed, leaves them for the next cycle.
        const ViewerResult viewer = runViewer(s.ViewerExePath, s.ViewerCommandFilePath);
        if (viewer.started && !viewer.crashed()) {
          for (const ReadyFile& file : ready)
            deleteIfUnchanged(s.WatchFolder + secondListing[file.second].name, secondListing[file.second]);
        } else if (viewer.crashed() && !viewerCrashReported_) {
          viewerCrashReported_ = true;
          ShowWarning(viewerCrashedMessage(viewer.exitCode));
        }
      }
      setStatus("待機中 !");
    }
  }
  setBusy(false);
  running_ = false;
  if (closeWhenDone_) {
    close(IDOK);
    return;
  }
  beginStandbyCycle();
}

}  // namespace marlisk::win
