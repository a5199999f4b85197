#include "app/ViewerLauncher.h"

#include "app/core/ViewerCommandLine.h"
#include "core/Messages.h"
#include "core/Path.h"
#include "win/Handles.h"
#include "win/MessagePump.h"
#include "win/Strings.h"

namespace marlisk::win {

namespace {

// What a viewer ended at its limit exits with, as TerminateJobObject gives it.
constexpr UINT kEndedAtLimitExitCode = ERROR_TIMEOUT;

}  // namespace

std::string cannotStartMessage(const std::string& viewerPath, Win32Error error) {
  return viewerCannotStartMessage(viewerPath, error.code(),
                                  systemErrorText(error.code(), std::string(fileNamePart(viewerPath))));
}

ViewerResult runViewer(const std::string& viewerPath, const std::string& commandFilePath, DWORD timeLimitMs) {
  ViewerResult result;
  std::wstring commandLine = widen(viewerProcessCommandLine(viewerPath, commandFilePath));
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  // Started suspended, so that it is in the job before it can start anything of its own.
  UniqueHandle job(timeLimitMs > 0 ? CreateJobObjectW(nullptr, nullptr) : nullptr);
  const DWORD flags = job ? CREATE_SUSPENDED : 0;
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup,
                      &process)) {
    result.error = Win32Error::last();
    return result;
  }
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle thread(process.hThread);
  // A process already in a job of its own (Windows 7 has no nested jobs) cannot be put in
  // ours: then only the viewer itself is ended at the limit.
  const bool inJob = job && AssignProcessToJobObject(job.get(), processHandle.get());
  if (flags & CREATE_SUSPENDED) ResumeThread(thread.get());
  result.started = true;
  HANDLE handle = processHandle.get();
  const ULONGLONG startedAt = GetTickCount64();
  // A conversion can take hours: keep the window alive while waiting, not "not responding".
  // Once the program is quitting, or the message wait fails, the viewer is waited for without.
  bool pumping = true;
  for (;;) {
    DWORD wait = INFINITE;
    if (timeLimitMs > 0) {
      const ULONGLONG elapsed = GetTickCount64() - startedAt;
      wait = elapsed >= timeLimitMs ? 0 : static_cast<DWORD>(timeLimitMs - elapsed);
    }
    const DWORD woke =
        pumping ? MsgWaitForMultipleObjects(1, &handle, FALSE, wait, QS_ALLINPUT) : WaitForSingleObject(handle, wait);
    if (woke == WAIT_OBJECT_0) break;
    if (pumping && woke == WAIT_OBJECT_0 + 1) {
      pumping = processPendingMessages();
      continue;
    }
    if (woke == WAIT_TIMEOUT) {
      if (inJob)
        TerminateJobObject(job.get(), kEndedAtLimitExitCode);
      else
        TerminateProcess(handle, kEndedAtLimitExitCode);
      result.timedOut = true;
      WaitForSingleObject(handle, 10'000);
      break;
    }
    if (!pumping) break;  // not even a plain wait works: nothing more can be learnt
    pumping = false;
  }
  GetExitCodeProcess(handle, &result.exitCode);
  result.seconds = static_cast<double>(GetTickCount64() - startedAt) / 1000.0;
  return result;
}

}  // namespace marlisk::win
