#include "app/ViewerLauncher.h"

#include "app/core/ViewerCommandLine.h"
#include "core/Messages.h"
#include "core/Path.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace marlisk::win {

namespace {

// What a viewer ended at its limit exits with, as TerminateJobObject gives it.
constexpr UINT kEndedAtLimitExitCode = ERROR_TIMEOUT;
// And one the user ended.
constexpr UINT kEndedByUserExitCode = ERROR_CANCELLED;

}  // namespace

std::string cannotStartMessage(const std::string& viewerPath, Win32Error error) {
  return viewerCannotStartMessage(viewerPath, error.code(),
                                  systemErrorText(error.code(), std::string(fileNamePart(viewerPath))));
}

bool ViewerStopper::running() const {
  SlimLock::Held held(lock_);
  return process_ != nullptr;
}

bool ViewerStopper::endNow() {
  SlimLock::Held held(lock_);
  if (!process_) return false;
  ended_ = true;
  if (!job_ || !TerminateJobObject(job_, kEndedByUserExitCode)) TerminateProcess(process_, kEndedByUserExitCode);
  return true;
}

// While the viewer runs, the stopper knows its handles; they are closed only after it is told.
class ViewerWait {
 public:
  ViewerWait(ViewerStopper* stopper, HANDLE process, HANDLE job) : stopper_(stopper) {
    if (!stopper_) return;
    SlimLock::Held held(stopper_->lock_);
    stopper_->process_ = process;
    stopper_->job_ = job;
    stopper_->ended_ = false;
  }
  ~ViewerWait() { endedByUser(); }
  // Forgets the viewer; whether the user ended it.
  bool endedByUser() {
    if (!stopper_) return false;
    SlimLock::Held held(stopper_->lock_);
    stopper_->process_ = stopper_->job_ = nullptr;
    return stopper_->ended_;
  }

 private:
  ViewerStopper* stopper_;
};

namespace {

ViewerResult runProcess(std::wstring commandLine, DWORD creationFlags, DWORD timeLimitMs, ViewerStopper* stopper) {
  ViewerResult result;
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  // Started suspended, so that it is in the job before it can start anything of its own.
  UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
  const DWORD flags = creationFlags | (job ? CREATE_SUSPENDED : 0);
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup,
                      &process)) {
    result.error = Win32Error::last();
    return result;
  }
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle thread(process.hThread);
  // A process already in a job of its own (Windows 7 has no nested jobs) cannot be put in
  // ours: then only the viewer itself is ended.
  const bool inJob = job && AssignProcessToJobObject(job.get(), processHandle.get());
  if (flags & CREATE_SUSPENDED) ResumeThread(thread.get());
  result.started = true;
  HANDLE handle = processHandle.get();
  ViewerWait wait(stopper, handle, inJob ? job.get() : nullptr);
  const ULONGLONG startedAt = GetTickCount64();
  if (WaitForSingleObject(handle, timeLimitMs > 0 ? timeLimitMs : INFINITE) == WAIT_TIMEOUT) {
    if (inJob)
      TerminateJobObject(job.get(), kEndedAtLimitExitCode);
    else
      TerminateProcess(handle, kEndedAtLimitExitCode);
    result.timedOut = true;
    WaitForSingleObject(handle, 10'000);
  }
  result.endedByUser = wait.endedByUser();
  GetExitCodeProcess(handle, &result.exitCode);
  result.seconds = static_cast<double>(GetTickCount64() - startedAt) / 1000.0;
  return result;
}

}  // namespace

ViewerResult runViewer(const std::string& viewerPath, const std::string& commandFilePath, DWORD timeLimitMs,
                       ViewerStopper* stopper) {
  return runProcess(widen(viewerProcessCommandLine(viewerPath, commandFilePath)), 0, timeLimitMs, stopper);
}

ViewerResult runCommand(const std::string& line, DWORD timeLimitMs) {
  wchar_t shell[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"ComSpec", shell, MAX_PATH)) wcscpy(shell, L"cmd.exe");
  // /s: the line goes to the interpreter exactly as written between the outer quotes.
  return runProcess(L"\"" + std::wstring(shell) + L"\" /d /s /c \"" + widen(line) + L"\"", CREATE_NO_WINDOW,
                    timeLimitMs, nullptr);
}

}  // namespace marlisk::win
