// Batch output inside the main window: what the end-to-end tests cannot see from outside.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <functional>
#include <memory>

#include "app/MarliskMForm.h"
#include "resource.h"
#include "support/RunWait.h"
#include "support/TestFolder.h"
#include "support/TestViewerLog.h"
#include "support/WhenModal.h"

namespace marlisk::win {
namespace {

using test::TestFolder;

class BatchOutputFormTest : public ::testing::Test {
 protected:
  BatchOutputFormTest() {
    previous_ = setWarningHandler([this](const std::string& text) {
      warnings.push_back(text);
      if (onWarning) onWarning();
    });
    SetEnvironmentVariableW(L"TESTVIEWER_LOG", widen(root / "viewer.log").c_str());
    test::makeFolder(root / "in");
    Settings& s = app.settings;
    s.ViewerExePath = test::testViewerPath();
    s.ViewerCommandFilePath = root / "MarComline.txt";
    s.BatchFileName = root / "list.txt";
    s.OutputFolder = root / "out\\";
    form.create();
  }
  ~BatchOutputFormTest() override {
    setWarningHandler(previous_);
    SetEnvironmentVariableW(L"TESTVIEWER_LOG", nullptr);
    SetEnvironmentVariableW(L"TESTVIEWER_SLEEP_MS", nullptr);
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  // Writes files under in\ and a batch list of them (and of `missing` names, not written).
  void expectProgressList(int files, int entries, int firstFile);
  void makeList(const std::vector<std::string>& names, const std::vector<std::string>& missing = {}) {
    std::string list;
    for (const auto& name : names) {
      test::writeFile(root / ("in\\" + name), "x");
      list += *app.codec.toAnsi(root / ("in\\" + name)) + "\r\n";
    }
    for (const auto& name : missing) list += *app.codec.toAnsi(root / ("in\\" + name)) + "\r\n";
    test::writeFile(app.settings.BatchFileName, list);
  }
  void chooseTab(OutputTab tab) {
    TabCtrl_SetCurSel(form.item(IDC_PageControl1), static_cast<int>(tab));
    form.PageControl1Change();
  }
  std::vector<test::ViewerRun> viewerRuns() { return test::readViewerLog(root / "viewer.log"); }

  TestFolder root;
  AppContext app;
  TMarliskMForm form{app};
  std::vector<std::string> warnings;
  std::function<void()> onWarning;

 private:
  WarningHandler previous_;
};

TEST_F(BatchOutputFormTest, OnTheSecondTabOnlyPdfFilesAreConvertedAndOthersSkippedSilently) {
  app.settings.OutType2Index = 4;  // SVG
  makeList({"a.PDF", "b.plt", "c.pdf", "d"});
  chooseTab(OutputTab::Output2);
  form.startBatchOutput();
  test::waitForSteps(form);
  EXPECT_TRUE(warnings.empty());
  const auto runs = viewerRuns();
  ASSERT_EQ(runs.size(), 1u);
  const std::string in = root / "in\\", out = root / "out\\";
  EXPECT_EQ(runs[0].commandFileBytes,
            "/f \"" + in + "a.PDF\" \"" + out + "a.svg\"\r\n/f \"" + in + "c.pdf\" \"" + out + "c.svg\"\r\n");
  EXPECT_EQ(form.hwnd(), nullptr);  // the program ends after a batch
}

// The list as the run leaves it while the viewer runs, for a batch of `files` files: how many
// entries, and the number of the first.
void BatchOutputFormTest::expectProgressList(int files, int entries, int firstFile) {
  std::vector<std::string> names;
  for (int i = 1; i <= files; ++i) names.push_back("f" + std::to_string(i) + ".hgl");
  makeList(names);
  // Look at the list while the viewer runs (the window is pumped meanwhile): every tick once
  // the viewer has started (its log exists), so that a slow run cannot be caught half-way.
  SetEnvironmentVariableW(L"TESTVIEWER_SLEEP_MS", L"1500");
  static HWND list, labelWindow;
  static int count;
  static std::string first, last, status, log;
  list = form.item(IDC_ListBox1);
  labelWindow = form.item(IDC_Label1);
  log = root / "viewer.log";
  count = -1;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
    if (!test::isFile(log) || !IsWindow(list)) return;
    count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    auto text = [](int i) {
      wchar_t buffer[MAX_PATH] = {};
      SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer));
      return narrow(buffer);
    };
    first = text(0);
    last = text(count - 1);
    wchar_t label[64] = {};
    GetWindowTextW(labelWindow, label, 64);
    status = narrow(label);
  });
  form.startBatchOutput();
  test::waitForSteps(form);
  KillTimer(nullptr, timer);
  EXPECT_EQ(count, entries);
  EXPECT_EQ(first, root / ("in\\f" + std::to_string(firstFile) + ".hgl"));
  EXPECT_EQ(last, root / ("in\\f" + std::to_string(files) + ".hgl"));
  EXPECT_EQ(status, "出力中 !");
  const auto runs = viewerRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(std::count(runs[0].commandFileBytes.begin(), runs[0].commandFileBytes.end(), '\n'), files);
}

TEST_F(BatchOutputFormTest, TheProgressListKeepsTheNewestEntries) {
  expectProgressList(120, 70, 51);  // 101, less 50 before the 102nd, and 18 more
}

// More entries than the window keeps between two drawings of the list.
TEST_F(BatchOutputFormTest, TheProgressListKeepsTheNewestEntriesOfALongList) {
  expectProgressList(300, 100, 201);  // 50 dropped before the 102nd, 152nd, 202nd and 252nd
}

