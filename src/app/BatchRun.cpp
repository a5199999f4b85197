#include "app/BatchRun.h"

#include "app/core/ViewerCommandLine.h"
#include "app/ViewerLauncher.h"
#include "core/Path.h"
#include "win/MessagePump.h"
#include "win/TextFiles.h"
#include "core/Messages.h"

namespace marlisk::win {

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
  const int typeIndex = chosenOutputType(s, tab);
  if (!buildViewerCommandLine(tab, typeIndex, s.OutputFolder, "")) return refuse(kNoOutputTypeMessage);
  if (!app_.codec.toAnsi(s.OutputFolder)) return refuse(s.OutputFolder + kCannotOpenMessage);

  LineFileReader batchList(s.BatchFileName);
  if (batchList.error().failed()) return refuse(s.BatchFileName + kCannotOpenMessage);
  BufferedFileWriter commands(s.ViewerCommandFilePath);
  if (commands.error().failed()) return refuse(s.ViewerCommandFilePath + kCannotOpenMessage);
  host_.setBusy(true);
  host_.setStatus(kOutputtingStatus);
  host_.keepAlive();
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
      host_.warn(s.BatchFileName + kOverlongLineMessage);
      continue;
    }
    const std::optional<std::string> path = app_.codec.fromAnsi(raw);
    if (!path) {  // bytes that name no file in this code page
      host_.warn(ansiForDisplay(raw) + kCannotOpenMessage);
      continue;
    }
    if (tab == OutputTab::Output2 && asciiLower(extensionPart(*path)) != ".pdf") continue;
    if (!app_.fileSystem.fileExists(*path)) {
      host_.warn(*path + kCannotOpenMessage);
      continue;
    }
    const std::optional<std::string> ansiLine =
        app_.codec.toAnsi(*buildViewerCommandLine(tab, typeIndex, s.OutputFolder, *path));
    if (!ansiLine) {
      host_.warn(*path + kCannotOpenMessage);
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
  const Win32Error writeError = commands.close();
  if (writeError.failed() || listReadFailed) {
    host_.warn(ioErrorMessage((writeError.failed() ? writeError : batchList.error()).code()));
    state_ = State::Idle;
    return Outcome::Failed;
  }
  state_ = State::Converting;
  runViewer(s.ViewerExePath, s.ViewerCommandFilePath);
  state_ = State::Idle;
  return Outcome::Converted;
}

}  // namespace marlisk::win
