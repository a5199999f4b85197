// Faults around the real MarliskAuto.exe: a viewer that cannot start, crashes or fails; an
// output folder or working folder that cannot be written; watch-folder files that are held
// open, still growing, or renamed away; paths past 260 characters; damaged parameter files.
// Whatever happens, no input is lost and the parameter file is the old one or the new one.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string_view>
#include <thread>

#include "settings/core/ParameterFile.h"
#include "settings/core/RunSettings.h"
#include "support/ProgramRunner.h"
#include "support/TestFolder.h"
#include "support/TestViewerLog.h"
#include "win/Handles.h"
#include "win/Strings.h"
#include "batchlist/Win32FileSystem.h"

namespace marlisk::test {
namespace {

constexpr int kExitButton = 1009;
constexpr int kStatusLabel = 1001;
constexpr int kFirstOutputType = 1101;  // the first item of the 出力１ list

const std::string kInput = "IN;SP1;PU0,0;PD100,100;";

// True once `seconds` have passed from now: a few standby cycles of 2 to 4 seconds.
std::function<bool()> afterSeconds(int seconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  return [end] { return GetTickCount64() > end; };
}

class FaultTest : public ::testing::Test {
 protected:
  FaultTest() {
    SetEnvironmentVariableW(L"TESTVIEWER_LOG", win::widen(local / "viewer.log").c_str());
    SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", L"1");
    for (const char* folder : {"in", "out", "watch"}) makeFolder(local / folder);
    settings.ViewerExePath = testViewerPath();
    settings.OutputFolder = local / "out\\";
    settings.BatchFileName = local / "list.txt";
    settings.WatchFolder = local / "watch\\";
    settings.WatchFileMask = "*.hgl";
    settings.WaitSeconds = 2;
  }
  ~FaultTest() override {
    for (const wchar_t* name : {L"TESTVIEWER_LOG", L"TESTVIEWER_CREATE_OUTPUTS", L"TESTVIEWER_CRASH",
                                L"TESTVIEWER_EXIT_CODE", L"TESTVIEWER_SLEEP_MS"})
      SetEnvironmentVariableW(name, nullptr);
  }
  void configure() {
    makeFolder(local / "Brennamor");
    makeFolder(work());
    Settings s = settings;
    s.ParameterFilePath = parameterFile();
    ParameterFile file(fs, codec, [](const std::string& text) { ADD_FAILURE() << text; });
    ASSERT_TRUE(file.save(s));
  }
  void batchOf(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) {
      writeFile(local / ("in\\" + name), kInput);
      list += *codec.toAnsi(local / ("in\\" + name)) + "\r\n";
    }
    writeFile(settings.BatchFileName, list);
  }
  // Standby until `done`, then "終了" as a user presses it.
  // "終了" is pressed between conversions: during one, it would ask whether to end the viewer.
  ProgramRun standbyUntil(const std::function<bool()>& done, DWORD timeoutMs = 60000) {
    return runProgram(
        "/a", [](HWND main) { PostMessageW(GetDlgItem(main, kExitButton), BM_CLICK, 0, 0); }, timeoutMs,
        [&](HWND main) {
          wchar_t status[64] = {};
          GetDlgItemTextW(main, kStatusLabel, status, 64);
          return done() && std::wstring_view(status).rfind(L"出力中", 0) != 0;
        });
  }
  // Starts the program, chooses an output type on the first tab (which saves the settings),
  // and presses "終了" once the message that may follow has been answered. Everything is
  // posted: a sent click would wait for the message box it brings up, and so would we.
  ProgramRun chooseOutputTypeAndExit(int item) {
    std::thread closer;
    const ProgramRun run = runProgram("", [&](HWND main) {
      HWND page = FindWindowExW(main, nullptr, L"#32770", nullptr);
      if (HWND radio = page ? GetDlgItem(page, kFirstOutputType + item) : nullptr) PostMessageW(radio, BM_CLICK, 0, 0);
      closer = std::thread([main] {
        for (int i = 0; i < 100 && IsWindowEnabled(main); ++i) Sleep(20);   // a message box comes up...
        for (int i = 0; i < 500 && !IsWindowEnabled(main); ++i) Sleep(20);  // ...and is answered
        PostMessageW(GetDlgItem(main, kExitButton), BM_CLICK, 0, 0);
      });
    });
    if (closer.joinable()) closer.join();
    return run;
  }
  size_t viewerRuns() { return isFile(local / "viewer.log") ? readViewerLog(local / "viewer.log").size() : 0; }
  std::string work() const { return local / "Brennamor\\MarliskAuto"; }
  std::string parameterFile() const { return work() + "\\MarliskAuto.par"; }

