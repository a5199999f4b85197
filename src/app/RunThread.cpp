#include "app/RunThread.h"

#include <objbase.h>

#include "app/ProgressView.h"
#include "win/WindowCall.h"

namespace marlisk::win {

namespace {
constexpr size_t kRing = ProgressView::kMostPendingKept;
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
  tab_ = window_.activeTab();
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
  HANDLE handle = thread_.get();
  // The step may be sending the window something: that is done here, or neither would end.
  while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
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
  if (!thread_) return true;  // a step already waited for
  WaitForSingleObject(thread_.get(), INFINITE);  // it has posted its last word: it is ending
  thread_.reset();
  step_ = {};
  takeProgress();
  stepEnded_();
  return true;
}

void RunThread::onWindow(const std::function<void()>& call) { callOnWindowThread(hwnd_, call); }

void RunThread::takeProgress() {
  bool trimmed;
  {
    SlimLock::Held held(lock_);
    std::swap(queued_, taken_);
    trimmed = trimmed_;
  }
  const size_t count = taken_.count;
  if (!trimmed || count <= kRing) {
    for (size_t i = 0; i < count; ++i) window_.addProgress(taken_.slots[i]);
  } else {  // the ring went round: its oldest entry is where the next would go
    window_.addDroppedProgress(count - kRing);
    for (size_t i = 0; i < kRing; ++i) window_.addProgress(taken_.slots[(count + i) % kRing]);
  }
  taken_.count = 0;
  // A backlog (the window was held by a box) is not kept for the rest of the program.
  constexpr size_t kSlotsKept = 4096;
  if (taken_.slots.size() > kSlotsKept) taken_.slots.resize(kSlotsKept);
}

void RunThread::addProgress(const std::string& path) {
  SlimLock::Held held(lock_);
  const size_t at = trimmed_ && queued_.count >= kRing ? queued_.count % kRing : queued_.count;
  if (at < queued_.slots.size())
    queued_.slots[at].assign(path);
  else
    queued_.slots.push_back(path);
  ++queued_.count;
}

void RunThread::addDroppedProgress(size_t count) {
  onWindow([&] {
    takeProgress();
    window_.addDroppedProgress(count);
  });
}

void RunThread::keepAlive() {
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
    takeProgress();
    window_.clearProgress(trimmed);
  });
  // Only this thread adds entries, and none waits now: the next ones are of the new kind.
  SlimLock::Held held(lock_);
  trimmed_ = trimmed;
}
void RunThread::finishProgress() {
  onWindow([&] {
    takeProgress();
    window_.finishProgress();
  });
}
void RunThread::warn(const std::string& text) {
  onWindow([&] {
    takeProgress();
    window_.warn(text);
  });
}
bool RunThread::ask(const std::string& text) {
  bool yes = true;  // with the window gone there is nobody to say no
  onWindow([&] {
    takeProgress();
    yes = window_.ask(text);
  });
  return yes;
}
void RunThread::inputNotConverted(const std::string& text) {
  onWindow([&] { window_.inputNotConverted(text); });
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
