// The program's start and its main window, in process: each test has its own exe folder
// (with an Init folder) and its own local application data folder.
#include "app/MarliskMForm.h"

#include <commctrl.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <memory>

#include "batchlist/FileHelpers.h"
#include "resource.h"
#include "support/RunWait.h"
#include "support/TestFolder.h"
#include "win/ShellOpen.h"
#include "support/WarningRecorder.h"
#include "support/WhenModal.h"
#include "win/Handles.h"

namespace marlisk::win {
namespace {

using test::TestFolder;

class MainFormTest : public ::testing::Test {
 protected:
  MainFormTest() {
    test::makeFolder(root / "exe");
    test::makeFolder(root / "exe\\Init");
    test::makeFolder(root / "exe\\Init\\Data");
    test::writeFile(root / "exe\\Init\\Data\\sample.hgl", "IN;");
    test::writeFile(root / "exe\\Marlisk.exe", "MZ");
    test::makeFolder(root / "local");
    Settings init;
    init.ViewerExePath = root / "exe\\Marlisk.exe";
    init.WaitSeconds = 120;
    init.OutTypeIndex = 21;
    init.OutType2Index = 7;
    writeInitParameters(init);
  }
  ~MainFormTest() override {
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  void writeInitParameters(Settings init) {
    init.ParameterFilePath = root / "exe\\Init\\MarliskAuto.par";
    ASSERT_TRUE(context().parameterFile().save(init));
  }
  AppContext& context() {
    if (!app_) {
      app_ = std::make_unique<AppContext>();
      app_->exeFolder = root / "exe";
      app_->localAppData = root / "local";
    }
    return *app_;
  }
  // A new process, as far as the form can tell: fresh settings, the same folders.
  void restart() {
    form_.reset();
    app_.reset();
  }
  TMarliskMForm& start(std::vector<std::string> arguments = {}) {
    context().arguments = std::move(arguments);
    form_ = std::make_unique<TMarliskMForm>(context());
    EXPECT_NE(form_->create(), nullptr);
    form_->initialize();
    test::waitForSteps(*form_);
    return *form_;
  }
  std::string work() const { return root / "local\\Brennamor\\MarliskAuto"; }
  std::string windowText(HWND window) const {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return narrow(text);
  }

  TestFolder root;
  std::vector<std::string> warnings;
  test::WarningRecorder recording{warnings};

 private:
  std::unique_ptr<AppContext> app_;
  std::unique_ptr<TMarliskMForm> form_;
};

TEST_F(MainFormTest, FirstRunFillsTheWorkingFolderFromInitAndLoadsIt) {
  TMarliskMForm& form = start();
  ASSERT_NE(form.hwnd(), nullptr);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(test::listFolder(work()), "Data\\ MarliskAuto.par");
  EXPECT_EQ(test::readFile(work() + "\\Data\\sample.hgl"), "IN;");
  const Settings& s = context().settings;
  EXPECT_EQ(s.WorkFolder, work());
  EXPECT_EQ(s.ParameterFilePath, work() + "\\MarliskAuto.par");
  EXPECT_EQ(s.ViewerCommandFilePath, work() + "\\MarComline.txt");
  EXPECT_EQ(s.WaitSeconds, 120);
  EXPECT_EQ(form.outputPage(OutputTab::Output1).itemIndex(), 21);
  EXPECT_EQ(form.outputPage(OutputTab::Output2).itemIndex(), 7);
  EXPECT_EQ(windowText(form.hwnd()), "<< MarliskAuto >>  Version 10.10  (C) Brennamor");
}

// MarliskAuto.ini, damaged, is read as far as it is sound and said once; the parameter file
// beside it is not touched by it.
TEST_F(MainFormTest, ADamagedRunSettingsFileIsReadAsFarAsItIsSound) {
  test::makeFolder(root / "local\\Brennamor");
  test::makeFolder(work());
  test::writeFile(work() + "\\MarliskAuto.ini", "[Run]\r\nMaxAttempts=7\r\nLogDays=never\r\n\x01\x02\r\n");
  TMarliskMForm& form = start();
  ASSERT_NE(form.hwnd(), nullptr);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0],
            work() +
                "\\MarliskAuto.ini\r\n運転設定ファイルに読めない設定があります。次の設定は既定値で運転します!"
                "\r\n運転ログを残す日数、読めない行 (4行目)");
  EXPECT_EQ(context().runSettings.MaxAttempts, 7);
  EXPECT_EQ(context().runSettings.LogDays, 30);
}

TEST_F(MainFormTest, TheShippedInitFolderStartsTheProgram) {
  test::removeTree(root / "exe\\Init");
  test::makeFolder(root / "exe\\Init");
  ASSERT_EQ(copyFolderTree(test::exeFolder() + "\\Init", root / "exe\\Init").code(), 0u);  // Init/ as built
  ASSERT_EQ(test::listFolder(root / "exe\\Init"), "Data\\ MarliskAuto.ini MarliskAuto.par");
  TMarliskMForm& form = start();
  ASSERT_NE(form.hwnd(), nullptr);
  // The viewer is not installed here: its warning is the only one.
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("Marliskプログラムファイルが存在しません!"), std::string::npos);
  const Settings& s = context().settings;
  EXPECT_EQ(s.HpglExtList, "hgl");
  EXPECT_EQ(s.WatchFolder, "C:\\HpglData\\InData\\");
  EXPECT_EQ(s.WatchFileMask, "*.hgl");
  EXPECT_EQ(s.OutputFolder, "C:\\HpglData\\OutData\\");
  EXPECT_EQ(s.WaitSeconds, 60);
  EXPECT_EQ(form.outputPage(OutputTab::Output1).itemIndex(), 0);

