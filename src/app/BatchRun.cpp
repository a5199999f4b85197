#include "app/BatchRun.h"

#include <optional>

#include "app/InputMoves.h"

#include "app/core/ViewerCommandLine.h"
#include "app/ViewerLauncher.h"
#include "core/Path.h"
#include "win/MessagePump.h"
#include "win/TextFiles.h"
#include "core/Messages.h"

namespace marlisk::win {

BatchRun::BatchRun(AppContext& app, RunHost& host)
    : app_(app),
      host_(host),
      log_(app.settings.WorkFolder, app.runSettings, [&host](const std::string& text) { host.warn(text); }) {}

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

  // Ten times a second keeps the window answering (and 停止 heard) while a long list is read;
  // each pump repaints the progress list, which at forty a second cost a fifth of the run.
  PumpClock clock(100);
  std::string raw;
  bool listReadFailed = false;
  size_t missing = 0;  // listed, but not handed over
  struct Handed {
    std::string input, output;
    OutputFacts before = {};  // what was at the output path before the run
  };
  std::vector<Handed> handed;
  const std::string extension = outputTypes(tab)[static_cast<size_t>(typeIndex)].extension;
  auto logMissing = [&](const std::string& path, LogResult result) {
    ++missing;
    LogEntry entry;
    entry.standby = false;
    entry.input = path;
    entry.result = result;
    log_.write(entry);
  };
  std::optional<RunLog::Batch> listingLines(std::in_place, log_);  // written before the viewer starts
  while (!host_.stopRequested()) {
    const LineFileReader::Status status = batchList.next(raw);
    if (status == LineFileReader::Status::End) break;
    if (status == LineFileReader::Status::Error) {
      listReadFailed = true;
      break;
    }
    if (status == LineFileReader::Status::Overlong) {
      host_.warn(s.BatchFileName + kOverlongLineMessage);
      logMissing(s.BatchFileName, LogResult::Skipped);
      continue;
    }
    const std::optional<std::string> path = app_.codec.fromAnsi(raw);
    if (!path) {  // bytes that name no file in this code page
      host_.warn(ansiForDisplay(raw) + kCannotOpenMessage);
      logMissing(ansiForDisplay(raw), LogResult::Missing);
      continue;
    }
    // Output 2 takes PDF alone: the list may hold other files for output 1.
    if (tab == OutputTab::Output2 && asciiLower(extensionPart(*path)) != ".pdf") continue;
    if (!app_.fileSystem.fileExists(*path)) {
      host_.warn(*path + kCannotOpenMessage);
      logMissing(*path, LogResult::Missing);
      continue;
    }
    const std::optional<std::string> ansiLine =
        app_.codec.toAnsi(*buildViewerCommandLine(tab, typeIndex, s.OutputFolder, *path));
    if (!ansiLine) {
      host_.warn(*path + kCannotOpenMessage);
      logMissing(*path, LogResult::Missing);
      continue;
    }
    // Each allocation here is made 100,000 times for a long list, and under Wine costs as
    // much as the line itself: the path moves into the list of handed inputs.
    host_.addProgress(*path);
    commands.write(*ansiLine);
    commands.write("\r\n");
    std::string output = outputPathFor(s.OutputFolder, *path, extension);
    handed.push_back({std::move(*path), std::move(output)});
    if (clock.due()) host_.keepAlive();
  }
  host_.finishProgress();
  listingLines.reset();

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
  const RunSettings& run = app_.runSettings;
  const uint64_t runStart = fileTimeNow();
  // What is at the outputs before the viewer runs, for the output check: their folder is
  // listed once. After the run each output is asked about itself, as a listing may show a
  // file just closed with its old size.
  const std::vector<OutputFacts> before = factsOfOutputs(handed);
  for (size_t i = 0; i < handed.size(); ++i) handed[i].before = before[i];
  const ViewerResult viewer =
      runViewer(s.ViewerExePath, s.ViewerCommandFilePath, static_cast<DWORD>(run.ViewerTimeLimitMinutes) * 60'000u);
  if (viewer.timedOut) host_.warn(viewerTimeLimitMessage(run.ViewerTimeLimitMinutes));
  // The inputs stay where they are, as batch output always leaves them: the log says what
  // became of each, and the exit code whether anything is missing.
  size_t notMade = 0;
  RunLog::Batch resultLines(log_);
  for (const Handed& input : handed) {
    LogEntry entry;
    entry.standby = false;
    entry.input = input.input;
    entry.output = input.output;
    const OutputFacts facts = factsOf(input.output);
    const bool made = !run.CheckOutput || outputMade(facts, runStart, input.before);
    entry.result = viewer.end() == ViewerEnd::Ended && made ? LogResult::Converted : keptResult(viewer.end());
    if (entry.result != LogResult::Converted) ++notMade;
    entry.size = facts.size;
    entry.exitCode = viewer.started ? static_cast<int64_t>(viewer.exitCode) : -1;
    entry.viewerSeconds = viewer.seconds;
    log_.write(entry);
  }
  state_ = State::Idle;
  if (!viewer.started && !handed.empty()) return Outcome::Failed;
  return missing > 0 || notMade > 0 ? Outcome::Incomplete : Outcome::Converted;
}

}  // namespace marlisk::win