  TestFolder local;
  LocalAppDataRedirect redirect{local.path()};
  win::Win32FileSystem fs;
  win::Win32AnsiCodec codec;
  Settings settings;
};

TEST_F(FaultTest, AViewerThatCannotStartLeavesEveryInputAndSaysWhereItWasLooked) {
  settings.ViewerExePath = local / "no such folder\\Marlisk.exe";
  batchOf({"a.hgl", "b.hgl"});
  configure();
  const ProgramRun run = runProgram("/c " + settings.BatchFileName);
  EXPECT_FALSE(run.timedOut);
  // Said at the start, and named with the system's reason when the run would start it.
  const std::string cannotStart =
      settings.ViewerExePath +
      "\r Marliskプログラムを起動できないため、入力ファイルはそのまま残します!\r\nI/O Error code=2 ";
  ASSERT_EQ(run.messages.size(), 2u);
  EXPECT_EQ(run.messages[0].rfind(settings.ViewerExePath + "\r Marliskプログラムファイルが存在しません!", 0), 0u);
  EXPECT_EQ(run.messages[1].rfind(cannotStart, 0), 0u) << run.messages[1];
  EXPECT_EQ(listFolder(local / "in"), "a.hgl b.hgl");
  EXPECT_EQ(readFile(local / "in\\a.hgl"), kInput);

  // In standby too: cycle after cycle, nothing is deleted, and the viewer is named once.
  writeFile(local / "watch\\w.hgl", kInput);
  const ProgramRun standby = standbyUntil(afterSeconds(10));
  EXPECT_FALSE(standby.timedOut);
  EXPECT_EQ(listFolder(local / "watch"), "w.hgl");
  ASSERT_EQ(standby.messages.size(), 2u);
  EXPECT_EQ(standby.messages[1].rfind(cannotStart, 0), 0u) << standby.messages[1];
}

TEST_F(FaultTest, UnattendedNobodyIsWaitedFor) {
  settings.ViewerExePath = local / "no such folder\\Marlisk.exe";
  configure();
  RunSettings unattended;
  unattended.Unattended = true;
  writeFile(work() + "\\MarliskAuto.ini", runSettingsText(unattended));
  writeFile(local / "watch\\w.hgl", kInput);
  // Standby goes on cycle after cycle without a box: the missing viewer is in the log, once.
  const ProgramRun standby = standbyUntil(afterSeconds(10));
  EXPECT_FALSE(standby.timedOut);
  EXPECT_TRUE(standby.messages.empty()) << standby.messages[0];
  EXPECT_EQ(listFolder(local / "watch"), "w.hgl");
  const std::string logs = listFolder(work() + "\\Log");
  ASSERT_EQ(logs.size(), 14u) << logs;
  const std::string log = readFile(work() + "\\Log\\" + logs);
  const size_t said = log.find("Marliskプログラムファイルが存在しません!");
  EXPECT_NE(said, std::string::npos) << log;
  EXPECT_EQ(log.find("Marliskプログラムファイルが存在しません!", said + 1), std::string::npos) << log;

  // Batch output that cannot start ends by itself and tells its caller.
  const ProgramRun batch = runProgram("/c " + (local / "missing.txt"), [](HWND) { ADD_FAILURE() << "it stayed"; });
  EXPECT_FALSE(batch.timedOut);
  EXPECT_TRUE(batch.messages.empty());
  EXPECT_EQ(batch.exitCode, 2u);
}

TEST_F(FaultTest, AViewerThatCrashesOrFailsInStandby) {
  configure();
  writeFile(local / "watch\\a.hgl", kInput);
  SetEnvironmentVariableW(L"TESTVIEWER_CRASH", L"1");
  const ProgramRun crashed = standbyUntil([&] { return viewerRuns() >= 2; });
  EXPECT_FALSE(crashed.timedOut);
  EXPECT_EQ(crashed.messages, std::vector<std::string>{"Marliskプログラムが異常終了しました (0xC0000005)\r "
                                                       "変換されなかったかもしれない入力ファイルは削除せずに残します"});
  EXPECT_EQ(readFile(local / "watch\\a.hgl"), kInput);

  // A viewer that ends with an error code of its own did take the file: it goes.
  SetEnvironmentVariableW(L"TESTVIEWER_CRASH", nullptr);
  SetEnvironmentVariableW(L"TESTVIEWER_EXIT_CODE", L"7");
  const ProgramRun failed = standbyUntil([&] { return !isFile(local / "watch\\a.hgl"); });
  EXPECT_FALSE(failed.timedOut);
  EXPECT_TRUE(failed.messages.empty());
}

TEST_F(FaultTest, AnOutputFolderThatCannotBeWrittenLosesNoInput) {
  // The output "folder" is a file: the viewer can write nothing there.
  writeFile(local / "out-file", "not a folder");
  settings.OutputFolder = local / "out-file\\";
  batchOf({"a.hgl"});
  configure();
  const ProgramRun run = runProgram("/c " + settings.BatchFileName);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 1u);  // nothing was made: the script is told
  EXPECT_EQ(readFile(local / "in\\a.hgl"), kInput);
  EXPECT_EQ(readFile(local / "out-file"), "not a folder");
  EXPECT_EQ(viewerRuns(), 1u);
}