  // With the converter the installer brings, the user is offered it, and はい keeps it.
  const std::string bundled = root / "exe\\RefConverter\\RefConverter.exe";
  test::makeFolder(root / "exe\\RefConverter");
  test::writeFile(bundled, "MZ");
  std::vector<std::string> asked;
  const QuestionHandler previous = setQuestionHandler([&](const std::string& text) {
    asked.push_back(text);
    return true;
  });
  restart();
  start();
  setQuestionHandler(previous);
  ASSERT_EQ(asked.size(), 1u);
  // One question, its facts first: the missing viewer's path, then the converter's.
  EXPECT_TRUE(asked[0].starts_with(warnings[0].substr(0, warnings[0].find('\r')) +
                                   "\r\nMarliskプログラムファイルが存在しません。付属の参照コンバーター"))
      << asked[0];
  EXPECT_NE(asked[0].find(bundled), std::string::npos);
  EXPECT_EQ(context().settings.ViewerExePath, bundled);
  restart();
  warnings.clear();
  start();
  EXPECT_TRUE(warnings.empty());  // saved: the next start finds it
  EXPECT_EQ(context().settings.ViewerExePath, bundled);
}

// However the system first shows the window: a shortcut set to "最小化" never paints it.
TEST_F(MainFormTest, TheStartRunsOnceWhenFirstShownHoweverItIsShown) {
  Settings init;
  init.ViewerExePath = root / "exe\\missing.exe";  // one warning per start
  writeInitParameters(init);
  auto pump = [] {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  };
  for (const int show : {SW_SHOWNOACTIVATE, SW_SHOWMINNOACTIVE, SW_HIDE}) {
    test::removeTree(root / "local\\Brennamor");
    warnings.clear();
    TMarliskMForm form(context());
    ASSERT_NE(form.create(), nullptr);
    pump();
    EXPECT_FALSE(test::isFolder(work())) << show;  // not before it is shown
    ShowWindow(form.hwnd(), show);
    form.firstShown();  // as the program does after its ShowWindow
    pump();
    EXPECT_TRUE(test::isFolder(work())) << show;
    ShowWindow(form.hwnd(), SW_SHOWNOACTIVATE);
    InvalidateRect(form.hwnd(), nullptr, TRUE);
    UpdateWindow(form.hwnd());
    form.firstShown();
    pump();
    EXPECT_EQ(warnings.size(), 1u) << show;
  }
}

TEST_F(MainFormTest, AParameterFileOfAnotherVersionIsReplacedFromInit) {
  test::makeFolder(root / "local\\Brennamor");
  test::makeFolder(work());
  test::writeFile(work() + "\\MarliskAuto.par", "Version 9.99\r\nhgl\r\n");
  start();
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(test::readFile(work() + "\\MarliskAuto.par"), test::readFile(root / "exe\\Init\\MarliskAuto.par"));
  EXPECT_EQ(test::readFile(work() + "\\MarliskAuto.par.bak"), "Version 9.99\r\nhgl\r\n");
  EXPECT_EQ(context().settings.WaitSeconds, 120);
}

