// One standby cycle on a watch folder of ready files: both listings, the comparison, the ready
// list and the command file (the viewer is not started, so nothing is deleted and the folder
// stays for the next pass), beside a floor that only enumerates and opens the files twice and
// writes the same files.
//   StandbyCycleBench.exe [file count]      default 20000
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "app/MarliskMForm.h"
#include "app/core/ViewerCommandLine.h"
#include "support/AnswerProbe.h"
#include "support/RunWait.h"
#include "support/TestFolder.h"
#include "win/Strings.h"

using namespace marlisk;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string listOnce(const std::string& folder, std::vector<ListingEntry>& entries, const win::Win32AnsiCodec& codec) {
  std::string out;
  entries.clear();
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(win::widen(folder + "*.hgl").c_str(), &found);
  do {
    HANDLE file = CreateFileW(win::widen(folder + win::narrow(found.cFileName)).c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size;
    GetFileSizeEx(file, &size);
    CloseHandle(file);
    const std::string name = win::narrow(found.cFileName);
    out += listingLine(static_cast<uint64_t>(size.QuadPart), *codec.toAnsi(name)) + "\r\n";
    entries.push_back({name, static_cast<uint64_t>(size.QuadPart), 0});
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  OleInitialize(nullptr);
  InitCommonControls();
  const int count = argc > 1 ? _wtoi(argv[1]) : 20000;
  test::TestFolder root;
  win::Win32AnsiCodec codec;
  for (const char* folder : {"work", "floor", "watch", "out"}) test::makeFolder(root / folder);
  std::printf("standby cycle bench: %d ready files\n", count);
  for (int i = 0; i < count; ++i) {
    HANDLE file = CreateFileW(win::widen(root / ("watch\\図面" + std::to_string(i) + ".hgl")).c_str(), GENERIC_WRITE, 0,
                              nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(file, "IN;", 3, &written, nullptr);
    CloseHandle(file);
  }

  // The floor: the same reads and the same files, nothing else.
  const std::string watch = root / "watch\\";
  // Best of three on each side: a single pass under Wine varies by a fifth from one to the next.
  double floor = 1e9;
  for (int pass = 0; pass < 3; ++pass) {
    const auto start = Clock::now();
    std::vector<ListingEntry> first, second;
    test::writeFile(root / "floor\\FList1.txt", listOnce(watch, first, codec));
    test::writeFile(root / "floor\\FList2.txt", listOnce(watch, second, codec));
    std::string ready, commands;
    for (const ReadyFile& file : readyFiles(first, second)) {
      ready += *codec.toAnsi(watch + second[file.second].name) + "\r\n";
      commands += *codec.toAnsi(*buildViewerCommandLine(OutputTab::Output1, 0, root / "out\\",
                                                        watch + second[file.second].name)) +
                  "\r\n";
    }
    test::writeFile(root / "floor\\FList.txt", ready);
    test::writeFile(root / "floor\\MarComline.txt", commands);
    floor = std::min(floor, since(start));
  }

  win::setWarningHandler([](const std::string& text) { std::printf("warning: %s\n", text.c_str()); });
  win::AppContext app;
  Settings& s = app.settings;
  s.WorkFolder = root / "work";
  s.ViewerCommandFilePath = root / "work\\MarComline.txt";
  s.ViewerExePath = root / "no viewer.exe";
  s.WatchFolder = watch;
  s.WatchFileMask = "*.hgl";
  s.OutputFolder = root / "out\\";
  s.WaitSeconds = 2;
  win::TMarliskMForm form(app);
  form.create();
  form.startStandbyOutput();  // first listing
  test::waitForSteps(form);
  double cycle = 1e9;
  for (int pass = 0; pass < 3; ++pass) {
    form.Timer1Timer();  // the wait
    const auto start = Clock::now();
    form.Timer1Timer();  // second listing, comparison, files; and the next cycle's first listing
    test::waitForSteps(form);
    cycle = std::min(cycle, since(start));
  }
  // Another cycle, timed apart: the window asked every 50 ms whether it answers (the asking
  // itself slows a run under Wine by a tenth or more).
  test::AnswerProbe probe(form.hwnd(), 10'000);
  form.Timer1Timer();
  form.Timer1Timer();
  test::waitForSteps(form);
  probe.stop();

  std::printf("floor (two listings, same files written): %6.2f s\n", floor);
  std::printf("MarliskAuto, one cycle:                    %6.2f s = %.2f x the floor (target: within 1.1 x)\n", cycle,
              cycle / floor);
  std::printf(
      "window's slowest answer to WM_NULL every 50 ms: %llu ms over %d probes, %d unanswered in 10 s "
      "(target: within 100 ms)\n",
      probe.worstMs(), probe.probes(), probe.unanswered());
  bool same = true;
  for (const char* name : {"FList2.txt", "FList.txt", "MarComline.txt"})
    same = same && test::readFile(root / ("work\\" + std::string(name))) ==
                       test::readFile(root / ("floor\\" + std::string(name)));
  std::printf("files identical to the floor's: %s\n", same ? "yes" : "NO");
  form.destroy();
  OleUninitialize();
  return same ? 0 : 1;
}