TEST_F(FaultTest, AWorkingFolderThatCannotBeWritten) {
  batchOf({"a.hgl"});
  configure();
  // The command file's name is taken by a folder: it cannot be written, and nothing runs.
  makeFolder(work() + "\\MarComline.txt");
  const ProgramRun batch = runProgram("/c " + settings.BatchFileName);
  EXPECT_FALSE(batch.timedOut);
  ASSERT_FALSE(batch.messages.empty());
  EXPECT_EQ(viewerRuns(), 0u);
  EXPECT_EQ(readFile(local / "in\\a.hgl"), kInput);

  // Standby, whose listings cannot be written either: it says so, converts and deletes nothing.
  writeFile(local / "watch\\w.hgl", kInput);
  makeFolder(work() + "\\FList1.txt");
  const ProgramRun standby = standbyUntil(afterSeconds(10));
  EXPECT_FALSE(standby.timedOut);
  EXPECT_FALSE(standby.messages.empty());
  EXPECT_EQ(viewerRuns(), 0u);
  EXPECT_EQ(listFolder(local / "watch"), "w.hgl");
}

TEST_F(FaultTest, AParameterFileThatCannotBeReplacedStaysAsItWas) {
  configure();
  const std::string before = readFile(parameterFile());
  SetFileAttributesW(win::widen(parameterFile()).c_str(), FILE_ATTRIBUTE_READONLY);
  const ProgramRun run = chooseOutputTypeAndExit(3);
  SetFileAttributesW(win::widen(parameterFile()).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.messages, std::vector<std::string>{"パラメータファイルを作成できません!"});
  EXPECT_EQ(readFile(parameterFile()), before);
}

TEST_F(FaultTest, DamagedParameterFilesAreSetAsideAndTheProgramStarts) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 37) % 256);
  for (const std::string& damaged :
       {std::string(), binary, std::string(8 * 1024 * 1024, 'x'), std::string("Version 9.00\r\nhgl\r\n")}) {
    configure();
    writeFile(parameterFile(), damaged);
    const ProgramRun run = runProgram("");
    EXPECT_FALSE(run.timedOut);
    EXPECT_TRUE(readFile(parameterFile() + ".bak") == damaged) << damaged.size() << " bytes";
    EXPECT_EQ(readFile(parameterFile()).rfind("Version 10.10\r\n", 0), 0u);
    removeTree(local / "Brennamor");
  }
}

