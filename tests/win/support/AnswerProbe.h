// Asks a window, from a thread of its own, whether it answers: a WM_NULL sent every 50 ms
// with a time-out, as Windows itself judges a window "not responding".
#pragma once

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>

namespace marlisk::test {

class AnswerProbe {
 public:
  explicit AnswerProbe(HWND window, UINT timeoutMs = 5000) : window_(window), timeoutMs_(timeoutMs) {
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
  }
  // For a window still to come (another process's): `find` is asked until it gives one, and
  // the probing ends when that window goes.
  AnswerProbe(std::function<HWND()> find, UINT timeoutMs) : find_(std::move(find)), timeoutMs_(timeoutMs) {
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
  }
  ~AnswerProbe() { stop(); }
  AnswerProbe(const AnswerProbe&) = delete;
  AnswerProbe& operator=(const AnswerProbe&) = delete;

  void stop() {
    if (!thread_) return;
    stopping_ = true;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  int probes() const { return probes_; }
  int unanswered() const { return unanswered_; }  // the window did not answer within the time-out
  ULONGLONG worstMs() const { return worstMs_; }

 private:
  static DWORD WINAPI run(void* self) {
    auto* probe = static_cast<AnswerProbe*>(self);
    while (!probe->window_ && !probe->stopping_) {
      probe->window_ = probe->find_();
      if (!probe->window_) Sleep(10);
    }
    while (!probe->stopping_) {
      const ULONGLONG sent = GetTickCount64();
      DWORD_PTR answer = 0;
      if (!SendMessageTimeoutW(probe->window_, WM_NULL, 0, 0, SMTO_NORMAL, probe->timeoutMs_, &answer)) {
        if (!IsWindow(probe->window_)) break;
        ++probe->unanswered_;
      }
      probe->worstMs_ = std::max<ULONGLONG>(probe->worstMs_, GetTickCount64() - sent);
      ++probe->probes_;
      Sleep(50);
    }
    return 0;
  }

  std::function<HWND()> find_;
  HWND window_ = nullptr;
  UINT timeoutMs_;
  HANDLE thread_ = nullptr;
  std::atomic<bool> stopping_{false};
  std::atomic<int> probes_{0}, unanswered_{0};
  std::atomic<ULONGLONG> worstMs_{0};
};

}  // namespace marlisk::test
