// A standby run without a window: what it asks of its host, cycle by cycle.
#include <gtest/gtest.h>

#include "app/StandbyRun.h"
#include "app/ViewerLauncher.h"
#include "support/TestFolder.h"
#include "support/TestViewerLog.h"

namespace marlisk::win {
namespace {

// Records what the run asks for; the wanted stop is the test's to set.
class RecordingHost final : public RunHost {
 public:
  bool stopRequested() const override { return stop; }
  void setStatus(const std::string& text) override { statuses.push_back(text); }
  void setBusy(bool busy) override { busyNow = busy; }
  void setRunControlsEnabled(bool enabled) override { controlsEnabled = enabled; }
  void clearProgress(bool trimmed) override {
    progress.clear();
    EXPECT_FALSE(trimmed);  // a listing shows the whole folder
  }
  void addProgress(const std::string& path) override { progress.push_back(path); }
  void finishProgress() override {}
  void keepAlive() override {}
  void warn(const std::string& text) override { warnings.push_back(text); }
  void startTimer() override { timerOn = true; }
  void stopTimer() override { timerOn = false; }
  void convertingFiles(size_t count) override { converting.push_back(count); }

  bool stop = false, busyNow = false, controlsEnabled = true, timerOn = false;
  std::vector<std::string> statuses, progress, warnings;
  std::vector<size_t> converting;
};

TEST(StandbyRunTest, ACycleAsItsHostSeesIt) {
  test::TestFolder root;
  AppContext app;
  test::useStandbyFolders(app.settings, root);
  test::writeFile(root / "watch\\a.hgl", "IN;");
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", L"1");
  RecordingHost host;
  StandbyRun run(app, host);

  ASSERT_TRUE(run.start(OutputTab::Output1));
  EXPECT_EQ(run.state(), StandbyRun::State::Waiting);
  EXPECT_TRUE(host.timerOn);
  EXPECT_FALSE(host.controlsEnabled);
  EXPECT_EQ(host.progress, std::vector<std::string>{root / "watch\\a.hgl"});
  run.tick();  // 2 s to 0
  EXPECT_EQ(host.statuses,
            (std::vector<std::string>{"待機中 !　待機時間=0時間0分2秒", "待機中 !　待機時間=0時間0分0秒"}));
  // "終了" during the wait: this cycle is finished, no other begins.
  host.stop = true;
  run.tick();
  EXPECT_EQ(run.state(), StandbyRun::State::Stopped);
  EXPECT_FALSE(host.timerOn);
  EXPECT_FALSE(host.busyNow);
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", nullptr);
  EXPECT_FALSE(test::isFile(root / "watch\\a.hgl"));  // converted, then deleted
  EXPECT_EQ(std::vector<std::string>(host.statuses.end() - 2, host.statuses.end()),
            (std::vector<std::string>{"出力中 !", "待機中 !"}));
  EXPECT_EQ(host.converting, (std::vector<size_t>{1, 0}));  // the files the viewer had, for the icon's tip
  EXPECT_TRUE(host.warnings.empty());

  // Without an output type nothing begins.
  app.settings.OutTypeIndex = 99;
  StandbyRun refused(app, host);
  EXPECT_FALSE(refused.start(OutputTab::Output1));
  EXPECT_EQ(host.warnings, std::vector<std::string>{"出力形式が選択されていません!"});
  EXPECT_EQ(refused.state(), StandbyRun::State::Stopped);
}

// Whole cycles of one run, started afresh (as after a restart: what it keeps is only what it
// saved).
void cycles(AppContext& app, RecordingHost& host, int count = 1) {
  StandbyRun run(app, host);
  ASSERT_TRUE(run.start(OutputTab::Output1));
  for (int i = 1; i <= count; ++i) {
    run.tick();  // the wait is over
    host.stop = i == count;
    run.tick();  // the second listing, the viewer, and the next cycle's first listing
  }
  host.stop = false;
}

// The viewer's options for one test, gone after it.
class ViewerOptions {
 public:
  ViewerOptions(std::initializer_list<std::pair<const wchar_t*, std::string>> options) {
    for (const auto& [name, value] : options) {
      SetEnvironmentVariableW(name, widen(value).c_str());
      names_.push_back(name);
    }
  }
  ~ViewerOptions() {
    for (const wchar_t* name : names_) SetEnvironmentVariableW(name, nullptr);
  }

