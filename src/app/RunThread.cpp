#include "app/RunThread.h"

#include <objbase.h>

#include "win/MessagePump.h"
#include "win/WindowCall.h"

namespace marlisk::win {

namespace {
constexpr UINT kStepEndedMessage = WM_APP + 2;
constexpr UINT kTakeProgressMessage = WM_APP + 3;
}  // namespace

RunThread::RunThread(RunHost& window, std::function<void()> stepEnded)
    : window_(window), stepEnded_(std::move(stepEnded)) {}

RunThread::~RunThread() { wait(); }

DWORD WINAPI RunThread::threadMain(void* self) {
  auto* run = static_cast<RunThread*>(self);
  // The shell's recycle bin, where a converted input may go, wants COM on the calling thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  run->step_();
  if (SUCCEEDED(com)) CoUninitialize();
  PostMessageW(run->hwnd_, kStepEndedMessage, 0, 0);
  return 0;
}

void RunThread::runStep(const std::function<void()>& step) {
  step_ = step;
  thread_.reset(CreateThread(nullptr, 0, threadMain, this, 0, nullptr));
  if (thread_) return;
  // No thread to be had (the system is out of resources): the step runs here, the window
  // waiting for it, rather than not at all.
  step_();
  stepEnded_();
}

void RunThread::wait() {
  if (!thread_) return;
  // The step may be sending the window something: that is done meanwhile.
  waitDoingSentMessages(thread_.get());
  thread_.reset();
}

bool RunThread::onMessage(UINT message) {
  if (message == kTakeProgressMessage) {
    takePosted_ = false;
    takeProgress();
    window_.keepAlive();
    return true;
  }
  if (message != kStepEndedMessage) return false;
  if (!thread_) return true;                     // a step already waited for
  WaitForSingleObject(thread_.get(), INFINITE);  // it has posted its last word: it is ending
  thread_.reset();
  step_ = {};
  takeAll();  // the step's thread is gone: what it filled last is the window's now
  stepEnded_();
  return true;
}

bool RunThread::onWindow(const std::function<void()>& call, const std::string* text) {
  if (callOnWindowThread(hwnd_, call)) return true;
  if (text && undelivered_) undelivered_(*text);
  return false;
}

void RunThread::takeProgress() {
  {
    SlimLock::Held held(lock_);
    std::swap(queued_, taken_);
  }
  window_.addProgress(taken_);
  taken_.clear();
}

void RunThread::takeAll() {
  takeProgress();
  window_.addProgress(filling_);
  filling_.clear();
}

void RunThread::addProgress(const std::string& path) { filling_.add(path); }

void RunThread::keepAlive() {
  if (filling_.count() == 0) return;
  {
    // Handed over only when the window has taken the last batch; else it grows meanwhile.
    SlimLock::Held held(lock_);
    if (queued_.count() != 0) return;
    std::swap(filling_, queued_);
    filling_.setTrimmed(queued_.trimmed());
  }
  if (!takePosted_.exchange(true)) PostMessageW(hwnd_, kTakeProgressMessage, 0, 0);
}

void RunThread::setStatus(const std::string& text) {
  onWindow([&] { window_.setStatus(text); });
}
void RunThread::setBusy(bool busy) {
  onWindow([&] { window_.setBusy(busy); });
}
void RunThread::setRunControlsEnabled(bool enabled) {
  onWindow([&] { window_.setRunControlsEnabled(enabled); });
}
void RunThread::clearProgress(bool trimmed) {
  onWindow([&] {
    takeAll();
    window_.clearProgress(trimmed);
  });
  filling_.setTrimmed(trimmed);  // none waits now: the next ones are of the new kind
}
void RunThread::finishProgress() {
  onWindow([&] {
    takeAll();
    window_.finishProgress();
  });
}
void RunThread::warn(const std::string& text) {
  onWindow(
      [&] {
        takeAll();
        window_.warn(text);
      },
      &text);
}
bool RunThread::ask(const std::string& text) {
  // With the window gone nobody answers: "no", which keeps whatever was asked about.
  bool yes = false;
  onWindow(
      [&] {
        takeAll();
        yes = window_.ask(text);
      },
      &text);
  return yes;
}
void RunThread::inputNotConverted(const std::string& text) {
  onWindow([&] { window_.inputNotConverted(text); }, &text);
}
void RunThread::convertingFiles(size_t count) {
  onWindow([&] { window_.convertingFiles(count); });
}
void RunThread::startTimer() {
  onWindow([&] { window_.startTimer(); });
}
void RunThread::stopTimer() {
  onWindow([&] { window_.stopTimer(); });
}

}  // namespace marlisk::win
