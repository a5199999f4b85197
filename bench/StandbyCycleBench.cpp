// One standby cycle on a watch folder of ready files: both listings, the comparison, the ready
// list and the command file (the viewer is not started, so nothing is deleted and the folder
// stays for the next pass), beside a floor that only enumerates and opens the files twice and
// writes the same files. With several watch folders (rows) or subfolders, the same number of
// files is spread over them, and the floor lists as many files in one folder.
//   StandbyCycleBench.exe [file count] [rows] [subfolders a row]      default 20000 1 0
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
  const int rows = std::max(1, argc > 2 ? _wtoi(argv[2]) : 1);
  const int subfolders = argc > 3 ? _wtoi(argv[3]) : 0;
  const bool plain = rows == 1 && subfolders == 0;
  test::TestFolder root;
  win::Win32AnsiCodec codec;
  for (const char* folder : {"work", "floor", "watch", "out", "flat"}) test::makeFolder(root / folder);
  std::printf("standby cycle bench: %d ready files in %d watch folder(s), %d subfolder(s) each\n", count, rows,
              subfolders);
  auto write = [](const std::string& path) {
    HANDLE file = CreateFileW(win::widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(file, "IN;", 3, &written, nullptr);
    CloseHandle(file);
  };
  // Row r's folder: "watch" for the first, "watchN" for the others; each file in one of its
  // subfolders when it has them.
  auto rowFolder = [&](int r) { return root / (r == 0 ? std::string("watch") : "watch" + std::to_string(r)); };
  for (int r = 0; r < rows; ++r) {
    test::makeFolder(rowFolder(r));
    for (int f = 0; f < subfolders; ++f) test::makeFolder(rowFolder(r) + "\\sub" + std::to_string(f));
  }
  for (int i = 0; i < count; ++i) {
    const int r = i % rows, f = subfolders > 0 ? (i / rows) % subfolders : 0;
    write(rowFolder(r) + (subfolders > 0 ? "\\sub" + std::to_string(f) : std::string()) + "\\図面" + std::to_string(i) +
          ".hgl");
    if (!plain) write(root / ("flat\\図面" + std::to_string(i) + ".hgl"));
  }

  // The floor: the same reads and the same files, nothing else.
  const std::string watch = root / (plain ? "watch\\" : "flat\\");
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
  s.WatchFolder = rowFolder(0) + "\\";
  s.WatchFileMask = "*.hgl";
  s.OutputFolder = root / "out\\";
  s.WaitSeconds = 2;
  for (int r = 1; r < rows; ++r) {
    FolderRow row;
    row.number = r + 1;
    row.Watch = rowFolder(r) + "\\";
    row.Mask = "*.hgl";
    row.Output = root / "out\\";
    row.subfolders = subfolders > 0 ? Subfolders::Mirrored : Subfolders::No;
    app.runSettings.Folders.push_back(row);
  }
  if (subfolders > 0) app.runSettings.Folder1Subfolders = Subfolders::Mirrored;
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
  std::printf("MarliskAuto, one cycle:                    %6.2f s = %.2f x the floor (target: within %s)\n", cycle,
              cycle / floor, plain ? "1.1 x" : "1.15 x");
  std::printf(
      "window's slowest answer to WM_NULL every 50 ms: %llu ms over %d probes, %d unanswered in 10 s "
      "(target: within 100 ms)\n",
      probe.worstMs(), probe.probes(), probe.unanswered());
  bool same = true;
  for (const char* name : {"FList2.txt", "FList.txt", "MarComline.txt"})
    if (plain)
      same = same && test::readFile(root / ("work\\" + std::string(name))) ==
                         test::readFile(root / ("floor\\" + std::string(name)));
  if (plain) std::printf("files identical to the floor's: %s\n", same ? "yes" : "NO");
  form.destroy();
  OleUninitialize();
  return same ? 0 : 1;
}
