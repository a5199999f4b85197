// Standby output inside the main window, driven tick by tick: no test waits for the clock.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/MarliskMForm.h"
#include "resource.h"
#include "support/AnswerProbe.h"
#include "support/RunWait.h"
#include "support/WhenModal.h"
#include "support/TestFolder.h"
#include "support/WarningRecorder.h"
#include "support/TestViewerLog.h"

namespace marlisk::win {
namespace {

using test::TestFolder;

class StandbyFormTest : public ::testing::Test {
 protected:
  StandbyFormTest() {
    SetEnvironmentVariableW(L"TESTVIEWER_LOG", widen(root / "viewer.log").c_str());
    SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", L"1");
    test::useStandbyFolders(app.settings, root);
    form.create();
  }
  ~StandbyFormTest() override {
    for (const wchar_t* name : {L"TESTVIEWER_LOG", L"TESTVIEWER_CREATE_OUTPUTS", L"TESTVIEWER_SLEEP_MS",
                                L"TESTVIEWER_HANG_FOR", L"TESTVIEWER_CHILD_PID_FILE"})
      SetEnvironmentVariableW(name, nullptr);
  }
  std::string watched(const std::string& name) const { return root / ("watch\\" + name); }
  std::string work(const char* name) const { return test::readFile(root / ("work\\" + std::string(name))); }
  std::string ansi(const std::string& text) const { return *app.codec.toAnsi(text); }
  // Ticks until the cycle that is counting down has ended (and the next one has begun).
  int finishCycle() {
    int ticks = 0;
    while (form.countdown() > 0) {
      form.Timer1Timer();
      test::waitForSteps(form);
      ++ticks;
    }
    form.Timer1Timer();
    test::waitForSteps(form);
    return ticks + 1;
  }
  std::vector<test::ViewerRun> viewerRuns() { return test::readViewerLog(root / "viewer.log"); }

  TestFolder root;
  AppContext app;
  TMarliskMForm form{app};
  std::vector<std::string> warnings;
  test::WarningRecorder recording{warnings};
};

TEST_F(StandbyFormTest, AFileThatHeldItsSizeIsConvertedThenDeleted) {
  test::writeFile(watched("表 a.hgl"), "IN;");
  SendMessageW(form.item(IDC_ButtonAutoOutput), BM_CLICK, 0, 0);
  test::waitForSteps(form);
  EXPECT_TRUE(form.timer1Running());
  EXPECT_EQ(form.itemText(IDC_Label1), "待機中 !　待機時間=0時間0分2秒");
  EXPECT_FALSE(IsWindowEnabled(form.item(IDC_ButtonAutoOutput)));
  const std::string line = ansi("         3表 a.hgl") + "\r\n";
  EXPECT_EQ(work("FList1.txt"), line);

  // A wait of 2 s: the first tick counts down to 0, the second ends the cycle.
  EXPECT_EQ(finishCycle(), 2);
  EXPECT_EQ(work("FList2.txt"), line);
  EXPECT_EQ(work("FList.txt"), ansi(watched("表 a.hgl")) + "\r\n");
  const auto runs = viewerRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].commandFileBytes,
            ansi("/p \"" + watched("表 a.hgl") + "\" \"" + (root / "out\\表 a.pdf") + "\"") + "\r\n");
  EXPECT_FALSE(test::isFile(watched("表 a.hgl")));
  EXPECT_TRUE(test::isFile(root / "out\\表 a.pdf"));
  // The next cycle began at once, and the controls stay disabled.
  EXPECT_TRUE(form.timer1Running());
  EXPECT_EQ(work("FList1.txt"), "");
  EXPECT_FALSE(IsWindowEnabled(form.item(IDC_ButtonBatchOutput)));
  EXPECT_TRUE(warnings.empty());

  // Paused from the system menu: this cycle ends, no other begins, and the item says "再開".
  SendMessageW(form.hwnd(), WM_SYSCOMMAND, 0x0110, 0);
  finishCycle();
  EXPECT_EQ(form.itemText(IDC_Label1), "一時停止中");
  EXPECT_FALSE(form.timer1Running());
  wchar_t item[32] = {};
  GetMenuStringW(GetSystemMenu(form.hwnd(), FALSE), 0x0110, item, 32, MF_BYCOMMAND);
  EXPECT_EQ(narrow(item), "再開");
  SendMessageW(form.hwnd(), WM_SYSCOMMAND, 0x0110, 0);
  form.Timer1Timer();
  test::waitForSteps(form);
  EXPECT_TRUE(form.timer1Running());
}