// A wait time too large for its field is damage: standby waits the first minute, not two
// seconds, and the user is told once.
TEST_F(FaultTest, AWaitTimeTooLargeForItsFieldWaitsTheDefaultMinute) {
  configure();
  std::string par = readFile(parameterFile());
  size_t line19 = 0;
  for (int line = 1; line < 19; ++line) line19 = par.find("\r\n", line19) + 2;
  par.replace(line19, par.find("\r\n", line19) - line19, "99999999999999999999");
  writeFile(parameterFile(), par);
  std::wstring shown;
  const ProgramRun run = runProgram(
      "/a", [](HWND main) { PostMessageW(GetDlgItem(main, kExitButton), BM_CLICK, 0, 0); }, 60000,
      [&](HWND main) {
        wchar_t status[64] = {};
        GetDlgItemTextW(main, kStatusLabel, status, 64);
        shown = status;
        return shown.find(L"待機時間=") != std::wstring::npos;
      });
  EXPECT_FALSE(run.timedOut);
  int hours = -1, minutes = -1, seconds = -1;
  swscanf(shown.c_str() + shown.find(L"=") + 1, L"%d時間%d分%d秒", &hours, &minutes, &seconds);
  EXPECT_GT(hours * 3600 + minutes * 60 + seconds, 40) << win::narrow(shown);  // of 60, as the runner saw it
  EXPECT_EQ(run.messages,
            std::vector<std::string>{parameterFile() +
                                     "\r\nパラメータファイルに読めない数字があります。次の設定は既定値にしました!"
                                     "\r\n 19行目 待機時間"});
}

// A start by a switch on a damaged parameter file asks nobody anything (not even to take the
// bundled converter) and leaves MarliskAuto.ini as it was; unattended, every word of it is in
// the run log as standby's, and no box is shown.
TEST_F(FaultTest, ADamagedParameterFileAtASwitchStartAsksNothingAndKeepsTheRunSettings) {
  for (const bool unattended : {true, false}) {
    configure();
    RunSettings run;
    run.Unattended = unattended;
    run.Originals = AfterSuccess::MoveToDone;
    run.ErrorFolder = local / "errors";
    run.ViewerTimeLimitMinutes = 5;
    const std::string ini = runSettingsText(run);
    writeFile(work() + "\\MarliskAuto.ini", ini);
    writeFile(parameterFile(), "\x93\xff\x01 not a parameter file");
    auto log = [&] {
      const std::string day = listFolder(work() + "\\Log");
      return day.empty() ? std::string() : readFile(work() + "\\Log\\" + day);
    };
    const ProgramRun started = runProgram(
        "/b", [](HWND main) { PostMessageW(GetDlgItem(main, kExitButton), BM_CLICK, 0, 0); }, 60000,
        [&](HWND) {
          return !unattended || log().find("Marliskプログラムファイルが存在しません") != std::string::npos;
        });
    EXPECT_FALSE(started.timedOut);
    EXPECT_EQ(readFile(work() + "\\MarliskAuto.ini"), ini);
    EXPECT_EQ(readFile(parameterFile() + ".bak"), "\x93\xff\x01 not a parameter file");
    if (!unattended) {
      // Boxes for a person who may be there, but no question that would hold a night's work.
      // (The third: the Init folder's watch folder, C:\HpglData\InData\, is not there.)
      ASSERT_EQ(started.messages.size(), 3u);
      EXPECT_NE(started.messages[0].find("パラメータファイルが壊れているため"), std::string::npos);
      EXPECT_NE(started.messages[1].find("Marliskプログラムファイルが存在しません"), std::string::npos);
      EXPECT_EQ(started.messages[1].find("RefConverter"), std::string::npos) << started.messages[1];
      EXPECT_NE(started.messages[2].find("HpglData"), std::string::npos) << started.messages[2];
    } else {
      EXPECT_TRUE(started.messages.empty());
      const std::string said = log();
      for (const char* text : {"パラメータファイルが壊れているため", "Marliskプログラムファイルが存在しません"}) {
        const size_t at = said.find(text);
        ASSERT_NE(at, std::string::npos) << text << "\n" << said;
        const size_t lineStart = said.rfind('\n', at) + 1;
        EXPECT_NE(said.substr(lineStart, at - lineStart).find("\t待機\tメッセージ\t"), std::string::npos) << said;
      }
      EXPECT_EQ(said.find("\tバッチ\t"), std::string::npos) << said;
    }
    removeTree(local / "Brennamor");
  }
}

