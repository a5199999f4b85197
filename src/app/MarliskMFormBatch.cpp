// Batch output: every file of the batch list, converted by one run of the viewer.
#include <algorithm>

#include "app/MarliskMForm.h"
#include "app/ProgressList.h"
#include "app/ViewerCommandLine.h"
#include "app/ViewerLauncher.h"
#include "base/Path.h"
#include "res/resource.h"
#include "win/Controls.h"
#include "win/MessagePump.h"
#include "win/TextFiles.h"

namespace marlisk::win {

namespace {
constexpr const char* kCannotOpen = "ファイルを開けません!";
}

// The list ends as if each entry had been added and scrolled to on its own, but is drawn
// once per batch: a visible scroll per entry costs more than everything else a run does.
void TMarliskMForm::flushProgress() {
  if (pendingProgress_.empty()) return;
  HWND list = item(IDC_ListBox1);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (const std::string& path : pendingProgress_) {
    for (int drop = progressTrim_ ? progressEntriesToDrop(count) : 0; drop > 0; --drop, --count)
      SendMessageW(list, LB_DELETESTRING, 0, 0);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(path).c_str()));
    ++count;
  }
  pendingProgress_.clear();
  if (progressTrim_) {
    SendMessageW(list, LB_SETTOPINDEX, progressTopIndex(count), 0);
    SendMessageW(list, LB_SETCARETINDEX, progressTopIndex(count), FALSE);
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void TMarliskMForm::keepAlive() {
  flushProgress();
  processPendingMessages();
}

// Long paths can be scrolled to sideways.
void TMarliskMForm::fitProgressListWidth() { fitHorizontalExtent(item(IDC_ListBox1)); }

void TMarliskMForm::startBatchOutput() {
  if (running_) return;
  const Settings& s = app_.settings;
  running_ = true;
  setRunControlsEnabled(false);

  // What every line needs is checked before anything is written.
  const OutputTab tab = activeTab();
  const int typeIndex = outputTypeIndex(tab);
  if (!buildViewerCommandLine(tab, typeIndex, s.OutputFolder, "")) {
    ShowWarning("出力形式が選択されていません!");
    finishRun();
    return;
  }
  if (!app_.codec.toAnsi(s.OutputFolder)) {
    ShowWarning(s.OutputFolder + kCannotOpen);
    finishRun();
    return;
  }

  LineFileReader batchList(s.BatchFileName);
  if (batchList.error()) {
    ShowWarning(s.BatchFileName + kCannotOpen);
    finishRun();
    return;
  }
  BufferedFileWriter commands(s.ViewerCommandFilePath);
  if (commands.error()) {
    ShowWarning(s.ViewerCommandFilePath + kCannotOpen);
    finishRun();
    return;
  }
  setBusy(true);
  setStatus("出力中 !");
  processPendingMessages();
  SendMessageW(item(IDC_ListBox1), LB_RESETCONTENT, 0, 0);
  progressTrim_ = true;

  PumpClock clock;
  // A message box shows the list as far as the run has come.
  auto warn = [this](const std::string& text) {
    flushProgress();
    ShowWarning(text);
  };
  std::string raw;
  bool listReadFailed = false;
  while (!stop_) {
    const LineFileReader::Status status = batchList.next(raw);
    if (status == LineFileReader::Status::End) break;
    if (status == LineFileReader::Status::Error) {
      listReadFailed = true;
      break;
    }
    if (status == LineFileReader::Status::Overlong) {
      warn(s.BatchFileName + "\r 長すぎる行を読み飛ばしました!");
      continue;
    }
    const std::optional<std::string> path = app_.codec.fromAnsi(raw);
    if (!path) {  // bytes that name no file in this code page
      warn(ansiForDisplay(raw) + kCannotOpen);
      continue;
    }
    if (tab == OutputTab::Output2 && asciiLower(extensionPart(*path)) != ".pdf") continue;
    if (!app_.fileSystem.fileExists(*path)) {
      warn(*path + kCannotOpen);
      continue;
    }
    const std::optional<std::string> ansiLine = app_.codec.toAnsi(*buildViewerCommandLine(tab, typeIndex, s.OutputFolder, *path));
    if (!ansiLine) {
      warn(*path + kCannotOpen);
      continue;
    }
    addProgressEntry(*path);
    commands.write(*ansiLine + "\r\n");
    if (clock.due()) keepAlive();
  }
  flushProgress();
  fitProgressListWidth();

  // A command file that lost lines would convert less than the list asked for, and say
  // nothing: no viewer then, but the run still ends as a batch run ends, with the program,
  // so that a script that started it is not left waiting; the exit code tells it.
  const DWORD writeError = commands.close();
  if (writeError != 0 || listReadFailed) {
    warn("I/O Error code=" + std::to_string(writeError != 0 ? writeError : batchList.error()));
    exitCode_ = kExitRunNotStarted;
    closeWhenDone_ = true;
    finishRun();
    return;
  }
  runViewer(s.ViewerExePath, s.ViewerCommandFilePath);
  closeWhenDone_ = true;
  finishRun();
}

}  // namespace marlisk::win