 private:
  std::vector<const wchar_t*> names_;
};

std::string todaysLog(const test::TestFolder& root) {
  return test::readFile(root / ("work\\" + logFileName(RunLog::today())));
}

TEST(StandbyRunTest, AnInputWithoutItsOutputStaysAndMovesToTheErrorFolderAfterItsAttempts) {
  test::TestFolder root;
  AppContext app;
  test::useStandbyFolders(app.settings, root);
  for (const char* name : {"good.hgl", "none.hgl", "empty.hgl", "stale.hgl", "twin.hgl", "twin.plt"})
    test::writeFile(root / ("watch\\" + std::string(name)), "IN;");
  app.settings.WatchFileMask = "*.*";
  test::writeFile(root / "out\\stale.pdf", "from an earlier day");  // an output older than the run
  FILETIME old = {0x10000000, 0x01D00000};
  {
    HANDLE file = CreateFileW(widen(root / "out\\stale.pdf").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    SetFileTime(file, nullptr, nullptr, &old);
    CloseHandle(file);
  }
  // A name the error folder already holds is never overwritten.
  test::makeFolder(root / "watch\\変換エラー");
  test::writeFile(root / "watch\\変換エラー\\none.hgl", "an earlier failure");
  // No output for none.hgl and stale.hgl (whose old output stays), an empty one for empty.hgl.
  ViewerOptions options{{L"TESTVIEWER_CREATE_OUTPUTS", "1"},
                        {L"TESTVIEWER_NO_OUTPUT_FOR", "e.hgl"},
                        {L"TESTVIEWER_EMPTY_OUTPUT_FOR", "empty.hgl"}};
  RecordingHost host;
  cycles(app, host);
  // The twins (both name twin.pdf) are two drawings: the second has a name of its own.
  EXPECT_EQ(test::listFolder(root / "watch"), "empty.hgl none.hgl stale.hgl 変換エラー\\");
  EXPECT_EQ(test::listFolder(root / "out"), "empty.pdf good.pdf stale.pdf twin (2).pdf twin.pdf");
  EXPECT_EQ(test::readFile(root / ("work\\" + std::string(kAttemptsFileName))),
            "1\t" + root / "watch\\empty.hgl\r\n1\t" + root / "watch\\none.hgl\r\n1\t" + root / "watch\\stale.hgl\r\n");
  const std::string log = todaysLog(root);
  EXPECT_TRUE(log.starts_with("\xEF\xBB\xBF"));
  // The size is the output's (the test viewer's text names the line, so it follows the folder's name).
  const std::string twin = "twin (2).pdf\t" + std::to_string(test::readFile(root / "out\\twin (2).pdf").size()) +
                           "\t変換済み 削除 (twin.pdf は別";
  for (const std::string& line :
       {std::string("good.hgl\t"), std::string("変換済み 削除"), std::string("保留 出力なし"), twin})
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
  EXPECT_TRUE(host.warnings.empty());

  // Two more cycles, each by a run started afresh: the others have their last attempt, then
  // the error folder, said once for all of them. A revised twin replaces its own output.
  test::writeFile(root / "watch\\twin.plt", "IN;SP1;");
  cycles(app, host);
  cycles(app, host);
  EXPECT_EQ(test::listFolder(root / "out"), "empty.pdf good.pdf stale.pdf twin (2).pdf twin.pdf");
  EXPECT_EQ(test::listFolder(root / "watch"), "変換エラー\\");
  EXPECT_EQ(test::listFolder(root / "watch\\変換エラー"), "empty.hgl none (2).hgl none.hgl stale.hgl");
  EXPECT_EQ(test::readFile(root / "watch\\変換エラー\\none.hgl"), "an earlier failure");
  EXPECT_EQ(host.warnings,
            std::vector<std::string>{"3 個の入力ファイルが変換できなかったため、エラーフォルダへ移動しました\r " +
                                     root / "watch\\変換エラー"});
  EXPECT_EQ(test::readFile(root / ("work\\" + std::string(kAttemptsFileName))), "");
  EXPECT_NE(
      todaysLog(root).find("none.hgl\t" + root / "out\\none.pdf\t0\tエラーフォルダへ移動 (3 回目: 出力なし, 移動先 " +
                           root / "watch\\変換エラー\\none (2).hgl)"),
      std::string::npos)
      << todaysLog(root);
}

// A share that dropped: nothing is handed to the viewer and no attempt is counted until the
// output folder is back, and that is said once.
TEST(StandbyRunTest, AnOutputFolderThatIsGoneHoldsTheInputsUntilItIsBack) {
  test::TestFolder root;
  AppContext app;
  test::useStandbyFolders(app.settings, root);
  test::writeFile(root / "watch\\a.hgl", "IN;");
  ViewerOptions options{{L"TESTVIEWER_CREATE_OUTPUTS", "1"}, {L"TESTVIEWER_LOG", root / "viewer.log"}};
  RemoveDirectoryW(widen(root / "out").c_str());
  RecordingHost host;
  StandbyRun run(app, host);
  ASSERT_TRUE(run.start(OutputTab::Output1));
  for (int cycle = 0; cycle < 3; ++cycle) {
    if (cycle == 2) test::makeFolder(root / "out");
    run.tick();
    run.tick();
    EXPECT_EQ(test::isFile(root / "watch\\a.hgl"), cycle < 2) << cycle;
    EXPECT_FALSE(test::isFile(root / ("work\\" + std::string(kAttemptsFileName)))) << cycle;
  }
  EXPECT_EQ(test::readViewerLog(root / "viewer.log").size(), 1u);
  EXPECT_EQ(test::listFolder(root / "out"), "a.pdf");
  ASSERT_EQ(host.warnings.size(), 1u);
  EXPECT_EQ(host.warnings[0],
            root / "out\\" +
                "\r 出力フォルダが見つからないか書き込めないため、入力ファイルはそのまま残して変換を待ちます!\r\nI/O "
                "Error code=2");
}

TEST(StandbyRunTest, FoldersThatCannotTakeTheInputLeaveItWhereItIs) {
  test::TestFolder root;
  AppContext app;
  test::useStandbyFolders(app.settings, root);
  ViewerOptions options{{L"TESTVIEWER_CREATE_OUTPUTS", "1"}};
  RecordingHost host;
  struct Case {
    AfterSuccess originals;
    std::string folder;  // the done folder, or the log folder's blocker
    bool gone;
    std::string movedTo;
  } cases[] = {
      {AfterSuccess::MoveToDone, "", true, root / "watch\\変換済み\\a.hgl"},
      // Another volume (a tmpfs under Wine's Z:), where a move is a copy, a check and a delete.
      {AfterSuccess::MoveToDone, "Z:\\dev\\shm\\marlisk-done-" + std::to_string(GetCurrentProcessId()), true,
       "Z:\\dev\\shm\\marlisk-done-" + std::to_string(GetCurrentProcessId()) + "\\a.hgl"},
      {AfterSuccess::MoveToDone, root / "blocked", false, ""},  // a file holds the folder's name
      {AfterSuccess::RecycleBin, "", true, ""},
  };
  test::writeFile(root / "blocked", "not a folder");
  for (const Case& c : cases) {
    test::writeFile(root / "watch\\a.hgl", "IN; the drawing");
    app.runSettings.Originals = c.originals;
    app.runSettings.DoneFolder = c.folder;
    host.warnings.clear();
    cycles(app, host);
    EXPECT_EQ(!test::isFile(root / "watch\\a.hgl"), c.gone) << c.folder;
    if (!c.movedTo.empty()) {
      EXPECT_EQ(test::readFile(c.movedTo), "IN; the drawing") << c.movedTo;
      DeleteFileW(widen(c.movedTo).c_str());
    }
    EXPECT_EQ(host.warnings.size(), c.gone ? 0u : 1u) << c.folder;
    if (!c.gone) {
      EXPECT_NE(host.warnings[0].find("移動・削除できないため"), std::string::npos);
      host.warnings.clear();
      // Said once, not every cycle; converted once, then only its move is tried again.
      ViewerOptions logged{{L"TESTVIEWER_LOG", root / "viewer.log"}};
      cycles(app, host, 3);
      EXPECT_EQ(host.warnings.size(), 1u);
      EXPECT_EQ(test::readViewerLog(root / "viewer.log").size(), 1u);
      DeleteFileW(widen(root / "viewer.log").c_str());
      DeleteFileW(widen(root / "watch\\a.hgl").c_str());
    }
  }
  RemoveDirectoryW(widen(cases[1].folder).c_str());

  // A done folder on a disk that is full (scripts/test mounts a small one where it may): the
  // input stays, said once, and no part of a copy is left there.
  wchar_t disk[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"MARLISK_SMALL_DISK", disk, MAX_PATH)) {
    const std::string done = narrow(disk) + "\\done-" + std::to_string(GetCurrentProcessId());
    test::makeFolder(done);
    HANDLE filler = CreateFileW(widen(done + "\\filler").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const std::string block(4096, 'x');
    DWORD written = 0;
    while (WriteFile(filler, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) && written > 0) {
    }
    CloseHandle(filler);
    test::writeFile(root / "watch\\a.hgl", std::string(64 * 1024, 'd'));
    app.runSettings.Originals = AfterSuccess::MoveToDone;
    app.runSettings.DoneFolder = done;
    host.warnings.clear();
    cycles(app, host, 2);
    EXPECT_EQ(test::readFile(root / "watch\\a.hgl"), std::string(64 * 1024, 'd'));
    EXPECT_EQ(test::listFolder(done), "filler");
    EXPECT_EQ(host.warnings.size(), 1u);
    test::removeTree(done);
    DeleteFileW(widen(root / "watch\\a.hgl").c_str());
  }

  // An error folder that cannot be made: the input that had its last attempt stays, said once.
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", nullptr);
  app.runSettings.Originals = AfterSuccess::Delete;
  app.runSettings.MaxAttempts = 1;
  app.runSettings.ErrorFolder = root / "blocked";
  test::writeFile(root / "watch\\a.hgl", "IN;");
  host.warnings.clear();
  cycles(app, host, 2);
  EXPECT_TRUE(test::isFile(root / "watch\\a.hgl"));
  ASSERT_EQ(host.warnings.size(), 1u);
  EXPECT_NE(host.warnings[0].find("移動・削除できないため"), std::string::npos);
  DeleteFileW(widen(root / "watch\\a.hgl").c_str());
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", L"1");
  app.runSettings.MaxAttempts = 3;
  app.runSettings.ErrorFolder.clear();

  // A log that cannot be written stops nothing, and is said once.
  app.runSettings.Originals = AfterSuccess::Delete;
  test::removeTree(root / "work\\Log");
  test::writeFile(root / "work\\Log", "a file where the log folder goes");
  host.warnings.clear();
  test::writeFile(root / "watch\\a.hgl", "IN;");
  test::writeFile(root / "watch\\b.hgl", "IN;");
  cycles(app, host, 2);
  EXPECT_EQ(test::listFolder(root / "watch"), "変換済み\\");  // both converted and deleted
  ASSERT_EQ(host.warnings.size(), 1u);
  EXPECT_NE(host.warnings[0].find("運転ログを書けません"), std::string::npos);
}

TEST(StandbyRunTest, AViewerPastItsTimeLimitIsEndedWithWhatItStarted) {
  test::TestFolder root;
  test::writeFile(root / "commands.txt", "/p \"a.hgl\" \"" + root / "a.pdf" + "\"\r\n");
  ViewerOptions options{{L"TESTVIEWER_HANG_FOR", "a.hgl"}, {L"TESTVIEWER_CHILD_PID_FILE", root / "child.pid"}};
  const ViewerResult result = runViewer(test::testViewerPath(), root / "commands.txt", 1500);
  EXPECT_TRUE(result.started);
  EXPECT_TRUE(result.timedOut);
  EXPECT_EQ(result.end(), ViewerEnd::TimedOut);
  EXPECT_GE(result.seconds, 1.4);
  EXPECT_LT(result.seconds, 10.0);
  const DWORD child = static_cast<DWORD>(std::stoul(test::readFile(root / "child.pid")));
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, child);
  // Gone already, or going: the job ended it with the viewer.
  EXPECT_TRUE(!process || WaitForSingleObject(process, 5000) == WAIT_OBJECT_0);
  if (process) CloseHandle(process);
}

}  // namespace
}  // namespace marlisk::win
