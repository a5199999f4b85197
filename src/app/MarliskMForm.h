// The main window: it shows the two ways of converting (the runs do the work), the output
// type of each tab, and the start of the program, which runs once the window is first shown.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/BatchRun.h"
#include "app/OutputPage.h"
#include "app/core/ProgramStart.h"
#include "app/core/ProjectInfo.h"
#include "app/RunHost.h"
#include "app/RunMessages.h"
#include "app/RunThread.h"
#include "app/StartUp.h"
#include "app/RunLog.h"
#include "app/ProgressView.h"
#include "app/TrayPresence.h"
#include "app/StandbyRun.h"
#include "batchlist/OutFileListForm.h"
#include "dialogs/FolderOpenForm.h"
#include "dialogs/SetAutoPar2Form.h"
#include "dialogs/SetAutoParForm.h"
#include "dialogs/RunSettingsForm.h"
#include "dialogs/SetPaperMargForm.h"
#include "help/HtmlHelp.h"
#include "win/Dialog.h"

namespace marlisk::win {

class TMarliskMForm final : public Dialog, private RunHost {
 public:
  static constexpr UINT_PTR kTimer1 = 1;  // Timer1: paces standby output
  static constexpr UINT kTimer1Interval = 2000;
  // The program's exit code when a batch run could not convert anything it was asked to.
  // Exit codes of batch output, for the scripts that start it with "/c": every listed file
  // converted (0), some missing or not converted (1), nothing converted (2).
  static constexpr int kExitSomeNotConverted = 1;
  static constexpr int kExitRunNotStarted = StartUp::kExitRunNotStarted;

  explicit TMarliskMForm(AppContext& app);
  // A step still running is waited for before the runs it belongs to go.
  ~TMarliskMForm() override;

  // The tab in front; read on the window's thread only (a run is given it as it starts).
  OutputTab activeTab() const;
  bool stopRequested() const override { return stop_; }
  int exitCode() const { return exitCode_; }
  // An output step is under way that the window must outlive.
  bool running() const { return runThread_.busy() || standby_.busy(); }
  const StartRequest& startRequest() const { return request_; }
  StartUp::Stage startStage() const { return startUp_.stage(); }
  OutputPage& outputPage(OutputTab tab) { return tab == OutputTab::Output1 ? page1_ : page2_; }
  const TrayIcon& trayIcon() const { return tray_.icon(); }

  // The five controls that must not be used while an output runs, and the output types.
  void setRunControlsEnabled(bool enabled) override;
  // The hourglass over the window while converting.
  void setBusy(bool busy) override;
  void setStatus(const std::string& text) override;

  // The program's start: working folder, settings, command line. Runs once however often it
  // is asked for.
  void initialize();
  // Called once the window has been shown the way the system asked for (normal, minimised,
  // hidden): the start runs from the message loop as soon as it is running. A window that
  // starts minimised never paints, so the first paint cannot be what starts the program.
  void firstShown();

  // The two ways of converting.
  void startBatchOutput();
  void startStandbyOutput();

  // Standby output: the button and every tick of Timer1 run this one handler.
  void Timer1Timer();
  bool timer1Running() const { return standby_.state() == StandbyRun::State::Waiting; }
  int32_t countdown() const { return standby_.countdown(); }

  void ButtonOKClick();
  void ButtonAppMinimizeClick();
  void ButtonVersionClick();
  void ButtonCreateOutListFileClick();
  void ButtonHelpClick();
  TFormOutFileList& batchListEditor() { return outFileList_; }
  void ButtonSetAutoParClick();
  TSetAutoParForm& setAutoParForm() { return setAutoParForm_; }
  TSetAutoPar2Form& setAutoPar2Form() { return setAutoPar2Form_; }
  TFolderOpenForm& folderOpenForm() { return folderOpenForm_; }
  void ButtonRunSettingsClick();
  TRunSettingsForm& runSettingsForm() { return runSettingsForm_; }
  // Today's run log, opened with the system's program for it.
  void ButtonShowLogClick();
  void RadioGroupOutTypClick(int index);
  void RadioGroupOutTyp2Click(int index);
  void PageControl1Change();

 protected:
  void onInitDialog() override;
  bool onCommand(int id, int code, HWND control) override;
  INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  void onDestroy() override;

 private:
  void placePages();
  void drawMinimizeButton(const DRAWITEMSTRUCT& draw);
  std::string bundledConverterPath() const;
  // What the runs ask of the window.
  void clearProgress(bool trimmed) override;
  void addProgress(const std::string& path) override;
  void addProgress(const ProgressBatch& batch) override { progress_.add(batch); }
  void finishProgress() override;
  void keepAlive() override;
  void warn(const std::string& text) override;
  bool ask(const std::string& text) override;
  void startTimer() override;
  void stopTimer() override;
  // A step of a run has ended, on the run's thread.
  void stepEnded();
  // After a batch run: the program ends, unless nothing was begun and a person is there.
  void batchEnded(BatchRun::Outcome outcome);
  // After a run handed the window back: the controls come back, or the program ends if
  // "終了" was pressed meanwhile.
  void finishRun();
  void closeIfStopped();
  // "終了" while the viewer converts: the user is told what the program waits for, and may
  // have the viewer ended now.
  void offerToEndViewer();

  // A message now belongs to standby output: one is running, or the program was started for it.
  bool standbyMode() const;
  void inputNotConverted(const std::string& text) override;
  void convertingFiles(size_t count) override { tray_.setConverting(count); }
  void trayMenu();
  // Pauses standby, or resumes it: from the notification area's menu and the system menu.
  void togglePause();
  void updatePauseMenu();
  static constexpr UINT kPauseCommand = 0x0110;  // a system-menu command: below 0xF000, low 4 bits clear
  bool pauseInSystemMenu_ = false;

  AppContext& app_;
  THTMLHelp HTMLHelp1;              // every help request of the program goes through it
  TFormOutFileList outFileList_;    // lives for the run: its list survives between showings
  TFolderOpenForm folderOpenForm_;  // one chooser for every folder "参照"
  TSetAutoParForm setAutoParForm_;
  TSetPaperMargForm setPaperMargForm_;
  TSetAutoPar2Form setAutoPar2Form_;
  TRunSettingsForm runSettingsForm_;
  OutputPage page1_;
  OutputPage page2_;
  // The notification area: while standby runs, and in place of the taskbar when minimised
  // with "最小化のとき通知領域に入れる".
  TrayPresence tray_;
  StartRequest request_;
  StartUp startUp_;
  BatchRun batch_{app_, runThread_};
  StandbyRun standby_{app_, runThread_};
  // The runs' slow steps go to their own thread; what they ask of the window comes back here.
  // Declared after the runs (they keep a reference to it, unused until a run starts): it is
  // destroyed first, and its wait ends any step before a run object goes.
  RunThread runThread_{*this, [this] { stepEnded(); }};
  bool batchRunning_ = false;                                    // the step running is a batch run
  BatchRun::Outcome batchOutcome_ = BatchRun::Outcome::Refused;  // set on the run's thread
  bool askingToEndViewer_ = false;
  bool stepEndedWhileAsking_ = false;  // handled once the question is answered
  std::atomic<bool> stop_{false};
  bool busy_ = false;
  bool focusOkOnRestore_ = false;
  bool closeWhenDone_ = false;  // "終了" came during a run: the window closes once it is over
  int exitCode_ = 0;
  ProgressView progress_;              // the progress list, filled in batches
  RunMessages messages_{app_, tray_};  // a box, or the log and the tray when nobody is there
};

}  // namespace marlisk::win
