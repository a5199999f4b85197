// Batch output through the real exe, with the test viewer as the configured viewer.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "settings/core/ParameterFile.h"
#include "support/ProgramRunner.h"
#include "support/TestFolder.h"
#include "support/TestViewerLog.h"
#include "win/Strings.h"
#include "batchlist/Win32FileSystem.h"

namespace marlisk::test {
namespace {

class BatchOutputTest : public ::testing::Test {
 protected:
  BatchOutputTest() {
    SetEnvironmentVariableW(L"TESTVIEWER_LOG", win::widen(local / "viewer.log").c_str());
    makeFolder(local / "in");
    makeFolder(local / "out");
    settings.ViewerExePath = testViewerPath();
    settings.OutputFolder = local / "out\\";
    settings.BatchFileName = local / "一覧.txt";
  }
  ~BatchOutputTest() override { SetEnvironmentVariableW(L"TESTVIEWER_LOG", nullptr); }

  // The working folder, as an earlier start would have left it, with these settings.
  void configure() {
    makeFolder(local / "Brennamor");
    makeFolder(work());
    Settings s = settings;
    s.ParameterFilePath = work() + "\\MarliskAuto.par";
    win::Win32FileSystem fs;
    ParameterFile file(fs, codec, [](const std::string& text) { ADD_FAILURE() << text; });
    ASSERT_TRUE(file.save(s));
  }
  void writeList(const std::vector<std::string>& paths) {
    std::string text;
    for (const auto& path : paths) text += *codec.toAnsi(path) + "\r\n";
    writeFile(settings.BatchFileName, text);
  }
  std::string work() const { return local / "Brennamor\\MarliskAuto"; }
  std::string ansi(const std::string& text) const { return *codec.toAnsi(text); }

  TestFolder local;
  LocalAppDataRedirect redirect{local.path()};
  win::Win32AnsiCodec codec;
  Settings settings;
};

TEST_F(BatchOutputTest, ConvertsEveryListedFileInOneViewerRunThenEnds) {
  for (const char* name : {"a.plt", "B.PDF", "c.pdf", "表 ソフト.hgl"})
    writeFile(local / ("in\\" + std::string(name)), "IN;");
  writeList({local / "in\\a.plt", local / "in\\gone.plt", local / "in\\B.PDF", local / "in\\c.pdf",
             local / "in\\表 ソフト.hgl"});
  configure();

  const ProgramRun run =
      runProgram("/c " + settings.BatchFileName, [](HWND) { ADD_FAILURE() << "the program stayed"; });
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 1u);  // one listed file was missing (and the viewer made nothing)
  EXPECT_EQ(run.messages, std::vector<std::string>{local / "in\\gone.plt" + "ファイルを開けません!\r\n\r\n"
                                                  "このあとも、開けないファイルがあるたびに表示しますか?\r\n"
                                                  "(いいえ: この回の残りは運転ログにだけ記録します)"});

  const std::vector<ViewerRun> viewer = readViewerLog(local / "viewer.log");
  ASSERT_EQ(viewer.size(), 1u);
  EXPECT_EQ(viewer[0].commandLine, "\"" + testViewerPath() + "\" /z \"" + work() + "\\MarComline.txt\"");
  const std::string in = local / "in\\", out = local / "out\\";
  EXPECT_EQ(viewer[0].commandFileBytes, ansi("/p \"" + in + "a.plt\" \"" + out +
                                             "a.pdf\"\r\n"
                                             "/p \"" +
                                             in + "B.PDF\" \"" + out +
                                             "B.pdf\"\r\n"
                                             "/p \"" +
                                             in + "c.pdf\" \"" + out +
                                             "c.pdf\"\r\n"
                                             "/p \"" +
                                             in + "表 ソフト.hgl\" \"" + out + "表 ソフト.pdf\"\r\n"));
  EXPECT_EQ(readFile(work() + "\\MarComline.txt"), viewer[0].commandFileBytes);