TEST_F(StandbyFormTest, OnlyFilesPresentAndUnchangedInBothListingsAreTaken) {
  test::writeFile(watched("growing.hgl"), "IN;");
  test::writeFile(watched("vanishing.hgl"), "IN;");
  test::writeFile(watched("steady.hgl"), "IN;PU;");
  test::writeFile(watched("other.plt"), "IN;");  // not the mask
  test::makeFolder(watched("folder.hgl"));       // a folder is no file to convert
  HANDLE writer = CreateFileW(widen(watched("locked.hgl")).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
  form.startStandbyOutput();
  test::waitForSteps(form);
  const std::string first = work("FList1.txt");
  EXPECT_EQ(first.find("locked.hgl"), std::string::npos);  // still held by its writer
  EXPECT_EQ(first.find("folder.hgl"), std::string::npos);
  EXPECT_EQ(first.find("other.plt"), std::string::npos);

  test::writeFile(watched("growing.hgl"), "IN;PU0,0;");
  DeleteFileW(widen(watched("vanishing.hgl")).c_str());
  finishCycle();
  ASSERT_EQ(viewerRuns().size(), 1u);
  EXPECT_EQ(viewerRuns()[0].commandFileBytes,
            "/p \"" + watched("steady.hgl") + "\" \"" + (root / "out\\steady.pdf") + "\"\r\n");
  EXPECT_EQ(test::listFolder(root / "watch"), "folder.hgl\\ growing.hgl locked.hgl other.plt");

  // Once the growing file has settled and the writer let go, later cycles take them.
  CloseHandle(writer);
  finishCycle();
  finishCycle();
  EXPECT_EQ(test::listFolder(root / "watch"), "folder.hgl\\ other.plt");
  EXPECT_EQ(test::listFolder(root / "out"), "growing.pdf locked.pdf steady.pdf");
}

TEST_F(StandbyFormTest, TheSecondTabWatchesPdfFilesOnly) {
  app.settings.WatchFileMask = "*.plt";
  app.settings.OutType2Index = 1;  // EMF
  test::writeFile(watched("a.pdf"), "%PDF");
  test::writeFile(watched("b.plt"), "IN;");
  TabCtrl_SetCurSel(form.item(IDC_PageControl1), 1);
  form.PageControl1Change();
  form.startStandbyOutput();
  test::waitForSteps(form);
  EXPECT_EQ(work("FList1.txt"), "         4a.pdf\r\n");
  finishCycle();
  ASSERT_EQ(viewerRuns().size(), 1u);
  EXPECT_EQ(viewerRuns()[0].commandFileBytes, "/f \"" + watched("a.pdf") + "\" \"" + (root / "out\\a.emf") + "\"\r\n");
  EXPECT_EQ(test::listFolder(root / "watch"), "b.plt");
}

// The tab standby starts on is the tab in front as it starts, whatever tab the last step ran
// on: the other tab's damaged type neither refuses it nor is used, and its own damaged type
// refuses it before any viewer runs.
TEST_F(StandbyFormTest, StandbyUsesTheTabInFrontAsItStarts) {
  app.settings.WatchFileMask = "*.plt";
  test::writeFile(watched("a.pdf"), "%PDF");
  TabCtrl_SetCurSel(form.item(IDC_PageControl1), 1);
  form.PageControl1Change();
  app.settings.OutTypeIndex = 44;  // "300" in a damaged file: output 1's type is gone
  app.settings.OutType2Index = 1;
  form.startStandbyOutput();
  test::waitForSteps(form);
  finishCycle();
  EXPECT_EQ(warnings, std::vector<std::string>{});
  ASSERT_EQ(viewerRuns().size(), 1u);
  EXPECT_EQ(viewerRuns()[0].commandFileBytes, "/f \"" + watched("a.pdf") + "\" \"" + (root / "out\\a.emf") + "\"\r\n");
}

TEST_F(StandbyFormTest, StandbyRefusesTheDamagedTypeOfTheTabInFront) {
  test::writeFile(watched("a.pdf"), "%PDF");
  TabCtrl_SetCurSel(form.item(IDC_PageControl1), 1);
  form.PageControl1Change();
  app.settings.OutTypeIndex = 0;
  app.settings.OutType2Index = 44;
  form.startStandbyOutput();
  test::waitForSteps(form);
  EXPECT_EQ(warnings, std::vector<std::string>{"出力形式が選択されていません!"});
  EXPECT_FALSE(form.timer1Running());
  EXPECT_TRUE(viewerRuns().empty());
  EXPECT_TRUE(test::isFile(watched("a.pdf")));
}

TEST_F(StandbyFormTest, NothingIsDeletedThatTheViewerDidNotGetWhole) {
  // No viewer: every file stays, for a later cycle; the viewer is named once with the
  // system's reason, and the held input logged once.
  app.settings.ViewerExePath = root / "missing\\Marlisk.exe";
  test::writeFile(watched("a.hgl"), "IN;");
  form.startStandbyOutput();
  test::waitForSteps(form);
  finishCycle();
  finishCycle();
  EXPECT_TRUE(test::isFile(watched("a.hgl")));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_TRUE(warnings[0].starts_with(app.settings.ViewerExePath +
                                      "\r Marliskプログラムを起動できないため、入力ファイルはそのまま残します!\r\n"
                                      "I/O Error code=2 "))
      << warnings[0];
  EXPECT_GT(warnings[0].size(), warnings[0].find("code=2 ") + 7);  // the system's words
  warnings.clear();
  const std::string runLog = test::readFile(root / ("work\\" + logFileName(RunLog::today())));
  EXPECT_EQ(runLog.find("保留 ビューアを起動できない"), runLog.rfind("保留 ビューアを起動できない")) << runLog;

  // A file written again while the viewer ran holds what was never converted: it stays.
  app.settings.ViewerExePath = test::testViewerPath();
  SetEnvironmentVariableW(L"TESTVIEWER_SLEEP_MS", L"1000");
  // Written again once the viewer has started (its log exists), whatever the machine's pace.
  static std::string rewrite, log;
  rewrite = watched("a.hgl");
  log = root / "viewer.log";
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
    if (rewrite.empty() || !test::isFile(log)) return;
    test::writeFile(rewrite, "IN;PU0,0;PD100,100;");
    rewrite.clear();
  });
  finishCycle();
  KillTimer(nullptr, timer);
  EXPECT_TRUE(rewrite.empty());
  EXPECT_EQ(viewerRuns().size(), 1u);
  EXPECT_EQ(test::readFile(watched("a.hgl")), "IN;PU0,0;PD100,100;");

  // A command file that cannot be written: nothing is converted or deleted, and it is said.
  app.settings.ViewerCommandFilePath = root / "no such folder\\MarComline.txt";
  SetEnvironmentVariableW(L"TESTVIEWER_SLEEP_MS", nullptr);
  finishCycle();
  EXPECT_TRUE(test::isFile(watched("a.hgl")));
  EXPECT_EQ(warnings, std::vector<std::string>{"I/O Error code=3"});
  EXPECT_EQ(form.itemText(IDC_Label1).rfind("待機中 !", 0), 0u);
}

