// The main window: the two ways of converting, the output type of each tab, and the start
// of the program, which runs at the window's first paint.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/OutputPage.h"
#include "app/ProgramStart.h"
#include "app/ProjectInfo.h"
#include "app/Standby.h"
#include "batchlist/OutFileListForm.h"
#include "dialogs/FolderOpenForm.h"
#include "dialogs/SetAutoPar2Form.h"
#include "dialogs/SetAutoParForm.h"
#include "dialogs/SetPaperMargForm.h"
#include "help/HtmlHelp.h"
#include "win/Dialog.h"

namespace marlisk::win {

class TMarliskMForm final : public Dialog {
 public:
  static constexpr UINT_PTR kTimer1 = 1;  // Timer1: paces standby output
  static constexpr UINT kTimer1Interval = 2000;
  // The program's exit code when a batch run could not convert anything it was asked to.
  static constexpr int kExitRunNotStarted = 2;

  explicit TMarliskMForm(AppContext& app);

  OutputTab activeTab() const;
  bool stopRequested() const { return stop_; }
  int exitCode() const { return exitCode_; }
  bool running() const { return running_; }
  const StartRequest& startRequest() const { return request_; }
  OutputPage& outputPage(OutputTab tab) { return tab == OutputTab::Output1 ? page1_ : page2_; }

  // The five controls that must not be used while an output runs.
  void setRunControlsEnabled(bool enabled);
  // The hourglass over the window while converting.
  void setBusy(bool busy);
  void setStatus(const std::string& text);

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
  bool timer1Running() const { return timer1Running_; }
  int32_t countdown() const { return countdown_; }

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
  void RadioGroupOutTypClick(int index);
  void RadioGroupOutTyp2Click(int index);
  void PageControl1Change();

 protected:
  void onInitDialog() override;
  bool onCommand(int id, int code, HWND control) override;
  INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  void onDestroy() override;
  // F1 during a run would be the help button's way round its being disabled.
  bool helpAvailable() const override { return !running_ && !timer1Running_; }

 private:
  void placePages();
  // The stored output type of a tab (an index into its list; a damaged file can hold any byte).
  int outputTypeIndex(OutputTab tab) const {
    return tab == OutputTab::Output1 ? app_.settings.OutTypeIndex : app_.settings.OutType2Index;
  }
  // Progress entries wait here and reach the list in batches (see flushProgress).
  void addProgressEntry(const std::string& path) { pendingProgress_.push_back(path); }
  void flushProgress();
  void fitProgressListWidth();
  // What a long loop does between its items when the clock says so: the list catches up
  // and the window runs.
  void keepAlive();
  // Ends a run: the controls come back, or the program ends if "終了" was pressed meanwhile.
  void finishRun();
  // Standby: a cycle begins with the first listing and the countdown, and ends with the
  // second listing, the conversion of what is ready, and the deletion of what was converted.
  void beginStandbyCycle();
  void endStandbyCycle();
  // Lists the watch folder into a listing file of the working folder; 0 or the I/O error.
  DWORD takeListing(const char* fileName, std::vector<ListingEntry>& entries);
  // Deletes a converted input, unless it changed after the second listing.
  bool deleteIfUnchanged(const std::string& path, const ListingEntry& listed);

  AppContext& app_;
  THTMLHelp HTMLHelp1;            // every help request of the program goes through it
  TFormOutFileList outFileList_;  // lives for the run: its list survives between showings
  TFolderOpenForm folderOpenForm_;  // one chooser for every folder "参照"
  TSetAutoParForm setAutoParForm_;
  TSetPaperMargForm setPaperMargForm_;
  TSetAutoPar2Form setAutoPar2Form_;
  OutputPage page1_;
  OutputPage page2_;
  StartRequest request_;
  bool initialized_ = false;  // the start has been asked for
  bool started_ = false;      // the start has run
  bool stop_ = false;
  bool busy_ = false;
  bool focusOkOnRestore_ = false;
  bool running_ = false;        // an output is under way: "終了" waits for its end
  bool closeWhenDone_ = false;
  int exitCode_ = 0;
  std::vector<std::string> pendingProgress_;
  bool progressTrim_ = true;  // a batch run trims the list; a listing shows the whole folder
  bool timer1Running_ = false;
  int32_t countdown_ = 0;
  std::vector<ListingEntry> firstListing_;
  std::set<std::string> unlistableReported_;  // names told about once, not every cycle
  bool viewerCrashReported_ = false;          // likewise a crashing viewer
  bool watchFolderMissingReported_ = false;   // and a watch folder that is not there
};

}  // namespace marlisk::win
