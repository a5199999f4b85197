#include "app/BatchRun.h"

#include <optional>
#include <unordered_set>
#include <utility>

#include "app/InputMoves.h"
#include "app/ViewerBatch.h"
#include "app/core/SeenPaths.h"
#include "batchlist/core/BatchList.h"

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
      log_(app.fileSystem, app.settings.WorkFolder, run_, [&host](const std::string& text) { host.warn(text); }) {}

BatchRun::Outcome BatchRun::refuse(const std::string& message) {
  host_.warn(message);
  return Outcome::Refused;
}

BatchRun::Outcome BatchRun::run(const RunSettings& settings, OutputTab tab) {
  const Settings& s = app_.settings;
  run_ = settings;
  host_.setRunControlsEnabled(false);

  // What every line needs is checked before anything is written.
  const int typeIndex = chosenOutputType(s, tab);
  if (!buildViewerCommandLine(tab, typeIndex, s.OutputFolder, "")) return refuse(kNoOutputTypeMessage);
  if (!app_.codec.toAnsi(s.OutputFolder)) return refuse(s.OutputFolder + kCannotOpenMessage);

  LineFileReader batchList(s.BatchFileName);
  if (batchList.error().failed()) return refuse(s.BatchFileName + kCannotOpenMessage);
  // A file that is not a list of names (the viewer's exe, chosen by mistake) would be read as
  // hundreds of "paths", each with its box: it is refused whole, once.
  size_t listBytes = 0;
  {
    constexpr size_t kLooked = 64u << 20;
    const ReadResult start = app_.fileSystem.readFile(s.BatchFileName, kLooked);
    if (start.error == 0 && !isTextList(start.bytes, app_.codec, start.bytes.size() < kLooked))
      return refuse(s.BatchFileName + kBatchListNotTextMessage);
    listBytes = start.bytes.size();
  }
  // Two listed drawings of one name (scan.bmp, scan.tif) never share an output, in this run
  // or across runs: the later one gets a free name.
  OutputOrigins origins = loadOutputOrigins(app_.fileSystem, s.WorkFolder);
  ViewerBatch batch(app_, tab, typeIndex, *outputTypeAt(tab, typeIndex), origins, listBytes / 32);  // checked above
  if (batch.error().failed()) return refuse(s.ViewerCommandFilePath + kCannotOpenMessage);
  host_.setBusy(true);
  host_.setStatus(kOutputtingStatus);
  host_.keepAlive();
  host_.clearProgress(true);

  // The window is told of new entries ten times a second: more often, it would spend the run
  // redrawing a list nobody can read at that pace.
  PumpClock clock(100);
  std::string raw;
  bool listReadFailed = false;
  size_t missing = 0;  // listed, but not handed over
  struct Handed {
    std::string input, output;
    OutputFacts before = {};    // what was at the output path before the run
    bool renamed = false;       // its own name was another input's output
    bool repeatLogged = false;  // a later line named it again, and the log has said so
  };
  std::vector<Handed> handed;
  // A list that names a drawing again (a list grown by appending) converts it once: a second
  // line would make "name (2)" of the same drawing. Folded path -> its repeat was logged.
  SeenPaths inputs(listBytes / 32);
  auto logMissing = [&](const std::string& path, LogResult result) {
    ++missing;
    LogEntry entry;
    entry.standby = false;
    entry.input = path;
    entry.result = result;
    log_.write(entry);
  };
  // A list of many files that are gone must not hold the user at a box for each: after the
  // first, the user may have the rest only logged.
  bool missingAsked = false, missingQuiet = false;
  auto sayMissing = [&](const std::string& path) {
    if (missingQuiet) return;
    if (missingAsked) return host_.warn(path + kCannotOpenMessage);
    missingAsked = true;
    missingQuiet = !host_.ask(path + kCannotOpenMessage + kMoreMissingQuestion);
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
      sayMissing(ansiForDisplay(raw));
      logMissing(ansiForDisplay(raw), LogResult::Missing);
      continue;
    }
    // Output 2 takes PDF alone: the list may hold other files for output 1.
    if (tab == OutputTab::Output2 && asciiLower(extensionPart(*path)) != ".pdf") continue;
    if (!app_.fileSystem.fileExists(*path)) {
      sayMissing(*path);
      logMissing(*path, LogResult::Missing);
      continue;
    }
    const auto handedInput = [&](size_t n) -> std::string_view { return handed[n].input; };
    if (const size_t first = inputs.find(*path, handedInput); first != SeenPaths::kNone) {
      if (!std::exchange(handed[first].repeatLogged, true)) {
        LogEntry entry;
        entry.standby = false;
        entry.input = *path;
        entry.result = LogResult::Skipped;
        entry.detail = kRepeatedInputDetail;
        log_.write(entry);
      }
      continue;
    }
    const std::string wanted = batch.wantedOutput(*path);
    OutputChoice output = batch.chooseOutput(wanted, *path);
    if (output.path.empty() || !batch.addLine(*path, output.path)) {
      sayMissing(*path);
      logMissing(*path, LogResult::Missing);
      continue;
    }
    // Each allocation here is made 100,000 times for a long list, and under Wine costs as
    // much as the line itself: the path moves into the list of handed inputs.
    host_.addProgress(*path);
    const bool renamed = output.path != wanted;
    inputs.add(*path, handed.size());
    handed.push_back({std::move(*path), std::move(output.path), output.before, renamed});
    if (clock.due()) host_.keepAlive();
  }
  host_.finishProgress();
  listingLines.reset();

  // A command file that lost lines would convert less than the list asked for, and say
  // nothing: no viewer then, but the run still ends as a batch run ends, with the program,
  // so that a script that started it is not left waiting; the exit code tells it.
  const Win32Error writeError = batch.closeCommands();
  if (writeError.failed() || listReadFailed) {
    host_.warn(ioErrorMessage((writeError.failed() ? writeError : batchList.error()).code()));
    return Outcome::Failed;
  }
  const RunSettings& run = run_;
  const uint64_t runStart = app_.fileSystem.now();
  // What was at the outputs before the viewer ran came from one listing of their folder.
  // After the run each output is asked about itself, as a listing may show a file just
  // closed with its old size.
  const ViewerResult viewer = batch.runViewer(run, &viewer_);
  if (viewer.timedOut) host_.warn(viewerTimeLimitMessage(run.ViewerTimeLimitMinutes));
  if (!viewer.started && !handed.empty()) host_.warn(cannotStartMessage(s.ViewerExePath, viewer.error));
  // The inputs stay where they are, as batch output always leaves them: the log says what
  // became of each, and the exit code whether anything is missing.
  size_t notMade = 0;
  RunLog::Batch resultLines(log_);
  for (const Handed& input : handed) {
    LogEntry entry;
    entry.standby = false;
    entry.input = input.input;
    entry.output = input.output;
    const OutputFacts facts = factsOf(app_.fileSystem, input.output);
    const bool written = outputMade(facts, runStart, input.before);
    if (written) origins.record(input.output, input.input);
    const bool made = !run.CheckOutput || written;
    // Batch output leaves every input where it is: a line that made nothing says so and why,
    // not that the input is held for another try, which batch output never makes.
    entry.result = viewer.end() == ViewerEnd::Ended && made ? LogResult::Converted : LogResult::NotConverted;
    if (entry.result != LogResult::Converted) {
      ++notMade;
      entry.detail = notConvertedReason(viewer.end());
    }
    entry.size = written ? facts.size : 0;  // an output of an earlier run says nothing of this one
    entry.exitCode = viewer.started ? static_cast<int64_t>(viewer.exitCode) : -1;
    entry.viewerSeconds = viewer.seconds;
    if (input.renamed && written) addDetail(entry, renamedOutputDetail(batch.wantedOutput(input.input)));
    log_.write(entry);
  }
  const Win32Error saved = saveOutputOrigins(app_.fileSystem, s.WorkFolder, origins);
  if (saved.failed()) host_.warn(ioErrorMessage(saved.code()));
  listed_ = handed.size() + missing;
  handed_ = handed.size();
  converted_ = handed.size() - notMade;
  if (!viewer.started && !handed.empty()) return Outcome::Failed;
  return missing > 0 || notMade > 0 ? Outcome::Incomplete : Outcome::Converted;
}

}  // namespace marlisk::win
