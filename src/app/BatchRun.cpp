#include "app/BatchRun.h"

#include "app/core/ViewerCommandLine.h"
#include "app/ViewerLauncher.h"
#include "core/Path.h"
#include "win/MessagePump.h"
#include "win/TextFiles.h"

namespace marlisk::win {

namespace {
constexpr const char* kCannotOpen = "ファイルを開けません!";
}

BatchRun::Outcome BatchRun::refuse(const std::string& message) {
  host_.warn(message);
  state_ = State::Idle;
  return Outcome::Refused;
}

BatchRun::Outcome BatchRun::run() {
  const Settings& s = app_.settings;
  state_ = State::Listing;
  host_.setRunControlsEnabled(false);

  // What every line needs is checked before anything is written.
  const OutputTab tab = host_.activeTab();
  const int typeIndex = tab == OutputTab::Output1 ? s.OutTypeIndex : s.OutType2Index;
  if (!buildViewerCommandLine(tab, typeIndex, s.OutputFolder, "")) return refuse("出力形式が選択されていません!");
  if (!app_.codec.toAnsi(s.OutputFolder)) return refuse(s.OutputFolder + kCannotOpen);

  LineFileReader batchList(s.BatchFileName);
  if (batchList.error()) return refuse(s.BatchFileName + kCannotOpen);
  BufferedFileWriter commands(s.ViewerCommandFilePath);
  if (commands.error()) return refuse(s.ViewerCommandFilePath + kCannotOpen);
  host_.setBusy(true);
  host_.setStatus("出力中 !");
  processPendingMessages();
  host_.clearProgress(true);

  PumpClock clock;
  std::string raw;
  bool listReadFailed = false;
  while (!host_.stopRequested()) {
    const LineFileReader::Status status = batchList.next(raw);
    if (status == LineFileReader::Status::End) break;
    if (status == LineFileReader::Status::Error) {
      listReadFailed = true;
      break;
    }
    if (status == LineFileReader::Status::Overlong) {
      host_.warn(s.BatchFileName + "\r 長すぎる行を読み飛ばしました!");
      continue;
    }
    const std::optional<std::string> path = app_.codec.fromAnsi(raw);
    if (!path) {  // bytes that name no file in this code page
      host_.warn(ansiForDisplay(raw) + kCannotOpen);
      continue;
    }
    if (tab == OutputTab::Output2 && asciiLower(extensionPart(*path)) != ".pdf") continue;
    if (!app_.fileSystem.fileExists(*path)) {
      host_.warn(*path + kCannotOpen);
      continue;
    }
    const std::optional<std::string> ansiLine =
        app_.codec.toAnsi(*buildViewerCommandLine(tab, typeIndex, s.OutputFolder, *path));
    if (!ansiLine) {
      host_.warn(*path + kCannotOpen);
      continue;
    }
    host_.addProgress(*path);
    commands.write(*ansiLine + "\r\n");
    if (clock.due()) host_.keepAlive();
  }
  host_.finishProgress();

  // A command file that lost lines would convert less than the list asked for, and say
  // nothing: no viewer then, but the run still ends as a batch run ends, with the program,
  // so that a script that started it is not left waiting; the exit code tells it.
  const DWORD writeError = commands.close();
  if (writeError != 0 || listReadFailed) {
    host_.warn("I/O Error code=" + std::to_string(writeError != 0 ? writeError : batchList.error()));
    state_ = State::Idle;
    return Outcome::Failed;
  }
  state_ = State::Converting;
  runViewer(s.ViewerExePath, s.ViewerCommandFilePath);
  state_ = State::Idle;
  return Outcome::Converted;
}

}  // namespace marlisk::win