TEST_F(MainFormTest, AnUnopenableParameterFileIsReportedAndTheProgramEnds) {
  start();
  restart();
  UniqueFileHandle locked(
      CreateFileW(widen(work() + "\\MarliskAuto.par").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(locked);
  TMarliskMForm& form = start();
  EXPECT_EQ(warnings, std::vector<std::string>{work() + "\\MarliskAuto.parパラメータファイルを開けません!"});
  EXPECT_EQ(form.hwnd(), nullptr);
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// "ログ表示" on a machine with no program for ".txt": Notepad, and else a message that says so.
TEST_F(MainFormTest, TheLogOpensInNotepadWhenNothingElseTakesIt) {
  TMarliskMForm& form = start();
  const std::string log = work() + "\\Log\\" + RunLog::today() + ".txt";
  test::makeFolder(work() + "\\Log");
  test::writeFile(log, "\xEF\xBB\xBF");
  for (const bool notepadThere : {true, false}) {
    std::vector<std::string> opened;
    const OpenHandler previous = setOpenHandler([&](const std::string& path, const std::string& program) {
      opened.push_back(program + ":" + path);
      return program.empty() || !notepadThere ? Win32Error(ERROR_NO_ASSOCIATION) : Win32Error();
    });
    warnings.clear();
    form.ButtonShowLogClick();
    setOpenHandler(previous);
    EXPECT_EQ(opened, (std::vector<std::string>{":" + log, "notepad.exe:" + log}));
    EXPECT_EQ(warnings, notepadThere ? std::vector<std::string>{}
                                     : std::vector<std::string>{log + "\r 運転ログを開けるプログラムがありません!\r\n"
                                                                      "I/O Error code=1155"});
  }
}

TEST_F(MainFormTest, CommandLine) {
  // "/d" with an unquoted path that has blanks: joined, minimised, and the batch runs on it
  // (its one entry is missing: the message comes while the window is minimised).
  test::writeFile(root / "My Batch List.txt", *context().codec.toAnsi(root / "gone.hgl") + "\r\n");
  bool minimisedDuringRun = false;
  setWarningHandler([&](const std::string& text) {
    warnings.push_back(text);
    minimisedDuringRun =
        IsIconic(FindWindowW(L"#32770", widen("<< MarliskAuto >>  Version 10.10  (C) Brennamor").c_str()));
  });
  TMarliskMForm& minimised = start({"/d", root / "My", "Batch", "List.txt"});
  EXPECT_EQ(context().settings.BatchFileName, root / "My Batch List.txt");
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_TRUE(warnings[0].starts_with(root / "gone.hgl" + "ファイルを開けません!")) << warnings[0];
  EXPECT_TRUE(minimisedDuringRun);
  EXPECT_EQ(minimised.hwnd(), nullptr);  // the batch ended the program
  EXPECT_EQ(test::readFile(work() + "\\MarComline.txt"), "");
  setWarningHandler([this](const std::string& text) { warnings.push_back(text); });
  restart();
  warnings.clear();

  // A shortcut given as the name is followed to its target; no switch starts nothing.
  test::writeFile(root / "一覧 表.txt", "");
  test::makeShortcut(root / "一覧.lnk", root / "一覧 表.txt");
  TMarliskMForm& linked = start({root / "一覧.lnk"});
  EXPECT_EQ(context().settings.BatchFileName, root / "一覧 表.txt");
  EXPECT_FALSE(linked.startRequest().batch);
  EXPECT_NE(linked.hwnd(), nullptr);
  EXPECT_FALSE(IsIconic(linked.hwnd()));
  EXPECT_TRUE(warnings.empty());
  restart();

  // "/c" with no name anywhere: the message, and the program ends with exit code 2.
  TMarliskMForm& unnamed = start({"/c"});
  EXPECT_EQ(warnings, std::vector<std::string>{"バッチファイル名の指定がありません!"});
  EXPECT_EQ(unnamed.hwnd(), nullptr);
  EXPECT_EQ(unnamed.exitCode(), 2);
  restart();
  warnings.clear();

  // A name the parameter file cannot hold is not taken (it would make every save fail), and a
  // batch run does not fall back on the stored list: said, and the program ends.
  test::writeFile(root / "café.txt", "");
  TMarliskMForm& unstorable = start({"/c", root / "café.txt"});
  EXPECT_EQ(warnings,
            std::vector<std::string>{root / "café.txt\r このパソコンの文字コードで表せない文字が含まれています!"});
  EXPECT_EQ(unstorable.hwnd(), nullptr);
  EXPECT_EQ(unstorable.exitCode(), 2);
  EXPECT_TRUE(test::readFile(work() + "\\MarComline.txt").empty());
  restart();
  warnings.clear();

  // "/c" alone takes the name stored in the settings (here a list that is not there: the
  // message, and the program stays for the user).
  Settings init;
  init.ViewerExePath = root / "exe\\Marlisk.exe";
  init.BatchFileName = root / "stored.txt";
  writeInitParameters(init);
  test::writeFile(work() + "\\MarliskAuto.par", test::readFile(root / "exe\\Init\\MarliskAuto.par"));
  TMarliskMForm& stored = start({"/c"});
  EXPECT_EQ(warnings, std::vector<std::string>{root / "stored.txt" + "ファイルを開けません!"});
  EXPECT_NE(stored.hwnd(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(stored.item(IDC_ButtonBatchOutput)));
}

TEST_F(MainFormTest, ChosenOutputTypesAreSavedAndSurviveARestart) {
  TMarliskMForm& form = start();
  OutputPage& first = form.outputPage(OutputTab::Output1);
  OutputPage& second = form.outputPage(OutputTab::Output2);
  SendMessageW(first.item(first.itemId(5)), BM_CLICK, 0, 0);
  TabCtrl_SetCurSel(form.item(IDC_PageControl1), 1);
  form.PageControl1Change();
  EXPECT_EQ(form.activeTab(), OutputTab::Output2);
  EXPECT_TRUE(IsWindowVisible(second.hwnd()) || !IsWindowVisible(form.hwnd()));
  SendMessageW(second.item(second.itemId(3)), BM_CLICK, 0, 0);
  EXPECT_EQ(context().settings.OutTypeIndex, 5);
  EXPECT_EQ(context().settings.OutType2Index, 3);

  restart();
  TMarliskMForm& again = start();
  EXPECT_EQ(again.outputPage(OutputTab::Output1).itemIndex(), 5);
  EXPECT_EQ(again.outputPage(OutputTab::Output2).itemIndex(), 3);
  EXPECT_TRUE(warnings.empty());
}

TEST_F(MainFormTest, SettingsConfirmedWithOkAreSavedAtOnce) {
  test::makeFolder(root / "in");
  test::writeFile(root / "batch.txt", "");
  TMarliskMForm& form = start();
  auto fill = [&](HWND dialog, const char* minutes) {
    SetDlgItemTextW(dialog, IDC_EditOutListFileName, widen(root / "batch.txt").c_str());
    SetDlgItemTextW(dialog, IDC_sFileNameDirEdit, widen(root / "in\\*.plt").c_str());
    SetDlgItemTextW(dialog, IDC_OutDirEdit, widen(root / "in").c_str());
    SetDlgItemTextW(dialog, IDC_WaitTimeEdit, widen(minutes).c_str());
  };
  {
    test::WhenModal settings(form.hwnd(), [&](HWND dialog) {
      fill(dialog, "7");
      test::clickButton(dialog, IDCANCEL);  // the close box
    });
    form.ButtonSetAutoParClick();
    ASSERT_TRUE(settings.ran());
  }
  {
    test::WhenModal settings(form.hwnd(), [&](HWND dialog) {
      EXPECT_EQ(GetDlgItemInt(dialog, IDC_WaitTimeEdit, nullptr, FALSE), 2u);  // 120 seconds
      fill(dialog, "5");
      test::clickButton(dialog, IDC_ButtonOK);
    });
    form.ButtonSetAutoParClick();
    ASSERT_TRUE(settings.ran());
  }
  restart();
  start();
  EXPECT_EQ(context().settings.WaitSeconds, 300);
  EXPECT_EQ(context().settings.WatchFolder, root / "in\\");
  EXPECT_EQ(context().settings.WatchFileMask, "*.plt");
  EXPECT_EQ(context().settings.OutputFolder, root / "in\\");
  EXPECT_EQ(context().settings.BatchFileName, root / "batch.txt");
  EXPECT_TRUE(warnings.empty()) << warnings[0];
}

TEST_F(MainFormTest, TheSecondTabOpensTheSettingsOfOutput2) {
  test::makeFolder(root / "in");
  test::writeFile(root / "batch.txt", "");
  TMarliskMForm& form = start();
  TabCtrl_SetCurSel(form.item(IDC_PageControl1), 1);
  form.PageControl1Change();
  test::WhenModal settings(form.hwnd(), [&](HWND dialog) {
    wchar_t label[128] = {};
    GetDlgItemTextW(dialog, IDC_LabelExampleFolder, label, 128);
    EXPECT_EQ(narrow(label), "例 C:\\Program Files\\MarliskAuto\\InData1\\");
    SetDlgItemTextW(dialog, IDC_EditOutListFileName, widen(root / "batch.txt").c_str());
    SetDlgItemTextW(dialog, IDC_OutDirEdit, widen(root / "in").c_str());
    SetDlgItemTextW(dialog, IDC_sFileNameEdit, L"*.pdf");
    SetDlgItemTextW(dialog, IDC_WaitTimeEdit, L"3");
    test::clickButton(dialog, IDC_ButtonOK);
  });
  form.ButtonSetAutoParClick();
  ASSERT_TRUE(settings.ran());
  restart();
  start();
  EXPECT_EQ(context().settings.WaitSeconds, 180);
  EXPECT_EQ(context().settings.WatchFileMask, "*.pdf");
  EXPECT_TRUE(warnings.empty()) << warnings[0];
}

TEST_F(MainFormTest, ControlsCaptionsAndButtons) {
  TMarliskMForm& form = start();
  const std::pair<int, const char*> captions[] = {
      {IDC_ButtonCreateOutListFile, "ﾊﾞｯﾁﾌｧｲﾙ作成"},
      {IDC_ButtonSetAutoPar, "設定"},
      {IDC_ButtonBatchOutput, "ﾊﾞｯﾁﾌｧｲﾙ出力"},
      {IDC_ButtonAutoOutput, "待機出力"},
      {IDC_ButtonHelp, "ヘルプ"},
      {IDC_ButtonVersion, "ﾊﾞｰｼﾞｮﾝ情報"},
      {IDC_ButtonOK, "終了"},
      {IDC_ButtonAppMinimize, "_"},
      {IDC_Label1, "連続データ変換ソフト"},
  };
  for (const auto& [id, caption] : captions) EXPECT_EQ(form.itemText(id), caption) << id;
  OutputPage& first = form.outputPage(OutputTab::Output1);
  OutputPage& second = form.outputPage(OutputTab::Output2);
  EXPECT_EQ(first.itemText(IDC_Label2), "入力：       HGL PDF DXF DWG GBR NC  IGS SXF TIF JPG BMP FPX PNG EMF CMT");
  EXPECT_EQ(second.itemText(IDC_Label3), "入力：PDF");
  EXPECT_EQ(first.itemText(IDC_RadioGroupOutTyp), "出力");
  EXPECT_EQ(first.itemCount(), 22);
  EXPECT_EQ(first.itemText(first.itemId(0)), "PDF");
  EXPECT_EQ(first.itemText(first.itemId(21)), "HGL/Printer");
  EXPECT_EQ(second.itemCount(), 8);
  EXPECT_EQ(second.itemText(second.itemId(6)), "HPGL");
  wchar_t tab[32] = {};
  TCITEMW item = {TCIF_TEXT};
  item.pszText = tab;
  item.cchTextMax = 32;
  TabCtrl_GetItem(form.item(IDC_PageControl1), 1, &item);
  EXPECT_EQ(narrow(tab), "出力２");

  // While an output runs, its five controls and the output types are out of reach; the help,
  // the version and the run settings are not.
  form.setRunControlsEnabled(false);
  for (int id : {IDC_ButtonCreateOutListFile, IDC_ButtonSetAutoPar, IDC_PageControl1, IDC_ButtonBatchOutput,
                 IDC_ButtonAutoOutput})
    EXPECT_FALSE(IsWindowEnabled(form.item(id))) << id;
  EXPECT_FALSE(IsWindowEnabled(first.hwnd()));
  for (int id : {IDC_ButtonOK, IDC_ButtonVersion, IDC_ButtonHelp, IDC_ButtonRunSettings})
    EXPECT_TRUE(IsWindowEnabled(form.item(id))) << id;
  form.setRunControlsEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(form.item(IDC_ButtonBatchOutput)));
  EXPECT_TRUE(IsWindowEnabled(first.hwnd()));

  // "_" minimises, and the user comes back to "終了"; Esc does not end the program; "終了" does.
  ShowWindow(form.hwnd(), SW_SHOW);
  SetForegroundWindow(form.hwnd());
  SetFocus(form.item(IDC_ButtonBatchOutput));
  SendMessageW(form.item(IDC_ButtonAppMinimize), BM_CLICK, 0, 0);
  EXPECT_TRUE(IsIconic(form.hwnd()));
  ShowWindow(form.hwnd(), SW_RESTORE);
  SetForegroundWindow(form.hwnd());
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  EXPECT_EQ(GetFocus(), form.item(IDC_ButtonOK));
  SendMessageW(form.hwnd(), WM_COMMAND, IDCANCEL, 0);
  ASSERT_NE(form.hwnd(), nullptr);
  EXPECT_FALSE(form.stopRequested());
  SendMessageW(form.item(IDC_ButtonOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(form.stopRequested());
  EXPECT_EQ(form.hwnd(), nullptr);
}

}  // namespace
}  // namespace marlisk::win