  // Every listed file there and every output made: the script is told all went well, and the
  // day's log says what became of each file.
  writeList({local / "in\\a.plt", local / "in\\c.pdf"});
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", L"1");
  const ProgramRun whole = runProgram("/c " + settings.BatchFileName);
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", nullptr);
  EXPECT_EQ(whole.exitCode, 0u);
  EXPECT_TRUE(whole.messages.empty());
  const std::string logs = listFolder(work() + "\\Log");
  ASSERT_EQ(logs.size(), 14u) << logs;  // one day's file
  const std::string log = readFile(work() + "\\Log\\" + logs);
  for (const std::string& line : {"\tバッチ\t" + in + "gone.plt\t\t0\t見つからない",
                                  "\tバッチ\t" + in + "a.plt\t" + out + "a.pdf\t0\t変換できず (出力ファイルが作られなかった)\t",
                                  "\tバッチ\t" + in + "c.pdf\t" + out + "c.pdf\t"})
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
  // The second run's two lines: both converted by a viewer that ended with 0.
  const size_t secondRun = log.find("\tバッチ\t" + in + "a.plt\t" + out + "a.pdf\t", log.find("変換できず"));
  ASSERT_NE(secondRun, std::string::npos) << log;
  const std::string last = log.substr(secondRun);
  EXPECT_EQ(std::count(last.begin(), last.end(), '\n'), 2);
  size_t converted = 0;
  for (size_t at = 0; (at = last.find("\t変換済み\t0\t", at)) != std::string::npos; ++at) ++converted;
  EXPECT_EQ(converted, 2u) << last;
}

// Five pictures of one name are five outputs, in this run and the next; exit code 0 says that
// every one has an output of its own.
TEST_F(BatchOutputTest, DrawingsOfOneNameEachHaveAnOutputOfTheirOwn) {
  std::vector<std::string> list;
  for (const char* name : {"scan.bmp", "scan.gif", "scan.jpg"}) {
    writeFile(local / ("in\\" + std::string(name)), name);
    list.push_back(local / ("in\\" + std::string(name)));
  }
  writeList(list);
  writeFile(local / "out\\scan (2).png", "the user's own");  // never ours to replace
  settings.OutTypeIndex = 15;                                  // PNG
  configure();
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", L"1");
  for (int run = 0; run < 2; ++run) {
    const ProgramRun batch = runProgram("/c " + settings.BatchFileName);
    EXPECT_EQ(batch.exitCode, 0u) << run;
    EXPECT_TRUE(batch.messages.empty()) << run;
    EXPECT_EQ(listFolder(local / "out"), "scan (2).png scan (3).png scan (4).png scan.png") << run;
  }
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", nullptr);
  EXPECT_EQ(readFile(local / "out\\scan (2).png"), "the user's own");
  const std::string out = local / "out\\";
  EXPECT_EQ(readViewerLog(local / "viewer.log")[1].commandFileBytes,
            ansi("/m \"" + list[0] + "\" \"" + out + "scan.png\"\r\n/m \"" + list[1] + "\" \"" + out +
                 "scan (3).png\"\r\n/m \"" + list[2] + "\" \"" + out + "scan (4).png\"\r\n"));
}

// A list that names drawings again and again converts each once; a person who pressed the
// button hears how many were converted before the program closes, and the log says why the
// others were not.
TEST_F(BatchOutputTest, RepeatedLinesConvertOnceAndAPersonHearsWhatFailed) {
  std::vector<std::string> list;
  for (const char* name : {"flange.hgl", "scan.bmp", "plan.hgl"}) writeFile(local / ("in\\" + std::string(name)), "IN;");
  for (int round = 0; round < 40; ++round)
    for (const char* name : {"flange.hgl", "FLANGE.HGL", "scan.bmp", "plan.hgl"}) list.push_back(local / ("in\\" + std::string(name)));
  writeList(list);
  configure();
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", L"1");
  SetEnvironmentVariableW(L"TESTVIEWER_NO_OUTPUT_FOR", L"scan.bmp");
  const ProgramRun run = runProgram("", [](HWND main) { PostMessageW(GetDlgItem(main, 1005), BM_CLICK, 0, 0); });
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", nullptr);
  SetEnvironmentVariableW(L"TESTVIEWER_NO_OUTPUT_FOR", nullptr);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(listFolder(local / "out"), "flange.pdf plan.pdf");
  const std::vector<ViewerRun> viewer = readViewerLog(local / "viewer.log");
  ASSERT_EQ(viewer.size(), 1u);
  const std::string& lines = viewer[0].commandFileBytes;
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
  const std::string logs = listFolder(work() + "\\Log");
  const std::string logPath = work() + "\\Log\\" + logs;
  ASSERT_EQ(run.messages.size(), 1u);
  EXPECT_EQ(run.messages[0], "3 個の入力ファイルのうち 2 個を変換しました\r 変換できなかったファイルとその理由は運転ログにあります:\r " + logPath);
  const std::string log = readFile(logPath);
  const std::string in = local / "in\\";
  for (const std::string& line :
       {"\tバッチ\t" + in + "FLANGE.HGL\t\t0\tスキップ (同じファイルが複数行にあります)\t",
        "\tバッチ\t" + in + "scan.bmp\t\t0\tスキップ (同じファイルが複数行にあります)\t",
        "\tバッチ\t" + in + "scan.bmp\t" + local / "out\\scan.pdf" + "\t0\t変換できず (出力ファイルが作られなかった)\t"})
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
  EXPECT_EQ(log.find("別名で出力"), std::string::npos) << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 7) << log;  // three converted or not, three repeats, the box
}