TEST_F(FaultTest, WatchFolderFilesHeldOpenGrowingOrRenamedAreNeverLost) {
  configure();
  // Held open by its writer (no sharing): not listed, so neither converted nor deleted.
  writeFile(local / "watch\\held.hgl", kInput);
  win::UniqueFileHandle held(
      CreateFileW(win::widen(local / "watch\\held.hgl").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  // Growing: a byte more at every poll, so its size never holds over a wait.
  writeFile(local / "watch\\growing.hgl", "IN;");
  // Renamed away while listed: the new name is a new file. Deleted while listed: nothing.
  writeFile(local / "watch\\moving.hgl", kInput);
  writeFile(local / "watch\\vanishing.hgl", kInput);
  int polls = 0;
  bool renamed = false;
  const ProgramRun run = standbyUntil(
      [&] {
        ++polls;
        // Appended to as a writer would; the program may have it open for a moment to list it.
        HANDLE growing = CreateFileW(win::widen(local / "watch\\growing.hgl").c_str(), FILE_APPEND_DATA,
                                     FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (growing != INVALID_HANDLE_VALUE) {
          DWORD written = 0;
          WriteFile(growing, ";", 1, &written, nullptr);
          CloseHandle(growing);
        }
        // Once the first listing of a cycle holds them, before the second is taken.
        if (!renamed && readFile(work() + "\\FList1.txt").find("moving.hgl") != std::string::npos) {
          renamed = MoveFileW(win::widen(local / "watch\\moving.hgl").c_str(),
                              win::widen(local / "watch\\moved.hgl").c_str());
          DeleteFileW(win::widen(local / "watch\\vanishing.hgl").c_str());
        }
        return polls > 200 && !isFile(local / "watch\\moved.hgl");
      },
      90000);
  EXPECT_FALSE(run.timedOut);
  EXPECT_TRUE(run.messages.empty());
  EXPECT_TRUE(renamed);
  held.reset();
  EXPECT_EQ(readFile(local / "watch\\held.hgl"), kInput);
  EXPECT_TRUE(isFile(local / "watch\\growing.hgl"));
  EXPECT_TRUE(isFile(local / "out\\moved.pdf"));  // converted under its new name, then deleted
  EXPECT_FALSE(isFile(local / "watch\\moving.hgl"));
}

// A night in a shop: two drawings of one name arrive together while the output share is
// gone. Nothing is converted or counted until the share is back, that is said once, and then
// each drawing gets an output of its own.
TEST_F(FaultTest, SameNamedDrawingsWaitForADroppedOutputShareThenEachHaveTheirOwnOutput) {
  settings.WatchFileMask = "*.*";
  configure();
  RemoveDirectoryW(win::widen(local / "out").c_str());
  writeFile(local / "watch\\plan.hgl", kInput);
  writeFile(local / "watch\\plan.plt", kInput + "SP2;");
  const auto shareBack = afterSeconds(8);
  const ProgramRun run = standbyUntil([&] {
    if (!shareBack()) return false;
    CreateDirectoryW(win::widen(local / "out").c_str(), nullptr);
    return listFolder(local / "watch").empty();
  });
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(listFolder(local / "out"), "plan (2).pdf plan.pdf");
  EXPECT_FALSE(isFile(work() + "\\StandbyAttempts.txt"));  // the wait cost no attempt
  EXPECT_EQ(run.messages,
            std::vector<std::string>{
                local / "out\\" +
                "\r 出力フォルダが見つからないか書き込めないため、入力ファイルはそのまま残して変換を待ちます!\r\n"
                "I/O Error code=2"});
  EXPECT_EQ(viewerRuns(), 1u);
}

TEST_F(FaultTest, PathsLongerThan260CharactersAreLeftAlone) {
  // A watch folder deep enough that its files' full paths pass 260 characters.
  std::string deep = local / "watch";
  while (deep.size() < 250) {
    deep += "\\" + std::string(40, 'd');
    CreateDirectoryW((L"\\\\?\\" + win::widen(deep)).c_str(), nullptr);
  }
  const std::string longName = deep + "\\" + std::string(30, 'f') + ".hgl";
  HANDLE file =
      CreateFileW((L"\\\\?\\" + win::widen(longName)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, kInput.data(), static_cast<DWORD>(kInput.size()), &written, nullptr);
  CloseHandle(file);
  settings.WatchFolder = deep + "\\";
  configure();
  const ProgramRun run = standbyUntil(afterSeconds(10));
  EXPECT_FALSE(run.timedOut);
  // Left where it is and never handed to the viewer, which could not open it on Windows
  // (Wine would), and said once however many cycles pass.
  EXPECT_NE(GetFileAttributesW((L"\\\\?\\" + win::widen(longName)).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(readFile(local / "viewer.log").find(std::string(30, 'f') + ".hgl"), std::string::npos);
  EXPECT_EQ(run.messages, std::vector<std::string>{
                              longName + "\r パスが 260 文字以上あり、Marliskが開けないため、変換も削除もしません!"});
}

// A disk that fills up: scripts/test mounts a small tmpfs where the machine allows it and
// names it in MARLISK_SMALL_DISK; the working folder goes there.
TEST_F(FaultTest, AFullDiskKeepsTheOldParameterFileAndStartsNoViewer) {
  wchar_t disk[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"MARLISK_SMALL_DISK", disk, MAX_PATH))
    GTEST_SKIP() << "no small disk on this machine (mounting a tmpfs was not allowed)";
  const std::string small = win::narrow(disk) + "\\" + std::to_string(GetCurrentProcessId());
  makeFolder(small);
  LocalAppDataRedirect onTheSmallDisk(small);
  const std::string workFolder = small + "\\Brennamor\\MarliskAuto";
  makeFolder(small + "\\Brennamor");
  makeFolder(workFolder);
  Settings s = settings;
  s.ParameterFilePath = workFolder + "\\MarliskAuto.par";
  ASSERT_TRUE(ParameterFile(fs, codec, [](const std::string& text) { ADD_FAILURE() << text; }).save(s));
  const std::string before = readFile(s.ParameterFilePath);
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) names.push_back("input file with a long name number " + std::to_string(i) + ".hgl");
  batchOf(names);

  // Fill what is left of the disk.
  HANDLE filler =
      CreateFileW(win::widen(small + "\\filler").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(filler, INVALID_HANDLE_VALUE);
  const std::string block(4096, 'x');
  DWORD written = 0;
  while (WriteFile(filler, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) &&
         written == block.size()) {
  }
  CloseHandle(filler);

  // Said, no viewer, and the program ends by itself with exit code 2: a script that started
  // it is not left waiting.
  bool stayedOpen = false;
  const ProgramRun batch = runProgram("/c " + settings.BatchFileName, [&](HWND main) {
    stayedOpen = true;
    PostMessageW(main, WM_CLOSE, 0, 0);
  });
  EXPECT_FALSE(batch.timedOut);
  EXPECT_FALSE(stayedOpen);
  EXPECT_EQ(batch.exitCode, 2u);
  // The run log is on the same disk: that it cannot be written either is said after, once.
  ASSERT_EQ(batch.messages.size(), 2u);
  EXPECT_EQ(batch.messages[0], "I/O Error code=112");
  EXPECT_TRUE(batch.messages[1].starts_with(workFolder + "\\Log\\")) << batch.messages[1];
  EXPECT_TRUE(batch.messages[1].ends_with(".txt\r 運転ログを書けません。変換はこのまま続けます!\r\nI/O Error code=112"))
      << batch.messages[1];
  EXPECT_EQ(viewerRuns(), 0u);

  const ProgramRun choose = chooseOutputTypeAndExit(5);
  EXPECT_EQ(choose.messages, std::vector<std::string>{"パラメータファイルを作成できません!"});
  EXPECT_EQ(readFile(s.ParameterFilePath), before);
  removeTree(small);
}

// A further watch folder from MarliskAuto.ini, served by the program itself: both rows' files
// go to one viewer run, each output to its row's folder, a subfolder's under the same subfolder.
TEST_F(FaultTest, AFurtherWatchFolderOfTheRunSettingsFileIsServedWithTheFirst) {
  configure();
  for (const char* folder : {"plots", "plots\\sub", "png"}) makeFolder(local / folder);
  writeFile(local / "watch\\a.hgl", kInput);
  writeFile(local / "plots\\sub\\b.plt", kInput);
  writeFile(work() + "\\MarliskAuto.ini", "[Folder2]\r\nWatch=" + local / "plots" +
                                              "\r\nMask=*.plt\r\nTab=1\r\nType=15\r\n"
                                              "Output=" +
                                              local / "png" + "\r\nSubfolders=2\r\n");
  const ProgramRun run =
      standbyUntil([&] { return !isFile(local / "watch\\a.hgl") && !isFile(local / "plots\\sub\\b.plt"); });
  EXPECT_FALSE(run.timedOut);
  EXPECT_TRUE(run.messages.empty());
  EXPECT_EQ(viewerRuns(), 1u);
  EXPECT_TRUE(isFile(local / "out\\a.pdf"));
  EXPECT_TRUE(isFile(local / "png\\sub\\b.png"));
  EXPECT_EQ(listFolder(local / "plots"), "sub\\");
}

// 出力２ with the converter we ship as the viewer: a PDF dropped into a row of the second tab is
// converted by RefConverter.exe to the row's type, taken from the output's extension ("/f").
TEST_F(FaultTest, APdfOnTheSecondTabIsConvertedByTheBundledConverter) {
  settings.ViewerExePath = exeFolder() + "\\RefConverter.exe";
  configure();
  for (const char* folder : {"pdf", "emf"}) makeFolder(local / folder);
  writeFile(local / "pdf\\配置図.pdf", readFile(exeFolder() + "\\samples\\plan-notes.pdf"));
  writeFile(work() + "\\MarliskAuto.ini", "[Folder2]\r\nWatch=" + local / "pdf" +
                                              "\r\nMask=*.pdf\r\nTab=2\r\nType=1\r\nOutput=" + local / "emf" + "\r\n");
  const ProgramRun run = standbyUntil([&] { return !isFile(local / "pdf\\配置図.pdf"); });
  EXPECT_FALSE(run.timedOut);
  EXPECT_TRUE(run.messages.empty());
  EXPECT_EQ(readFile(work() + "\\MarComline.txt"),
            *codec.toAnsi("/f \"" + local / "pdf\\配置図.pdf" + "\" \"" + local / "emf\\配置図.emf" + "\"\r\n"));
  // An enhanced metafile (its header record and signature) that plays its drawing: the page's
  // lines, areas and the glyphs of its Japanese and Latin text.
  const std::string emf = readFile(local / "emf\\配置図.emf");
  ASSERT_GT(emf.size(), 88u);
  EXPECT_EQ(emf.substr(40, 4), " EMF");
  HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(emf.size()), reinterpret_cast<const BYTE*>(emf.data()));
  ASSERT_NE(metafile, nullptr);
  UINT records = 0;
  EnumEnhMetaFile(
      nullptr, metafile,
      [](HDC, HANDLETABLE*, const ENHMETARECORD*, int, LPARAM count) -> int {
        ++*reinterpret_cast<UINT*>(count);
        return 1;
      },
      &records, nullptr);
  DeleteEnhMetaFile(metafile);
  EXPECT_GT(records, 100u);
  const std::string log = readFile(work() + "\\MarComline.log");
  EXPECT_NE(log.find("\tOK      EMF\t"), std::string::npos) << log;
}

}  // namespace
}  // namespace marlisk::test
