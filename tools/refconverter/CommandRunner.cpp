#include "CommandRunner.h"

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Conversion.h"
#include "OutputFormats.h"
#include "core/CommandFile.h"
#include "win/Strings.h"

namespace refconv {

using marlisk::win::ansiForDisplay;
using marlisk::win::widen;

namespace {

class Log {
 public:
  // No `path`: the console alone (or nowhere).
  explicit Log(const std::wstring& path) {
    if (!path.empty())
      file_ = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (file_ != INVALID_HANDLE_VALUE) WriteFile(file_, "\xEF\xBB\xBF", 3, &written, nullptr);
    if (AttachConsole(ATTACH_PARENT_PROCESS))
      console_ = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  ~Log() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    if (console_ != INVALID_HANDLE_VALUE) CloseHandle(console_);
  }
  void write(const std::string& text) {
    DWORD written = 0;
    if (file_ != INVALID_HANDLE_VALUE)
      WriteFile(file_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (console_ != INVALID_HANDLE_VALUE) {
      const std::wstring wide = widen(text);
      WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    }
  }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE console_ = INVALID_HANDLE_VALUE;
};

}  // namespace

int runCommandFile(const std::wstring& commandFile) {
  const size_t dot = commandFile.find_last_of(L".\\/:");
  const std::wstring logPath =
      (dot != std::wstring::npos && commandFile[dot] == L'.' ? commandFile.substr(0, dot) : commandFile) + L".log";
  std::string bytes;
  try {
    bytes = readAll(commandFile, 64u * 1024 * 1024);
  } catch (const Failure& failure) {
    // No command file, nothing for a log to sit beside: a ".log" made from a name that is
    // not there would land in whatever folder the converter was started in.
    Log(L"").write("command file: " + failure.reason + "\r\n");
    return 2;
  }
  Log log(logPath);
  // The lines first: each is a job, converted on as many threads as the machine has cores
  // (REFCONVERTER_THREADS may say fewer), and logged in the command file's order.
  struct Job {
    int lineNumber = 0;
    std::string text;
    std::optional<CommandLine> command;
    size_t sameOutputBefore = SIZE_MAX;  // an earlier line writing the same output: it goes first
    std::string result;
    bool done = false;
  };
  std::vector<Job> jobs;
  int lineNumber = 0;
  size_t start = 0;
  std::map<std::string, size_t> lastOfOutput;  // folded output path -> its latest line
  while (start < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    const std::string line = bytes.substr(start, end - start);
    start = end + 1;
    if (end < bytes.size() && bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
    ++lineNumber;
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    Job job;
    job.lineNumber = lineNumber;
    // The command file is in the ANSI code page, as the program writes it.
    job.text = ansiForDisplay(line);
    job.command = parseCommandLine(job.text);
    if (job.command) {
      std::string folded = job.command->output;
      std::transform(folded.begin(), folded.end(), folded.begin(),
                     [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
      const auto [at, isNew] = lastOfOutput.try_emplace(folded, jobs.size());
      if (!isNew) job.sameOutputBefore = std::exchange(at->second, jobs.size());
    }
    jobs.push_back(std::move(job));
  }

  std::mutex lock;
  std::condition_variable changed;
  std::atomic<size_t> next{0};
  auto work = [&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    for (size_t i; (i = next++) < jobs.size();) {
      Job& job = jobs[i];
      if (job.sameOutputBefore != SIZE_MAX) {
        std::unique_lock<std::mutex> held(lock);
        changed.wait(held, [&] { return jobs[job.sameOutputBefore].done; });
      }
      std::string result;
      if (!job.command) {
        result = "FAILED  not a conversion line";
      } else {
        try {
          const std::string note = convert(widen(job.command->input), widen(job.command->output));
          result = std::string("OK      ") + outputFormatOf(job.command->output)->name + note;
        } catch (const Failure& failure) {
          result = "FAILED  " + failure.reason;
        } catch (const std::exception& e) {
          result = std::string("FAILED  ") + e.what();
        }
      }
      {
        const std::lock_guard<std::mutex> held(lock);
        job.result = std::move(result);
        job.done = true;
      }
      changed.notify_all();
    }
    CoUninitialize();
  };
  size_t threads = std::max(1u, std::thread::hardware_concurrency());
  if (const char* wanted = std::getenv("REFCONVERTER_THREADS"); wanted && std::atoi(wanted) > 0)
    threads = static_cast<size_t>(std::atoi(wanted));
  threads = std::min(threads, std::max<size_t>(jobs.size(), 1));
  std::vector<std::thread> workers;
  for (size_t i = 0; i < threads; ++i) workers.emplace_back(work);

  int failed = 0;
  for (Job& job : jobs) {
    {
      std::unique_lock<std::mutex> held(lock);
      changed.wait(held, [&] { return job.done; });
    }
    if (job.result.rfind("OK", 0) != 0) ++failed;
    log.write(std::to_string(job.lineNumber) + "\t" + job.result + "\t" + job.text + "\r\n");
  }
  for (std::thread& worker : workers) worker.join();
  return failed == 0 ? 0 : 1;
}

}  // namespace refconv