// One copy a working folder: a second start brings the first forward, or tells a script's
// batch run that it cannot run.
TEST_F(BatchOutputTest, ASecondCopyOnTheSameWorkingFolderDoesNotRun) {
  makeFolder(local / "watch");
  settings.WatchFolder = local / "watch\\";
  settings.WatchFileMask = "*.hgl";
  writeList({});
  configure();
  ProgramRun again, batch;
  const ProgramRun first = runProgram(
      "/a",
      [&](HWND main) {
        again = runProgram("/a");
        batch = runProgram("/c " + settings.BatchFileName);
        PostMessageW(main, WM_CLOSE, 0, 0);
      },
      60000, [&](HWND) { return isFile(work() + "\\FList1.txt"); });
  EXPECT_FALSE(first.timedOut);
  EXPECT_EQ(again.exitCode, 0u);
  EXPECT_TRUE(again.messages.empty());
  EXPECT_EQ(batch.exitCode, 2u);
  EXPECT_EQ(batch.messages, std::vector<std::string>{"MarliskAutoはすでに起動しています!\r 通知領域のアイコンか、タスクバーのウインドウをお使いください"});
  EXPECT_TRUE(readViewerLog(local / "viewer.log").empty());  // the second batch never ran
  // Once the first has ended, the next start is the only copy again.
  EXPECT_EQ(runProgram("/c " + settings.BatchFileName).exitCode, 0u);
}

TEST_F(BatchOutputTest, AnEmptyListStillRunsTheViewerOnce) {
  writeList({});
  configure();
  const ProgramRun run = runProgram("/d " + settings.BatchFileName);
  EXPECT_FALSE(run.timedOut);
  EXPECT_TRUE(run.messages.empty());
  const std::vector<ViewerRun> viewer = readViewerLog(local / "viewer.log");
  ASSERT_EQ(viewer.size(), 1u);
  EXPECT_TRUE(viewer[0].hadCommandFile);
  EXPECT_EQ(viewer[0].commandFileBytes, "");
}

// A list that cannot be opened, or an exe given as the list: one message, nothing converted,
// and the program stays for the user to mend it.
TEST_F(BatchOutputTest, AnUnopenableListIsReportedAndTheProgramStays) {
  configure();
  const std::pair<std::string, std::string> lists[] = {
      {local / "missing.txt", "ファイルを開けません!"},
      {testViewerPath(), "\r テキストのバッチファイルではないため、何も変換しません!"},
  };
  for (const auto& [list, said] : lists) {
    bool stayed = false;
    const ProgramRun run = runProgram("/c " + list, [&](HWND main) {
      stayed = true;
      EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, 1005)));  // "ﾊﾞｯﾁﾌｧｲﾙ出力" usable again
      PostMessageW(main, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(stayed) << list;
    EXPECT_EQ(run.messages, std::vector<std::string>{list + said});
  }
  EXPECT_TRUE(readViewerLog(local / "viewer.log").empty());
}

TEST_F(BatchOutputTest, StandbyConvertsDroppedFilesAndDeletesThemUntilExit) {
  makeFolder(local / "watch");
  settings.WatchFolder = local / "watch\\";
  settings.WatchFileMask = "*.hgl";
  settings.WaitSeconds = 2;
  configure();
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", L"1");
  for (const char* name : {"a.hgl", "図面 b.hgl"}) writeFile(local / ("watch\\" + std::string(name)), "IN;");
  writeFile(local / "watch\\keep.plt", "IN;");

  bool converted = false;
  const ProgramRun run = runProgram(
      "/a",
      [&](HWND main) {
        converted = true;
        PostMessageW(GetDlgItem(main, 1009), BM_CLICK, 0, 0);  // "終了", as a user presses it
      },
      60000, [&](HWND) { return listFolder(local / "watch") == "keep.plt"; });
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", nullptr);
  EXPECT_FALSE(run.timedOut);
  EXPECT_TRUE(converted);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_TRUE(run.messages.empty());
  EXPECT_EQ(listFolder(local / "out"), "a.pdf 図面 b.pdf");
  EXPECT_GE(readViewerLog(local / "viewer.log").size(), 1u);
}

}  // namespace
}  // namespace marlisk::test