TEST_F(StandbyFormTest, AViewerThatCrashesDeletesNothingAndIsReportedOnce) {
  test::writeFile(watched("a.hgl"), "IN;");
  SetEnvironmentVariableW(L"TESTVIEWER_CRASH", L"1");
  form.startStandbyOutput();
  test::waitForSteps(form);
  finishCycle();
  finishCycle();
  EXPECT_TRUE(test::isFile(watched("a.hgl")));
  EXPECT_EQ(viewerRuns().size(), 2u);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0],
            "Marliskプログラムが異常終了しました (0xC0000005)\r "
            "変換されなかったかもしれない入力ファイルは削除せずに残します");
  // A viewer that ends by itself, even with an error code of its own, had the files: -1 and
  // codes of the error range that no crash gives are its own answers too.
  SetEnvironmentVariableW(L"TESTVIEWER_CRASH", nullptr);
  for (const wchar_t* code : {L"3", L"-1", L"3221225473"}) {  // 3221225473 = 0xC0000001
    test::writeFile(watched("a.hgl"), "IN;");
    SetEnvironmentVariableW(L"TESTVIEWER_EXIT_CODE", code);
    finishCycle();
    finishCycle();
    EXPECT_FALSE(test::isFile(watched("a.hgl"))) << narrow(code);
  }
  SetEnvironmentVariableW(L"TESTVIEWER_EXIT_CODE", nullptr);
  EXPECT_EQ(warnings.size(), 1u);
}

