// The main window's part in the runs: starting batch and standby output, what the runs ask
// of the window (status, progress, messages, the timer), and the end of a step or a run.
#include "app/MarliskMForm.h"

#include <commctrl.h>

#include "core/Messages.h"
#include "res/resource.h"
#include "win/Warning.h"

namespace marlisk::win {

namespace {
// The five controls a run takes away. The help, the version and the run settings stay: the
// run goes on on its own thread whatever window is open.
constexpr int kRunControls[] = {IDC_ButtonCreateOutListFile, IDC_ButtonSetAutoPar, IDC_PageControl1,
                                IDC_ButtonBatchOutput, IDC_ButtonAutoOutput};
}  // namespace

void TMarliskMForm::setRunControlsEnabled(bool enabled) {
  for (int id : kRunControls) EnableWindow(item(id), enabled);
  // The output type must not change under a running output either.
  EnableWindow(page1_.hwnd(), enabled);
  EnableWindow(page2_.hwnd(), enabled);
}

void TMarliskMForm::setBusy(bool busy) {
  busy_ = busy;
  SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void TMarliskMForm::setStatus(const std::string& text) {
  setItemText(IDC_Label1, text);
  tray_.setStatus(text);
}

void TMarliskMForm::offerToEndViewer() {
  ViewerStopper& viewer = batchRunning_ ? batch_.viewer() : standby_.viewer();
  if (askingToEndViewer_ || !viewer.running()) return;
  askingToEndViewer_ = true;
  setStatus(kWaitingForViewerStatus);
  // The inputs of the run stay where they are: a viewer ended is a viewer that did not finish.
  const bool yes = AskYesNo(kWaitingForViewerStatus + std::string(kEndViewerQuestion), false);
  askingToEndViewer_ = false;
  if (!stepEndedWhileAsking_) {
    if (yes) viewer.endNow();
    return;
  }
  // The viewer ended by itself while the question was up: the run is over now.
  stepEndedWhileAsking_ = false;
  stepEnded();
}

void TMarliskMForm::finishRun() {
  setBusy(false);
  if (closeWhenDone_) {
    close(IDOK);
    return;
  }
  setRunControlsEnabled(true);
}

void TMarliskMForm::startBatchOutput() {
  if (running()) return;
  // Whoever started it, a run in unattended mode shows no box: nobody need be there.
  messages_.runStarts();
  batchRunning_ = true;
  setRunControlsEnabled(false);
  // What the run needs of the window is read here, on the window's thread, and handed over.
  runThread_.runStep(
      [this, settings = app_.runSettings, tab = activeTab()] { batchOutcome_ = batch_.run(settings, tab); });
}

void TMarliskMForm::batchEnded(BatchRun::Outcome outcome) {
  switch (outcome) {
    case BatchRun::Outcome::Refused:
      // Nobody is there to mend what was refused: the script that started it is told.
      if (startUp_.unattended() && request_.batch) {
        exitCode_ = kExitRunNotStarted;
        closeWhenDone_ = true;
      }
      messages_.runEnds();
      break;
    case BatchRun::Outcome::Failed:
      exitCode_ = kExitRunNotStarted;
      closeWhenDone_ = true;
      break;
    case BatchRun::Outcome::Incomplete:
      exitCode_ = kExitSomeNotConverted;
      closeWhenDone_ = true;
      // A person who pressed the button would otherwise see the window close a second after
      // "出力中 !" and never learn that some files came to nothing (a script has the exit code).
      // Missing files were each said already. A viewer none of whose outputs could be seen
      // (one that writes elsewhere) ends the run as it always did, without a box.
      if (!request_.batch && batch_.converted() > 0 && batch_.converted() < batch_.handed())
        messages_.warn(batchSummaryMessage(batch_.converted(), batch_.listed(),
                                           app_.runSettings.RunLog ? messages_.todayLogPath() : std::string()),
                       false);
      break;
    case BatchRun::Outcome::Converted: closeWhenDone_ = true; break;
  }
  finishRun();
}

void TMarliskMForm::stepEnded() {
  if (askingToEndViewer_) {
    withdrawQuestion();
    stepEndedWhileAsking_ = true;
    return;
  }
  if (batchRunning_) {
    batchRunning_ = false;
    batchEnded(batchOutcome_);
    return;
  }
  tray_.standbyRunning(standby_.state() != StandbyRun::State::Stopped);
  updatePauseMenu();
  // Refused as it began (a station name in use elsewhere): the window is the user's again.
  if (standby_.state() == StandbyRun::State::Stopped && !closeWhenDone_) {
    messages_.runEnds();
    finishRun();
  }
  closeIfStopped();
}

void TMarliskMForm::startStandbyOutput() {
  if (running() || standby_.state() != StandbyRun::State::Stopped) return;
  messages_.runStarts();
  if (!standby_.start(activeTab())) messages_.runEnds();
  tray_.standbyRunning(standby_.state() != StandbyRun::State::Stopped);
  updatePauseMenu();
  closeIfStopped();
}

bool TMarliskMForm::standbyMode() const { return standby_.state() != StandbyRun::State::Stopped || request_.standby; }

void TMarliskMForm::inputNotConverted(const std::string& text) { tray_.problem(text); }

void TMarliskMForm::Timer1Timer() {
  if (runThread_.busy()) return;  // a tick that came while a step ran
  standby_.tick();
  closeIfStopped();
}

// "終了" came while a listing or a conversion ran: the window goes once the run is out of it.
void TMarliskMForm::closeIfStopped() {
  if (closeWhenDone_ && !running()) close(IDOK);
}

void TMarliskMForm::startTimer() { SetTimer(hwnd(), kTimer1, kTimer1Interval, nullptr); }

void TMarliskMForm::stopTimer() { KillTimer(hwnd(), kTimer1); }

void TMarliskMForm::warn(const std::string& text) {
  progress_.flush();  // the list shows the run as far as it has come
  messages_.warn(text, standby_.state() != StandbyRun::State::Stopped);
}

bool TMarliskMForm::ask(const std::string& text) {
  progress_.flush();
  return messages_.ask(text, standby_.state() != StandbyRun::State::Stopped);
}

void TMarliskMForm::clearProgress(bool trimmed) { progress_.clear(trimmed); }

void TMarliskMForm::addProgress(const std::string& path) { progress_.add(path); }

void TMarliskMForm::finishProgress() { progress_.finish(); }

void TMarliskMForm::keepAlive() { progress_.flushNowAndThen(); }

}  // namespace marlisk::win