TEST_F(BatchOutputFormTest, ExitDuringTheRunConvertsWhatWasListedThenEnds) {
  makeList({"a.hgl"}, {"gone.hgl"});
  std::string more;
  for (const char* name : {"b.hgl", "c.hgl"}) {
    test::writeFile(root / ("in\\" + std::string(name)), "x");
    more += root / ("in\\" + std::string(name)) + "\r\n";
  }
  test::writeFile(app.settings.BatchFileName, test::readFile(app.settings.BatchFileName) + more);
  // "終了" is pressed while the message about the missing file is up.
  onWarning = [this] { SendMessageW(form.item(IDC_ButtonOK), BM_CLICK, 0, 0); };
  form.startBatchOutput();
  test::waitForSteps(form);
  const auto runs = viewerRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].commandFileBytes, "/p \"" + (root / "in\\a.hgl") + "\" \"" + (root / "out\\a.pdf") + "\"\r\n");
  EXPECT_EQ(form.hwnd(), nullptr);
}

TEST_F(BatchOutputFormTest, NothingRunsWithoutAValidOutputTypeOrCommandFile) {
  makeList({"a.hgl"});
  app.settings.OutTypeIndex = 40;  // from a damaged parameter file
  form.startBatchOutput();
  test::waitForSteps(form);
  EXPECT_EQ(warnings, std::vector<std::string>{"出力形式が選択されていません!"});
  ASSERT_NE(form.hwnd(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(form.item(IDC_ButtonBatchOutput)));

  warnings.clear();
  app.settings.OutTypeIndex = 0;
  app.settings.ViewerCommandFilePath = root / "no such folder\\MarComline.txt";
  form.startBatchOutput();
  test::waitForSteps(form);
  EXPECT_EQ(warnings, std::vector<std::string>{app.settings.ViewerCommandFilePath + "ファイルを開けません!"});
  EXPECT_TRUE(IsWindowEnabled(form.item(IDC_ButtonBatchOutput)));

  // An exe given as the batch list: one message, not one for each of its "lines".
  warnings.clear();
  app.settings.ViewerCommandFilePath = root / "MarComline.txt";
  app.settings.BatchFileName = test::testViewerPath();
  form.startBatchOutput();
  test::waitForSteps(form);
  EXPECT_EQ(warnings, std::vector<std::string>{test::testViewerPath() +
                                               "\r テキストのバッチファイルではないため、何も変換しません!"});
  EXPECT_TRUE(viewerRuns().empty());
}

// After the first missing file the user may have the rest of them only logged.
TEST_F(BatchOutputFormTest, ManyMissingFilesNeedNotHoldTheUser) {
  app.settings.WorkFolder = root.path();
  makeList({"a.hgl"}, {"x.hgl", "y.hgl", "z.hgl"});
  std::vector<std::string> asked;
  const QuestionHandler previous = setQuestionHandler([&](const std::string& text) {
    asked.push_back(text);
    return false;  // いいえ: no more boxes
  });
  form.startBatchOutput();
  test::waitForSteps(form);
  setQuestionHandler(previous);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_TRUE(asked[0].starts_with(root / "in\\x.hgl" + "ファイルを開けません!\r\n\r\n")) << asked[0];
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(viewerRuns().size(), 1u);
  const std::string log = test::readFile(root / ("Log\\" + RunLog::today() + ".txt"));
  for (const char* name : {"x.hgl", "y.hgl", "z.hgl"})
    EXPECT_NE(log.find(root / ("in\\" + std::string(name)) + "\t\t0\t見つからない"), std::string::npos) << log;
}

// The version may be read while a batch runs; the batch's end still ends the program.
TEST_F(BatchOutputFormTest, ABatchEndsTheProgramEvenWithTheVersionOpen) {
  makeList({"a.hgl"});
  SetEnvironmentVariableW(L"TESTVIEWER_SLEEP_MS", L"500");
  form.startBatchOutput();
  ASSERT_TRUE(IsWindowEnabled(form.item(IDC_ButtonVersion)));
  test::WhenModal reading(form.hwnd(), [](HWND dialog) {
    // Left open: the program's end closes it (or, failing that, a person after half a minute).
    SetTimer(dialog, 1, 30'000, [](HWND window, UINT, UINT_PTR, DWORD) { test::clickButton(window, IDOK); });
  });
  const ULONGLONG opened = GetTickCount64();
  form.ButtonVersionClick();
  EXPECT_TRUE(reading.ran());
  EXPECT_LT(GetTickCount64() - opened, 20'000u);
  EXPECT_EQ(form.hwnd(), nullptr);
  EXPECT_EQ(viewerRuns().size(), 1u);
}

// Whoever starts it, a run in unattended mode asks nothing and shows nothing: its words go to
// the log.
TEST_F(BatchOutputFormTest, ARunStartedByItsButtonInUnattendedModeShowsNoBox) {
  app.settings.WorkFolder = root.path();
  app.runSettings.Unattended = true;
  makeList({"a.hgl"}, {"gone.hgl"});
  std::vector<std::string> asked;
  const QuestionHandler previous = setQuestionHandler([&](const std::string& text) {
    asked.push_back(text);
    return true;
  });
  SendMessageW(form.item(IDC_ButtonBatchOutput), BM_CLICK, 0, 0);
  test::waitForSteps(form);
  setQuestionHandler(previous);
  EXPECT_TRUE(asked.empty());
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(viewerRuns().size(), 1u);
  const std::string log = test::readFile(root / ("Log\\" + RunLog::today() + ".txt"));
  EXPECT_NE(log.find("メッセージ\t" + (root / "in\\gone.hgl") + "ファイルを開けません!"), std::string::npos) << log;
}

}  // namespace
}  // namespace marlisk::win