TEST_F(StandbyFormTest, AMissingWatchFolderIsSaidOnceUntilItComesBack) {
  app.settings.WatchFolder = root / "share\\";
  form.startStandbyOutput();
  test::waitForSteps(form);
  finishCycle();
  finishCycle();
  EXPECT_EQ(warnings, std::vector<std::string>{root / "shareフォルダが存在しません!"});
  test::makeFolder(root / "share");
  test::writeFile(root / "share\\a.hgl", "IN;");
  finishCycle();
  finishCycle();
  EXPECT_FALSE(test::isFile(root / "share\\a.hgl"));  // converted once it was there
  test::removeTree(root / "share");
  finishCycle();
  EXPECT_EQ(warnings.size(), 2u);
}

TEST_F(StandbyFormTest, ANameTheCodePageCannotHoldIsLeftAloneAndReportedOnce) {
  test::writeFile(watched("café.hgl"), "IN;");
  form.startStandbyOutput();
  test::waitForSteps(form);
  finishCycle();
  finishCycle();
  EXPECT_TRUE(test::isFile(watched("café.hgl")));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].rfind(watched("café.hgl") + "\r", 0), 0u);
  EXPECT_TRUE(viewerRuns().empty());
}

// A person may read the version, and a message box over it, while standby runs: Timer1 and
// the cycle go on inside their loops, and the input is converted on time.
TEST_F(StandbyFormTest, ACycleConvertsOnTimeWhileTheVersionAndAMessageBoxAreOpen) {
  test::writeFile(watched("a.hgl"), "IN;");
  form.startStandbyOutput();
  test::waitForSteps(form);
  ASSERT_TRUE(IsWindowEnabled(form.item(IDC_ButtonVersion)));
  static std::string input;
  static HWND version;
  static ULONGLONG shownAt, convertedAt;
  input = watched("a.hgl");
  shownAt = GetTickCount64();
  convertedAt = 0;
  test::WhenModal reading(form.hwnd(), [](HWND dialog) {
    version = dialog;
    // The box over the version closes once the input is converted (or after a minute).
    const UINT_PTR poll = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
      if (convertedAt == 0 && !test::isFile(input)) convertedAt = GetTickCount64();
      if (convertedAt == 0 && GetTickCount64() - shownAt < 60'000) return;
      EnumThreadWindows(
          GetCurrentThreadId(),
          [](HWND box, LPARAM) -> BOOL {
            if (GetWindow(box, GW_OWNER) == version) PostMessageW(box, WM_COMMAND, IDOK, 0);
            return TRUE;
          },
          0);
    });
    const WarningHandler recorder = setWarningHandler({});
    ShowWarning("ヘルプを読んでいます");  // a real box, with its own loop
    setWarningHandler(recorder);
    KillTimer(nullptr, poll);
    test::clickButton(dialog, IDOK);
  });
  form.ButtonVersionClick();
  EXPECT_TRUE(reading.ran());
  ASSERT_NE(convertedAt, 0u);
  EXPECT_LT(convertedAt - shownAt, 20'000u);  // two ticks of 2 s and a conversion, not a minute
  EXPECT_TRUE(test::isFile(root / "out\\a.pdf"));
  EXPECT_TRUE(warnings.empty());
}

