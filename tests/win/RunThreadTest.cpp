// Where the runs' thread meets the window's: a call made from the run's thread runs on the
// window's thread, a step's end comes back as a message, and once the window is gone nothing
// is done on its behalf: a warning is kept in the log, a question is answered "no".
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/RunThread.h"
#include "win/MessagePump.h"
#include "win/WindowCall.h"

namespace marlisk::win {
namespace {

// The window's part: what a step asks is recorded with the thread it ran on.
class WindowHost final : public RunHost {
 public:
  bool stopRequested() const override { return false; }
  void setStatus(const std::string& text) override { record("status " + text); }
  void setBusy(bool) override {}
  void setRunControlsEnabled(bool) override {}
  void clearProgress(bool) override {}
  void addProgress(const std::string& path) override { progress.push_back(path); }
  void finishProgress() override {}
  void keepAlive() override {}
  void warn(const std::string& text) override { record("warn " + text); }
  bool ask(const std::string& text) override {
    record("ask " + text);
    return answer;
  }
  void startTimer() override {}
  void stopTimer() override {}

  void record(const std::string& what) {
    said.push_back(what);
    threads.push_back(GetCurrentThreadId());
  }
  bool answer = true;
  std::vector<std::string> said, progress;
  std::vector<DWORD> threads;
};

RunThread* current = nullptr;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (LRESULT answer = 0; runSentCall(message, lParam, answer)) return answer;
  if (current && current->onMessage(message)) return 0;
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND makeWindow() {
  static const ATOM atom = [] {
    WNDCLASSW kind = {};
    kind.lpfnWndProc = windowProc;
    kind.hInstance = GetModuleHandleW(nullptr);
    kind.lpszClassName = L"MarliskRunThreadTest";
    return RegisterClassW(&kind);
  }();
  return CreateWindowW(MAKEINTATOM(atom), L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                       GetModuleHandleW(nullptr), nullptr);
}

TEST(RunThreadTest, CallsRunOnTheWindowsThreadAndNotOnceItIsGone) {
  HWND window = makeWindow();
  ASSERT_NE(window, nullptr);
  // From the window's own thread: at once.
  bool ran = false;
  EXPECT_TRUE(callOnWindowThread(window, [&] { ran = true; }));
  EXPECT_TRUE(ran);
  // From another thread: on the window's thread, while it takes its messages.
  struct Call {
    HWND window;
    DWORD ranOn = 0;
    bool delivered = false;
  } call{window};
  HANDLE other = CreateThread(
      nullptr, 0,
      [](void* p) -> DWORD {
        auto* c = static_cast<Call*>(p);
        c->delivered = callOnWindowThread(c->window, [c] { c->ranOn = GetCurrentThreadId(); });
        return 0;
      },
      &call, 0, nullptr);
  while (MsgWaitForMultipleObjects(1, &other, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
    processPendingMessages();
  CloseHandle(other);
  EXPECT_TRUE(call.delivered);
  EXPECT_EQ(call.ranOn, GetCurrentThreadId());
  // The window gone: not run, and said so.
  DestroyWindow(window);
  ran = false;
  EXPECT_FALSE(callOnWindowThread(window, [&] { ran = true; }));
  EXPECT_FALSE(ran);
}

TEST(RunThreadTest, AStepAsksTheWindowAndItsEndComesBackAsAMessage) {
  WindowHost host;
  bool ended = false;
  std::vector<std::string> kept;
  {
    RunThread run(host, [&] { ended = true; });
    current = &run;
    HWND window = makeWindow();
    run.attach(window);
    run.onUndelivered([&](const std::string& text) { kept.push_back(text); });
    bool answered = false;
    DWORD stepThread = 0;
    run.runStep([&] {
      stepThread = GetCurrentThreadId();
      run.addProgress("C:\\in\\a.hgl");
      run.warn("a warning");
      answered = run.ask("a question");
    });
    EXPECT_TRUE(run.busy());
    while (!ended) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      processPendingMessages();
    }
    EXPECT_FALSE(run.busy());
    EXPECT_NE(stepThread, GetCurrentThreadId());
    EXPECT_EQ(host.said, (std::vector<std::string>{"warn a warning", "ask a question"}));
    EXPECT_EQ(host.threads, (std::vector<DWORD>{GetCurrentThreadId(), GetCurrentThreadId()}));
    EXPECT_EQ(host.progress, std::vector<std::string>{"C:\\in\\a.hgl"});  // taken before the warning
    EXPECT_TRUE(answered);
    EXPECT_TRUE(kept.empty());

    // The window is gone while a step runs (the program is ending): its words are kept, its
    // question answered "no", and the wait still ends.
    DestroyWindow(window);
    answered = true;
    run.runStep([&] {
      run.warn("late");
      answered = run.ask("delete them?");
    });
    run.wait();
    EXPECT_FALSE(answered);
    EXPECT_EQ(kept, (std::vector<std::string>{"late", "delete them?"}));
    current = nullptr;
  }
  EXPECT_EQ(host.said.size(), 2u);
}

}  // namespace
}  // namespace marlisk::win
