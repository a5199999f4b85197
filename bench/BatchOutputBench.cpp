// How long batch output takes for a large batch list, from the start of the run to the
// viewer's launch, beside a floor: a program that does only the unavoidable part (check that
// each listed file exists, write the same command file).
//   BatchOutputBench.exe [file count]        default 100000
// Runs under Wine like the tests; prints its figures.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "app/core/ViewerCommandLine.h"
#include "settings/core/ParameterFile.h"
#include "support/AnswerProbe.h"
#include "support/ProgramRunner.h"
#include "support/TestFolder.h"
#include "support/TestViewerLog.h"
#include "win/Strings.h"
#include "batchlist/Win32FileSystem.h"

using namespace marlisk;

namespace {

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

unsigned long long systemTimeNow() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// The floor: read the list, check each file, write the command file. Nothing else.
double floorRun(const std::string& list, const std::string& outputFolder, const std::string& commandFile) {
  const win::Win32AnsiCodec codec;
  const auto start = std::chrono::steady_clock::now();
  const std::string bytes = test::readFile(list);
  std::string out;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find("\r\n", pos);
    if (end == std::string::npos) end = bytes.size();
    const std::string path = win::ansiForDisplay(std::string_view(bytes).substr(pos, end - pos));
    pos = end + 2;
    if (GetFileAttributesW(win::widen(path).c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    out += *codec.toAnsi(*buildViewerCommandLine(OutputTab::Output1, 0, outputFolder, path)) + "\r\n";
  }
  test::writeFile(commandFile, out);
  return seconds(std::chrono::steady_clock::now() - start);
}

// The program's main window, once its start has named it.
HWND programWindow() {
  HWND found = nullptr;
  EnumWindows(
      [](HWND window, LPARAM into) -> BOOL {
        wchar_t title[64] = {};
        GetWindowTextW(window, title, 64);
        if (std::wstring_view(title).starts_with(L"<< MarliskAuto >>")) {
          *reinterpret_cast<HWND*>(into) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// The slowest answer of the program's window to a WM_NULL sent every 50 ms, over all runs.
ULONGLONG worstAnswerMs = 0;
int probes = 0, unanswered = 0;

// Seconds from the program's start to the viewer's launch, for a batch list; with `probed`,
// the window is asked every 50 ms whether it answers (which slows the run: not timed then).
double programRun(const std::string& list, bool probed = false) {
  std::optional<test::AnswerProbe> probe;
  if (probed) probe.emplace(programWindow, 10'000);
  const std::string log = test::exeFolder() + "\\bench-viewer.log";
  DeleteFileW(win::widen(log).c_str());
  SetEnvironmentVariableW(L"TESTVIEWER_LOG", win::widen(log).c_str());
  const unsigned long long started = systemTimeNow();
  const test::ProgramRun run = test::runProgram("/c " + list, {}, 3600 * 1000);
  if (probe) {
    probe->stop();
    worstAnswerMs = std::max(worstAnswerMs, probe->worstMs());
    probes += probe->probes();
    unanswered += probe->unanswered();
  }
  const auto runs = test::readViewerLog(log);
  if (run.timedOut || runs.size() != 1 || !run.messages.empty()) {
    std::printf("program run failed: %zu viewer runs, %zu messages\n", runs.size(), run.messages.size());
    return -1;
  }
  return static_cast<double>(runs[0].startedAt - started) / 1e7;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int count = argc > 1 ? _wtoi(argv[1]) : 100000;
  test::TestFolder root;
  test::LocalAppDataRedirect redirect(root.path());
  win::Win32AnsiCodec codec;

  // A thousand drawings a folder, as a shop keeps them by job (and because a single folder of
  // 100,000 files makes Wine's file creation quadratic).
  std::printf("batch output bench: %d files in folders of 1000; best of 3 runs\n", count);
  test::makeFolder(root / "in");
  test::makeFolder(root / "out");
  std::string list;
  for (int i = 0; i < count; ++i) {
    const std::string folder = root / ("in\\案件" + std::to_string(i / 1000));
    if (i % 1000 == 0) test::makeFolder(folder);
    const std::string path = folder + "\\図面" + std::to_string(i) + ".hgl";
    HANDLE file = CreateFileW(win::widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
    list += *codec.toAnsi(path) + "\r\n";
  }
  test::writeFile(root / "list.txt", list);
  test::writeFile(root / "empty.txt", "");

  // The working folder the program finds at its start.
  test::makeFolder(root / "Brennamor");
  test::makeFolder(root / "Brennamor\\MarliskAuto");
  Settings s;
  s.ViewerExePath = test::testViewerPath();
  s.OutputFolder = root / "out\\";
  s.ParameterFilePath = root / "Brennamor\\MarliskAuto\\MarliskAuto.par";
  win::Win32FileSystem fs;
  ParameterFile(fs, codec, [](const std::string& text) { std::printf("warning: %s\n", text.c_str()); }).save(s);

  // Best of three on each side: single runs under Wine vary by a third from one to the next.
  double floor = 1e9, startUp = 1e9, full = 1e9;
  for (int i = 0; i < 3; ++i) {
    floor = std::min(floor, floorRun(root / "list.txt", s.OutputFolder, root / "floor-commands.txt"));
    startUp = std::min(startUp, programRun(root / "empty.txt"));
    full = std::min(full, programRun(root / "list.txt"));
  }
  programRun(root / "list.txt", true);
  const double run = full - startUp;
  std::printf("floor (exists + command file):      %7.2f s\n", floor);
  std::printf("MarliskAuto start with an empty list: %7.2f s\n", startUp);
  std::printf("MarliskAuto start to viewer launch:   %7.2f s\n", full);
  std::printf("MarliskAuto run (less its start):     %7.2f s  = %.2f x the floor (target: within 1.15 x)\n", run,
              run / floor);
  std::printf(
      "window's slowest answer to WM_NULL every 50 ms: %llu ms over %d probes, %d unanswered in 10 s "
      "(target: within 100 ms)\n",
      worstAnswerMs, probes, unanswered);
  const bool same =
      test::readFile(root / "floor-commands.txt") == test::readFile(root / "Brennamor\\MarliskAuto\\MarComline.txt");
  std::printf("command files identical: %s\n", same ? "yes" : "NO");
  if (!same) {
    const std::string a = test::readFile(root / "floor-commands.txt"),
                      b = test::readFile(root / "Brennamor\\MarliskAuto\\MarComline.txt");
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    std::printf("sizes %zu %zu, first difference at %zu: [%s] [%s]\n", a.size(), b.size(), i,
                a.substr(i > 40 ? i - 40 : 0, 80).c_str(), b.substr(i > 40 ? i - 40 : 0, 80).c_str());
  }
  return same ? 0 : 1;
}
