// The runs' slow steps on a thread of their own, so that the window never waits for them:
// what a step asks of the window is sent to the window's thread and done there, between its
// other messages (a message box a run must show waits on the step, not on the window); the
// progress entries queue here and the window takes them when it is told they are there.
//
// Who owns what (as 7-Zip's ProgressDialog2.h writes it down for its progress object):
//
//   window's thread | the window and its controls, the forms, the settings model (app.settings,
//                   | app.runSettings), the tray, RunMessages and its log, the run objects'
//                   | start() and tick(), the questions asked of the user; it reads the tab in
//                   | front and the run settings once, as a run starts, and hands them over
//   run's thread    | one step at a time (runStep): the listings, the viewer and its wait, the
//                   | file moves, the run's own log (BatchRun's, StandbyRun's RunLog), the
//                   | run objects' members between start() and the step's end (a standby
//                   | run's InputSource too: start() makes it while no step runs); it reads
//                   | the settings model, which nothing changes while a run holds the controls
//   shared          | the progress batches (queued_, under lock_; filling_ is the run's thread's,
//                   | taken_ the window's); the stop flag (atomic); StandbyRun's state and
//                   | countdown, a station's held count (atomic); takePosted_ (atomic)
//   crossing        | every other call of a step to the window goes through callOnWindowThread
//                   | and waits for it; one that cannot be delivered (the window is gone) is
//                   | logged, and a question nobody can answer is answered "no": nothing is
//                   | deleted on the word of nobody
//
// The window is destroyed only after wait(): RunThread is declared after the runs it drives,
// and the form's destructor waits for the step before any member goes.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "app/RunHost.h"
#include "win/Handles.h"
#include "win/Lock.h"

namespace marlisk::win {

class RunThread final : public RunHost {
 public:
  // `window` is the host the window's thread knows; `stepEnded` runs on the window's thread
  // once a step is over.
  RunThread(RunHost& window, std::function<void()> stepEnded);
  // A step still running (a test's end, a program killed from outside) is waited for.
  ~RunThread() override;
  RunThread(const RunThread&) = delete;
  RunThread& operator=(const RunThread&) = delete;

  void attach(HWND window) { hwnd_ = window; }
  // Where a message goes when the window it was for is gone (the run log): called on the
  // run's thread while the window's thread waits for the step.
  void onUndelivered(std::function<void(const std::string&)> keep) { undelivered_ = std::move(keep); }
  // A step has been handed over and has not yet been seen to end.
  bool busy() const { return thread_ ? true : false; }
  // For the window's procedure: true for this thread's own messages, which it handles.
  bool onMessage(UINT message);
  // Waits for a running step, still doing what it asks of the window meanwhile.
  void wait();

  // What the runs ask of the window.
  bool stopRequested() const override { return window_.stopRequested(); }
  void setStatus(const std::string& text) override;
  void setBusy(bool busy) override;
  void setRunControlsEnabled(bool enabled) override;
  void clearProgress(bool trimmed) override;
  void addProgress(const std::string& path) override;
  void finishProgress() override;
  void keepAlive() override;
  void warn(const std::string& text) override;
  bool ask(const std::string& text) override;
  void inputNotConverted(const std::string& text) override;
  void convertingFiles(size_t count) override;
  // One step at a time: the callers start none while busy().
  void runStep(const std::function<void()>& step) override;
  void startTimer() override;
  void stopTimer() override;

 private:
  static DWORD WINAPI threadMain(void* self);
  // On the window's thread: the entries handed over reach the window's host.
  void takeProgress();
  // False, after keeping `text` (if any) where onUndelivered says, when the window is gone.
  bool onWindow(const std::function<void()>& call, const std::string* text = nullptr);

  RunHost& window_;
  std::function<void()> stepEnded_;
  std::function<void(const std::string&)> undelivered_;
  HWND hwnd_ = nullptr;
  std::function<void()> step_;
  UniqueHandle thread_;
  SlimLock lock_;
  // Entries on their way to the window: the run's thread fills one batch without a lock and
  // hands it over whole.
  // On the window's thread while the run's thread waits for it: every entry so far.
  void takeAll();
  ProgressBatch filling_;                // the run's thread's
  ProgressBatch queued_;                 // under lock_
  ProgressBatch taken_;                  // the window's thread's
  std::atomic<bool> takePosted_{false};  // the window has been told entries are there
};

}  // namespace marlisk::win