// "終了" (here the close box) while the viewer hangs: the user is asked, and the viewer and
// what it started are ended; the input stays for the next start, its attempts not counted.
TEST_F(StandbyFormTest, ExitDuringAHungViewerEndsItWhenTheUserAgreesAndKeepsItsInputs) {
  test::writeFile(watched("a.hgl"), "IN;");
  SetEnvironmentVariableW(L"TESTVIEWER_HANG_FOR", L"a.hgl");
  SetEnvironmentVariableW(L"TESTVIEWER_CHILD_PID_FILE", widen(root / "child.pid").c_str());
  form.startStandbyOutput();
  test::waitForSteps(form);
  while (form.countdown() > 0) form.Timer1Timer();
  form.Timer1Timer();  // the conversion: the viewer hangs, and the window still runs
  for (int i = 0; i < 600 && !test::isFile(root / "child.pid"); ++i) test::waitForSteps(form, 50);
  ASSERT_TRUE(form.running());
  std::vector<std::string> asked;
  const QuestionHandler previous = setQuestionHandler([&](const std::string& text) {
    asked.push_back(text);
    return true;
  });
  SendMessageW(form.hwnd(), WM_CLOSE, 0, 0);
  test::waitForSteps(form, 30'000);
  setQuestionHandler(previous);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].rfind("Marliskの終了を待っています\r\n\n", 0), 0u) << asked[0];
  EXPECT_EQ(form.hwnd(), nullptr);
  EXPECT_TRUE(test::isFile(watched("a.hgl")));
  const DWORD child = static_cast<DWORD>(std::stoul(test::readFile(root / "child.pid")));
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, child);
  EXPECT_TRUE(!process || WaitForSingleObject(process, 5000) == WAIT_OBJECT_0);  // ended with the viewer
  if (process) CloseHandle(process);
  EXPECT_NE(work(logFileName(RunLog::today()).c_str()).find("保留 終了の指示でビューアを終了"), std::string::npos);
  EXPECT_FALSE(test::isFile(root / ("work\\" + std::string(kAttemptsFileName))));
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// A long listing runs off the window's thread: the window answers all along.
TEST_F(StandbyFormTest, TheWindowAnswersDuringALongListing) {
  for (int i = 0; i < 2000; ++i) test::writeFile(watched("f" + std::to_string(i) + ".hgl"), "IN;");
  test::AnswerProbe probe(form.hwnd(), 2000);
  form.startStandbyOutput();
  test::waitForSteps(form);
  probe.stop();
  EXPECT_GT(probe.probes(), 0);
  EXPECT_EQ(probe.unanswered(), 0);
  const std::string listing = work("FList1.txt");
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 2000);
}

TEST_F(StandbyFormTest, ExitEndsTheRunBetweenTicksOrAfterTheCycle) {
  test::writeFile(watched("a.hgl"), "IN;");
  form.startStandbyOutput();
  test::waitForSteps(form);
  form.Timer1Timer();
  test::waitForSteps(form);
  SendMessageW(form.item(IDC_ButtonOK), BM_CLICK, 0, 0);
  EXPECT_EQ(form.hwnd(), nullptr);
  EXPECT_TRUE(test::isFile(watched("a.hgl")));
  EXPECT_TRUE(viewerRuns().empty());
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST_F(StandbyFormTest, TheNotificationAreaShowsTheRunAndTakesTheMinimisedWindow) {
  EXPECT_FALSE(form.trayIcon().shown());
  test::writeFile(watched("a.hgl"), "IN;");
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", nullptr);  // a.hgl stays, for another attempt
  SendMessageW(form.item(IDC_ButtonAutoOutput), BM_CLICK, 0, 0);
  test::waitForSteps(form);
  ASSERT_TRUE(form.trayIcon().shown());
  EXPECT_EQ(form.trayIcon().tip(), "待機中 !　待機時間=0時間0分2秒");
  finishCycle();
  EXPECT_EQ(form.trayIcon().tip().substr(form.trayIcon().tip().find('\n') + 1), "a.hgl: 保留 出力なし");
  EXPECT_TRUE(warnings.empty());  // a kept input is a balloon, not a box

  // With the option, "_" puts the window in the notification area; a double click brings it
  // back, and Explorer starting again gets the icon back.
  app.runSettings.TrayOnMinimize = true;
  ShowWindow(form.hwnd(), SW_SHOW);
  SendMessageW(form.item(IDC_ButtonAppMinimize), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowVisible(form.hwnd()));
  SendMessageW(form.hwnd(), TrayIcon::taskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(form.trayIcon().shown());
  SendMessageW(form.hwnd(), TrayIcon::kMessage, 1, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(IsWindowVisible(form.hwnd()));
  EXPECT_FALSE(IsIconic(form.hwnd()));
  EXPECT_TRUE(form.trayIcon().shown());  // standby still runs
}

}  // namespace
}  // namespace marlisk::win
