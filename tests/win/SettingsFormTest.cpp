// The folder chooser and the output-1 settings dialog, created without being shown modally
// and driven through their handlers; the folder chooser they open is the real one, answered
// from inside its modal loop.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "batchlist/FileHelpers.h"
#include "dialogs/FolderOpenForm.h"
#include "core/Messages.h"
#include "app/core/Stations.h"
#include "app/RunLog.h"
#include <commctrl.h>
#include "dialogs/RunSettingsForm.h"
#include "dialogs/SetAutoPar2Form.h"
#include "dialogs/SetAutoParForm.h"
#include "dialogs/SetPaperMargForm.h"
#include "resource.h"
#include "support/TestFolder.h"
#include "support/WarningRecorder.h"
#include "support/WhenModal.h"
#include "win/HelpHook.h"
#include "win/MessagePump.h"
#include "win/Strings.h"

namespace marlisk::win {
namespace {

using test::TestFolder;

std::string fieldText(HWND dialog, int id) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(dialog, id, text, 1024);
  return narrow(text);
}

// The process's working folder, for one test.
class WorkingFolder {
 public:
  explicit WorkingFolder(const std::string& folder) {
    GetCurrentDirectoryW(MAX_PATH, old_);
    SetCurrentDirectoryW(widen(folder).c_str());
  }
  ~WorkingFolder() { SetCurrentDirectoryW(old_); }

 private:
  wchar_t old_[MAX_PATH] = {};
};

class FolderOpenFormTest : public ::testing::Test {
 protected:
  FolderOpenFormTest() {
    for (const char* folder : {"図面", "図面\\入力", "gone"}) test::makeFolder(root / folder);
  }
  void open(const std::string& start) {
    form.SelectedFolder = start;
    ASSERT_NE(form.create(), nullptr);
  }

  TestFolder root;
  TFolderOpenForm form;
};

TEST_F(FolderOpenFormTest, StartsAtTheGivenFolderOrTheWorkingFolder) {
  open(root / "図面\\入力\\");
  EXPECT_EQ(form.itemText(IDC_SelectFilename), root / "図面\\入力");
  EXPECT_EQ(form.FolderView1().GetSelectedPath(), root / "図面\\入力");
  form.destroy();

  WorkingFolder working(root / "図面");
  open("");
  EXPECT_EQ(form.itemText(IDC_SelectFilename), root / "図面");
  form.destroy();

  // A start folder that has gone away opens at the nearest folder above it.
  open(root / "図面\\消えた\\もっと下");
  EXPECT_EQ(form.itemText(IDC_SelectFilename), root / "図面");
}

TEST_F(FolderOpenFormTest, UpMovesToTheParentButNotAboveARoot) {
  open(root / "図面\\入力");
  form.BitBtn1Click();
  EXPECT_EQ(form.itemText(IDC_SelectFilename), root / "図面");
  form.destroy();

  open("C:\\");
  form.BitBtn1Click();
  EXPECT_EQ(form.itemText(IDC_SelectFilename), "C:\\");
  form.destroy();

  // A folder that can no longer be entered: nothing happens.
  open(root / "gone");
  test::removeTree(root / "gone");
  form.BitBtn1Click();
  EXPECT_EQ(form.itemText(IDC_SelectFilename), root / "gone");
}

TEST_F(FolderOpenFormTest, OkReturnsTheFieldAsTypedAndCancelKeepsTheStart) {
  open(root / "図面");
  form.setItemText(IDC_SelectFilename, "D:\\手入力\\どこか");
  test::clickButton(form.hwnd(), IDOK);
  EXPECT_EQ(form.result(), IDOK);
  EXPECT_EQ(form.SelectedFolder, "D:\\手入力\\どこか");

  open(root / "図面");
  form.FolderView1().SelectPath(root / "図面\\入力");
  EXPECT_EQ(form.itemText(IDC_SelectFilename), root / "図面\\入力");  // follows the tree
  test::clickButton(form.hwnd(), IDCANCEL);
  EXPECT_EQ(form.result(), IDCANCEL);
  EXPECT_EQ(form.SelectedFolder, root / "図面");
}

class SetAutoParFormTest : public ::testing::Test {
 protected:
  SetAutoParFormTest() {
    for (const char* folder : {"in", "out", "lists", "選択"}) test::makeFolder(root / folder);
    test::writeFile(root / "Marlisk.exe", "MZ");
    test::writeFile(root / "lists\\batch.txt", "C:\\in\\a.hgl\r\nC:\\in\\b.pdf\r\n");
    Settings& s = app.settings;
    s.ViewerExePath = root / "Marlisk.exe";
    s.BatchFileName = root / "lists\\batch.txt";
    s.WatchFolder = root / "in\\";
    s.WatchFileMask = "*.hgl";
    s.OutputFolder = root / "out\\";
    s.WaitSeconds = 2;
    s.HpglExtList = "hgl;plt";
    TOpenDialog::executeHook = [this](TOpenDialog& dialog) {
      opened.push_back(dialog.Filter + " @ " + dialog.InitialDir + " : " + dialog.FileName);
      if (choice.empty()) return false;
      dialog.FileName = choice;
      return true;
    };
  }
  ~SetAutoParFormTest() override { TOpenDialog::executeHook = nullptr; }
  void open() { ASSERT_NE(form.create(), nullptr); }
  // Presses "了解"; true when the dialog closed with OK.
  bool ok() {
    test::clickButton(form.hwnd(), IDC_ButtonOK);
    return form.result() == IDOK;
  }

  TestFolder root;
  AppContext app;
  TFolderOpenForm folderOpenForm;
  TSetAutoParForm form{app, folderOpenForm};
  std::vector<std::string> warnings;
  test::WarningRecorder recording{warnings};
  std::vector<std::string> opened;  // each open dialog shown: "filter @ folder"
  std::string choice;               // what the user picks in it ("" cancels)
};

TEST_F(SetAutoParFormTest, ShowsTheSettingsAndThePreviewOfTheBatchFile) {
  const std::string longLine = std::string(120, 'x') + "\\図面.hgl";  // 120 + 10 bytes in code page 932
  test::writeFile(root / "lists\\long.txt", "C:\\a.hgl\r\n" + *app.codec.toAnsi(longLine) + "\r\n");
  app.settings.BatchFileName = root / "lists\\long.txt";
  open();
  EXPECT_EQ(form.itemText(IDC_MarliskExeEdit), root / "Marlisk.exe");
  EXPECT_EQ(form.itemText(IDC_sFileNameDirEdit), root / "in\\*.hgl");
  EXPECT_EQ(form.itemText(IDC_OutDirEdit), root / "out\\");
  EXPECT_EQ(form.itemText(IDC_WaitTimeEdit), "0");  // 2 seconds
  EXPECT_EQ(form.itemText(IDC_EditHpglFileExt), "hgl;plt");
  HWND preview = form.item(IDC_ListBox1);
  ASSERT_EQ(SendMessageW(preview, LB_GETCOUNT, 0, 0), 2);
  wchar_t line[300] = {};
  SendMessageW(preview, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(line));
  EXPECT_EQ(narrow(line), std::string(120, 'x') + "\\図面.hg");  // the first 128 bytes
  EXPECT_GT(SendMessageW(preview, LB_GETHORIZONTALEXTENT, 0, 0), 300);

  // Typing another existing file shows it at once and takes it; a missing one clears.
  form.setItemText(IDC_EditOutListFileName, root / "lists\\batch.txt");
  EXPECT_EQ(SendMessageW(preview, LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(app.settings.BatchFileName, root / "lists\\batch.txt");
  form.setItemText(IDC_EditOutListFileName, root / "lists\\nothing.txt");
  EXPECT_EQ(SendMessageW(preview, LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(app.settings.BatchFileName, root / "lists\\batch.txt");
}

TEST_F(SetAutoParFormTest, EachCheckOfOkFailsInTurnWithItsMessageAndStoresNothing) {
  const Settings before = app.settings;
  open();
  form.setItemText(IDC_EditHpglFileExt, "hgl;prn");  // would be stored if OK got through
  form.setItemText(IDC_MarliskExeEdit, root / "nowhere\\Marlisk.exe");
  EXPECT_FALSE(ok());
  form.setItemText(IDC_MarliskExeEdit, root / "Marlisk.exe");
  form.setItemText(IDC_EditOutListFileName, root / "lists\\none.txt");
  EXPECT_FALSE(ok());  // and the batch file browse comes up at once (cancelled here)
  form.setItemText(IDC_EditOutListFileName, root / "lists\\batch.txt");
  form.setItemText(IDC_sFileNameDirEdit, root / "notin\\*.hgl");
  EXPECT_FALSE(ok());
  form.setItemText(IDC_sFileNameDirEdit, "*.hgl");
  EXPECT_FALSE(ok());
  form.setItemText(IDC_sFileNameDirEdit, root / "in\\*.hgl");
  form.setItemText(IDC_OutDirEdit, root / "notout");
  EXPECT_FALSE(ok());
  EXPECT_EQ(form.itemText(IDC_OutDirEdit), root / "notout\\");  // the backslash stays
  form.setItemText(IDC_OutDirEdit, "");
  EXPECT_FALSE(ok());
  EXPECT_EQ(warnings, (std::vector<std::string>{
                          root / "nowhere\\Marlisk.exeファイルが存在しません!",
                          root / "lists\\none.txtファイルが存在しません!",
                          root / "notinフォルダが存在しません!",
                          "フォルダが存在しません!",
                          root / "notoutフォルダが存在しません!",
                          "フォルダが存在しません!",
                      }));
  EXPECT_EQ(opened, std::vector<std::string>{"Text file(*.TXT)|*.TXT @ " + root / "lists : none.txt"});
  EXPECT_EQ(app.settings, before);
  EXPECT_EQ(form.result(), 0);
}

TEST_F(SetAutoParFormTest, OkStoresEverySetting) {
  open();
  form.setItemText(IDC_WaitTimeEdit, "0");
  form.setItemText(IDC_EditHpglFileExt, " hgl ; prn ");
  form.setItemText(IDC_EditImageFileExt, "tif;;JPG");
  form.setItemText(IDC_EditGerberFileExt, "gbr　drl");  // a full-width space stays
  form.setItemText(IDC_OutDirEdit, root / "out");
  form.setItemText(IDC_sFileNameDirEdit, root / "in\\*.plt");
  ASSERT_TRUE(ok()) << (warnings.empty() ? "" : warnings[0]);
  const Settings& s = app.settings;
  EXPECT_EQ(s.WaitSeconds, 2);
  EXPECT_EQ(s.HpglExtList, "hgl;prn");
  EXPECT_EQ(s.ImageExtList, "tif;;JPG");
  EXPECT_EQ(s.GerberExtList, "gbr　drl");
  EXPECT_EQ(s.OutputFolder, root / "out\\");
  EXPECT_EQ(s.WatchFolder, root / "in\\");
  EXPECT_EQ(s.WatchFileMask, "*.plt");

  open();
  EXPECT_EQ(form.itemText(IDC_WaitTimeEdit), "0");
  EXPECT_EQ(form.itemText(IDC_OutDirEdit), root / "out\\");
  form.setItemText(IDC_WaitTimeEdit, "1440");
  ASSERT_TRUE(ok());
  EXPECT_EQ(app.settings.WaitSeconds, 86400);

  // No batch file at all (a shop that only runs standby; start-up empties the name): taken.
  open();
  form.setItemText(IDC_EditOutListFileName, "");
  ASSERT_TRUE(ok());
  EXPECT_EQ(app.settings.BatchFileName, "");
  EXPECT_TRUE(warnings.empty());
}

TEST_F(SetAutoParFormTest, ValuesTheParameterFileCannotHoldAreRefused) {
  const Settings before = app.settings;
  open();
  form.setItemText(IDC_EditPdfFileExt, "pdf;\xF0\x9F\x98\x80");
  EXPECT_FALSE(ok());
  form.setItemText(IDC_EditPdfFileExt, "pdf");
  form.setItemText(IDC_EditDxfFileExt, "dxf\r\ndwg");
  EXPECT_FALSE(ok());
  EXPECT_EQ(warnings, (std::vector<std::string>{
                          "pdf;\xF0\x9F\x98\x80\r このパソコンの文字コードで表せない文字が含まれています!",
                          "dxf\r\ndwg\r 改行を含む設定は保存できません!",
                      }));
  EXPECT_EQ(app.settings, before);
}

TEST_F(SetAutoParFormTest, LeavingTheBatchFileFieldCreatesTheFileOrRestoresTheLastGoodName) {
  open();
  ShowWindow(form.hwnd(), SW_SHOW);
  SetForegroundWindow(form.hwnd());
  HWND field = form.item(IDC_EditOutListFileName);
  auto leave = [&](const std::string& typed) {
    SetFocus(field);
    form.setItemText(IDC_EditOutListFileName, typed);
    SetFocus(form.item(IDC_OutDirEdit));
    processPendingMessages();
  };
  leave(root / "lists\\新しい.txt");
  EXPECT_TRUE(test::isFile(root / "lists\\新しい.txt"));
  EXPECT_EQ(test::readFile(root / "lists\\新しい.txt"), "");
  EXPECT_EQ(app.settings.BatchFileName, root / "lists\\新しい.txt");

  leave(root / "no folder\\x.txt");
  EXPECT_EQ(warnings,
            std::vector<std::string>{root / "no folder\\x.txtを作成できません。正しいファイル名を指定下さい"});
  EXPECT_EQ(form.itemText(IDC_EditOutListFileName), root / "lists\\新しい.txt");
  EXPECT_EQ(app.settings.BatchFileName, root / "lists\\新しい.txt");

  // An existing file is taken as it is, never emptied.
  leave(root / "lists\\batch.txt");
  EXPECT_EQ(app.settings.BatchFileName, root / "lists\\batch.txt");
  EXPECT_EQ(test::readFile(root / "lists\\batch.txt"), "C:\\in\\a.hgl\r\nC:\\in\\b.pdf\r\n");
  EXPECT_EQ(warnings.size(), 1u);

  // A name the parameter file cannot hold: the preview shows the file but the settings do not
  // take it, and leaving says why; nothing is created.
  test::writeFile(root / "lists\\café.txt", "C:\\in\\c.hgl\r\n");
  leave(root / "lists\\café.txt");
  EXPECT_EQ(app.settings.BatchFileName, root / "lists\\batch.txt");
  EXPECT_EQ(warnings.back(), root / "lists\\café.txt\r このパソコンの文字コードで表せない文字が含まれています!");
  EXPECT_EQ(form.itemText(IDC_EditOutListFileName), root / "lists\\batch.txt");

  // Enter (OK, the default button) with a name that fails its check: said, and the dialog stays.
  warnings.clear();
  SetFocus(field);
  form.setItemText(IDC_EditOutListFileName, root / "no folder\\y.txt");
  EXPECT_FALSE(ok());
  EXPECT_NE(form.hwnd(), nullptr);
  EXPECT_EQ(warnings,
            std::vector<std::string>{root / "no folder\\y.txtを作成できません。正しいファイル名を指定下さい"});
  EXPECT_EQ(form.itemText(IDC_EditOutListFileName), root / "lists\\batch.txt");
}

TEST_F(SetAutoParFormTest, FileBrowsingSetsFilterAndFolderAndKeepsThem) {
  open();
  choice = root / "lists\\chosen.txt";  // not there yet: created empty
  form.Button1Click();
  EXPECT_EQ(form.itemText(IDC_EditOutListFileName), choice);
  EXPECT_EQ(app.settings.BatchFileName, choice);
  EXPECT_TRUE(test::isFile(choice));

  choice = root / "no folder\\chosen.txt";  // cannot be created: nothing changes
  form.Button1Click();
  EXPECT_EQ(form.itemText(IDC_EditOutListFileName), root / "lists\\chosen.txt");
  EXPECT_EQ(warnings.size(), 1u);

  choice = root / "Marlisk.exe";
  form.Button2Click();
  EXPECT_EQ(form.itemText(IDC_MarliskExeEdit), root / "Marlisk.exe");
  // A double click opens the dialog as it was last left.
  choice = root / "lists\\batch.txt";
  form.EditDblClick(IDC_EditOutListFileName);
  EXPECT_EQ(form.itemText(IDC_EditOutListFileName), root / "lists\\batch.txt");
  // Each opens on its own field's name, never on the one another browse left.
  EXPECT_EQ(opened, (std::vector<std::string>{
                        "Text file(*.TXT)|*.TXT @ " + root / "lists : batch.txt",
                        "Text file(*.TXT)|*.TXT @ " + root / "lists : chosen.txt",
                        "Program file(*.exe)|*.exe @ " + root.path() + " : Marlisk.exe",
                        "Program file(*.exe)|*.exe @ " + root.path() + " : chosen.txt",
                    }));
}

TEST_F(SetAutoParFormTest, FolderBrowsingGoesThroughTheFolderChooser) {
  open();
  form.setItemText(IDC_sFileNameDirEdit, root / "in\\*.plt");
  std::string shownAtStart;
  {
    test::WhenModal chooser(form.hwnd(), [&](HWND dialog) {
      shownAtStart = fieldText(dialog, IDC_SelectFilename);
      SetDlgItemTextW(dialog, IDC_SelectFilename, widen(root / "選択").c_str());
      test::clickButton(dialog, IDOK);
    });
    form.Button4Click();
    EXPECT_TRUE(chooser.ran());
  }
  EXPECT_EQ(shownAtStart, root / "in");
  EXPECT_EQ(form.itemText(IDC_sFileNameDirEdit), root / "選択\\*.hgl");

  form.setItemText(IDC_OutDirEdit, root / "out\\");
  {
    test::WhenModal chooser(form.hwnd(), [&](HWND dialog) {
      shownAtStart = fieldText(dialog, IDC_SelectFilename);
      SetDlgItemTextW(dialog, IDC_SelectFilename, widen(root / "選択").c_str());
      test::clickButton(dialog, IDOK);
    });
    form.Button3Click();
  }
  EXPECT_EQ(shownAtStart, root / "out");
  EXPECT_EQ(form.itemText(IDC_OutDirEdit), root / "選択\\");

  // Cancel changes nothing; an empty field starts at the working folder.
  WorkingFolder working(root / "lists");
  form.setItemText(IDC_OutDirEdit, "");
  {
    test::WhenModal chooser(form.hwnd(), [&](HWND dialog) {
      shownAtStart = fieldText(dialog, IDC_SelectFilename);
      test::clickButton(dialog, IDCANCEL);
    });
    form.Button3Click();
  }
  EXPECT_EQ(shownAtStart, root / "lists");
  EXPECT_EQ(form.itemText(IDC_OutDirEdit), "");
}

TEST_F(SetAutoParFormTest, HelpAsksForTopic301) {
  std::vector<std::pair<UINT, DWORD_PTR>> asked;
  setHelpHook([&](UINT command, DWORD_PTR data) { asked.emplace_back(command, data); });
  open();
  test::clickButton(form.hwnd(), IDC_ButtonHelp);
  SendMessageW(form.hwnd(), WM_HELP, 0, 0);
  setHelpHook(nullptr);
  EXPECT_EQ(asked, (std::vector<std::pair<UINT, DWORD_PTR>>{{HELP_CONTEXT, 301}, {HELP_CONTEXT, 301}}));
}

class SetAutoPar2FormTest : public ::testing::Test {
 protected:
  SetAutoPar2FormTest() {
    for (const char* folder : {"A", "B", "C", "out", "out1", "out3", "選択"}) test::makeFolder(root / folder);
    test::writeFile(root / "Marlisk.exe", "MZ");
    test::writeFile(root / "batch.txt", "C:\\in\\a.pdf\r\n");
    Settings& s = app.settings;
    s.ViewerExePath = root / "Marlisk.exe";
    s.BatchFileName = root / "batch.txt";
    s.WatchFileMask = "*.pdf";
    s.OutputFolder = root / "out\\";
    s.WaitSeconds = 600;
    s.DrawingFolders = {root / "A\\", "", root / "B\\", "", ""};
    s.DrawingOutFolders = {root / "out1\\", "", root / "out3\\", "", ""};
  }
  void open() { ASSERT_NE(form.create(), nullptr); }
  std::string row(int n) const { return form.itemText(IDC_sFileNameDirEdit1 + n - 1); }
  void setRow(int n, const std::string& text) { form.setItemText(IDC_sFileNameDirEdit1 + n - 1, text); }
  bool ok() {
    test::clickButton(form.hwnd(), IDC_ButtonOK);
    return form.result() == IDOK;
  }

  TestFolder root;
  AppContext app;
  TFolderOpenForm folderOpenForm;
  TSetPaperMargForm paperMargForm{app};
  TSetAutoPar2Form form{app, folderOpenForm, paperMargForm};
  std::vector<std::string> warnings;
  test::WarningRecorder recording{warnings};
};

TEST_F(SetAutoPar2FormTest, TheRowsShowTheFoldersOfTheTabAndSwitchingKeepsBothSets) {
  open();
  EXPECT_EQ(form.itemText(IDC_LabelExampleFolder), "例 C:\\Program Files\\MarliskAuto\\InData1\\");
  EXPECT_EQ(row(1), root / "A\\");
  EXPECT_EQ(row(3), root / "B\\");
  EXPECT_EQ(form.itemText(IDC_sFileNameEdit), "*.pdf");
  EXPECT_EQ(form.itemText(IDC_WaitTimeEdit), "10");
  EXPECT_EQ(SendMessageW(form.item(IDC_ListBox1), LB_GETCOUNT, 0, 0), 1);

  setRow(2, "C:\\二");
  form.TabControl1Change(1);
  EXPECT_EQ(form.itemText(IDC_LabelExampleFolder), "Ex.C:\\Program Files\\MarliskAuto\\OutData1\\");
  EXPECT_EQ(row(1), root / "out1\\");
  EXPECT_EQ(row(2), "");
  setRow(2, "D:\\出力二");
  form.TabControl1Change(0);
  EXPECT_EQ(form.itemText(IDC_LabelExampleFolder), "Ex.C:\\Program Files\\MarliskAuto\\InData1\\");
  EXPECT_EQ(row(2), "C:\\二");
  form.TabControl1Change(1);
  EXPECT_EQ(row(2), "D:\\出力二");
  // A row the parameter file cannot hold is said at the switch, is not stored, and stays in
  // front for the user to mend.
  setRow(4, "D:\\café");
  form.TabControl1Change(0);
  EXPECT_EQ(warnings, std::vector<std::string>{"D:\\café\r このパソコンの文字コードで表せない文字が含まれています!"});
  EXPECT_EQ(TabCtrl_GetCurSel(form.item(IDC_TabControl1)), 1);
  EXPECT_EQ(row(4), "D:\\café");
  EXPECT_EQ(app.settings.DrawingOutFolders[3], "");
  setRow(4, "");
  // A cancelled dialog leaves the rows of the tabs it left stored, and opens on the same tab.
  setRow(2, "D:\\未確定");
  test::clickButton(form.hwnd(), IDCANCEL);
  EXPECT_EQ(form.result(), IDCANCEL);
  EXPECT_EQ(app.settings.DrawingFolders[1], "C:\\二");
  EXPECT_EQ(app.settings.DrawingOutFolders[1], "D:\\出力二");  // not what was typed since
  open();
  EXPECT_EQ(form.itemText(IDC_LabelExampleFolder), "例 C:\\Program Files\\MarliskAuto\\OutData1\\");
  EXPECT_EQ(row(1), root / "out1\\");
}

TEST_F(SetAutoPar2FormTest, FolderValidationOnOk) {
  open();
  // Rows 2 and 4 empty, the others distinct, output folders may repeat: accepted.
  setRow(1, root / "A");
  setRow(5, root / "C");
  form.TabControl1Change(1);
  setRow(5, root / "out1");
  form.setItemText(IDC_WaitTimeEdit, "0");
  form.setItemText(IDC_OutDirEdit, root / "out");
  ASSERT_TRUE(ok()) << (warnings.empty() ? "" : warnings[0]);
  const Settings& s = app.settings;
  EXPECT_EQ(s.DrawingFolders, (std::array<std::string, 5>{root / "A\\", "", root / "B\\", "", root / "C\\"}));
  EXPECT_EQ(s.DrawingOutFolders[4], root / "out1\\");
  EXPECT_EQ(s.OutputFolder, root / "out\\");
  EXPECT_EQ(s.WaitSeconds, 2);
  EXPECT_TRUE(warnings.empty());
}

TEST_F(SetAutoPar2FormTest, EachFailureLeavesTheDialogOpenWithWhatWasStored) {
  open();
  setRow(1, root / "A");  // gets its backslash before the next row fails
  setRow(2, root / "nowhere");
  EXPECT_FALSE(ok());
  EXPECT_EQ(app.settings.DrawingFolders[0], root / "A\\");
  EXPECT_EQ(row(1), root / "A\\");
  setRow(2, "");
  setRow(3, root / "A\\");  // the same as row 1
  EXPECT_FALSE(ok());
  setRow(3, root / "B");
  setRow(4, root / "C");  // no output folder 4
  EXPECT_FALSE(ok());
  form.TabControl1Change(1);
  setRow(4, root / "gone");
  EXPECT_FALSE(ok());
  setRow(4, root / "out3");
  form.setItemText(IDC_OutDirEdit, "");
  EXPECT_FALSE(ok());
  EXPECT_EQ(form.itemText(IDC_OutDirEdit), "\\");
  EXPECT_EQ(warnings, (std::vector<std::string>{
                          root / "nowhere 作画フォルダ2が存在しません!",
                          "作画フォルダ1から5は同じフォルダーを選択できません",
                          " 出力先フォルダ4を設定して下さい!",
                          root / "gone 出力先フォルダ4が存在しません!",
                          "フォルダが存在しません!",
                      }));
  EXPECT_EQ(form.result(), 0);
  EXPECT_EQ(app.settings.OutputFolder, root / "out\\");  // stored only by a passing OK
}

TEST_F(SetAutoPar2FormTest, BrowsingTakesTheChosenFolderAsItIs) {
  open();
  std::string shownAtStart;
  auto choose = [&](HWND dialog) {
    shownAtStart = fieldText(dialog, IDC_SelectFilename);
    SetDlgItemTextW(dialog, IDC_SelectFilename, widen(root / "選択").c_str());
    test::clickButton(dialog, IDOK);
  };
  {
    test::WhenModal chooser(form.hwnd(), choose);
    test::clickButton(form.hwnd(), IDC_FileNameDirButton1 + 2);  // row 3
  }
  EXPECT_EQ(shownAtStart, root / "B");
  EXPECT_EQ(row(3), root / "選択");  // no backslash added here
  {
    test::WhenModal chooser(form.hwnd(), choose);
    form.OutDirButtonClick();
  }
  EXPECT_EQ(form.itemText(IDC_OutDirEdit), root / "選択");
  // The paper margins open over this dialog.
  {
    std::string caption;
    test::WhenModal margins(form.hwnd(), [&](HWND dialog) {
      wchar_t text[64] = {};
      GetWindowTextW(dialog, text, 64);
      caption = narrow(text);
      test::clickButton(dialog, IDCANCEL);
    });
    form.ButtonPaperMargClick();
    EXPECT_EQ(caption, "用紙余白、作画位置設定");
  }
}

class SetPaperMargFormTest : public ::testing::Test {
 protected:
  SetPaperMargFormTest() {
    Settings& s = app.settings;
    s.PaperSettingMode = 1;
    s.MarginLeft = {1, 2, 3, 4, 5};
    s.MarginTop = {10, 20, 30, 40, 50};
    s.MarginRight = {11, 21, 31, 41, 51};
    s.MarginBottom = {12, 22, 32, 42, 52};
    s.HDrawPos = {0, 1, 2, 0, 1};
    s.VDrawPos = {2, 1, 0, 2, 1};
  }
  void open() { ASSERT_NE(form.create(), nullptr); }
  int number(int id) const { return std::stoi(form.itemText(id)); }
  bool checked(int id) const { return IsDlgButtonChecked(form.hwnd(), id) == BST_CHECKED; }
  void choose(int id) { SendMessageW(form.item(id), BM_CLICK, 0, 0); }

  AppContext app;
  TSetPaperMargForm form{app};
};

TEST_F(SetPaperMargFormTest, EachTabKeepsItsOwnValues) {
  open();
  EXPECT_EQ(form.CurrentMarginTab(), 0);
  EXPECT_EQ(number(IDC_EditPaperMergLeft), 1);
  EXPECT_EQ(number(IDC_EditPaperMergUp), 10);
  EXPECT_TRUE(checked(IDC_HOutPosRadio0));
  EXPECT_TRUE(checked(IDC_VOutPosRadio0 + 2));
  form.TabControl1Change(1);
  form.setItemText(IDC_EditPaperMergLeft, "60");
  choose(IDC_HOutPosRadio0 + 2);
  form.TabControl1Change(3);
  EXPECT_EQ(form.CurrentMarginTab(), 3);
  EXPECT_EQ(number(IDC_EditPaperMergDown), 42);
  form.setItemText(IDC_EditPaperMergDown, "100");
  choose(IDC_VOutPosRadio0 + 1);
  test::clickButton(form.hwnd(), IDC_ButtonOK);
  EXPECT_EQ(form.result(), IDOK);
  const Settings& s = app.settings;
  EXPECT_EQ(s.MarginLeft[1], 60);
  EXPECT_EQ(s.HDrawPos[1], 2);
  EXPECT_EQ(s.MarginBottom[3], 100);
  EXPECT_EQ(s.VDrawPos[3], 1);
  EXPECT_EQ(s.MarginTop[3], 40);  // untouched
  // The next showing opens on the tab left last.
  open();
  EXPECT_EQ(form.CurrentMarginTab(), 3);
  EXPECT_EQ(TabCtrl_GetCurSel(form.item(IDC_TabControl1)), 3);
  EXPECT_EQ(number(IDC_EditPaperMergDown), 100);
}

TEST_F(SetPaperMargFormTest, TheCloseBoxDiscardsOnlyTheTabInFront) {
  open();
  form.setItemText(IDC_EditPaperMergRight, "99");
  form.TabControl1Change(2);  // No.1 is stored here
  form.setItemText(IDC_EditPaperMergRight, "77");
  choose(IDC_RadioGroup1Item0);  // mode 0, stored at once
  test::clickButton(form.hwnd(), IDCANCEL);
  EXPECT_EQ(form.result(), IDCANCEL);
  EXPECT_EQ(app.settings.MarginRight[0], 99);
  EXPECT_EQ(app.settings.MarginRight[2], 31);
  EXPECT_EQ(app.settings.PaperSettingMode, 0);
}

TEST_F(SetPaperMargFormTest, ModeZeroDisablesEverythingButTheModeAndTheButtons) {
  app.settings.PaperSettingMode = 0;
  open();
  for (int id : {IDC_TabControl1, IDC_EditPaperMergLeft, IDC_EditPaperMergUp, IDC_EditPaperMergRight,
                 IDC_EditPaperMergDown, IDC_SpinPaperMergLeft, IDC_HOutPosRadio0, IDC_VOutPosRadio0 + 2})
    EXPECT_FALSE(IsWindowEnabled(form.item(id))) << id;
  for (int id : {IDC_RadioGroup1Item0, IDC_RadioGroup1Item0 + 1, IDC_ButtonOK, IDC_ButtonHelp})
    EXPECT_TRUE(IsWindowEnabled(form.item(id))) << id;
  EXPECT_TRUE(checked(IDC_RadioGroup1Item0));
  choose(IDC_RadioGroup1Item0 + 1);
  EXPECT_EQ(app.settings.PaperSettingMode, 1);
  EXPECT_TRUE(IsWindowEnabled(form.item(IDC_EditPaperMergLeft)));
  EXPECT_TRUE(IsWindowEnabled(form.item(IDC_TabControl1)));
}

TEST(RunSettingsFormTest, OkChecksStoresAndSavesAndTheLogonBoxIsTheShortcut) {
  TestFolder root;
  AppContext app;
  app.settings.WorkFolder = root.path();
  app.settings.WatchFolder = root / "watch\\";
  TFolderOpenForm chooser;
  TRunSettingsForm form(app, chooser);
  std::vector<std::string> warnings;
  test::WarningRecorder recording{warnings};
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  setStartAtLogon(false, narrow(self));

  // Each refusal keeps the dialog open and the settings as they were.
  test::writeFile(root / "blocked", "a file, not a folder");
  const struct {
    int edit;
    const char* text;
    std::string said;
  } refusals[] = {
      {IDC_EditMaxAttempts, "0", "変換の試行回数は 1 から 99 の数字で指定下さい!"},
      {IDC_EditTimeLimit, "1441", "Marliskの制限時間は 0 から 1440 の数字で指定下さい!"},
      {IDC_EditLogDays, "x", "運転ログの保存日数は 1 から 999 の数字で指定下さい!"},
      {IDC_EditAfterSeconds, "0", "コマンドの制限時間は 1 から 86400 の数字で指定下さい!"},
      {IDC_EditTimeWindow, "22-06", kTimeWindowMessage},
      {IDC_EditErrorFolder, "", "フォルダーを作成できません\r\n" + root / "blocked\\エラー"},
  };
  for (const auto& refusal : refusals) {
    ASSERT_NE(form.create(), nullptr);
    // A done folder that is not in use is not checked.
    form.setItemText(IDC_EditDoneFolder, root / "blocked\\済み");
    form.setItemText(refusal.edit, refusal.text);
    if (refusal.edit == IDC_EditErrorFolder) form.setItemText(refusal.edit, root / "blocked\\エラー");
    warnings.clear();
    EXPECT_FALSE(form.ButtonOKClick());
    EXPECT_EQ(warnings, std::vector<std::string>{refusal.said});
    test::clickButton(form.hwnd(), IDCANCEL);
  }
  EXPECT_FALSE(test::isFile(root / "MarliskAuto.ini"));
  EXPECT_EQ(app.runSettings.MaxAttempts, 3);

  ASSERT_NE(form.create(), nullptr);
  EXPECT_FALSE(IsWindowEnabled(form.item(IDC_EditDoneFolder)));  // only for "完了フォルダへ移動"
  SendMessageW(form.item(IDC_RadioOriginals0 + 1), BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindowEnabled(form.item(IDC_EditDoneFolder)));
  form.setItemText(IDC_EditMaxAttempts, "5");
  form.setItemText(IDC_EditDoneFolder, root / "済み\\図面");
  // Unattended needs a time limit: an hour is proposed, and no limit is refused with why.
  SendMessageW(form.item(IDC_CheckUnattended), BM_CLICK, 0, 0);
  EXPECT_EQ(form.itemText(IDC_EditTimeLimit), "60");
  form.setItemText(IDC_EditTimeLimit, "0");
  warnings.clear();
  EXPECT_FALSE(form.ButtonOKClick());
  EXPECT_EQ(warnings, std::vector<std::string>{kUnattendedNeedsTimeLimitMessage});
  form.setItemText(IDC_EditTimeLimit, "60");
  SendMessageW(form.item(IDC_CheckStartAtLogon), BM_CLICK, 0, 0);
  warnings.clear();
  EXPECT_TRUE(form.ButtonOKClick());
  EXPECT_TRUE(warnings.empty()) << warnings[0];
  EXPECT_EQ(form.result(), IDOK);
  EXPECT_EQ(app.runSettings.MaxAttempts, 5);
  EXPECT_EQ(app.runSettings.Originals, AfterSuccess::MoveToDone);
  EXPECT_TRUE(app.runSettings.Unattended);
  EXPECT_TRUE(test::isFolder(root / "済み\\図面"));  // made now, not at the first move
  EXPECT_EQ(test::readFile(root / "MarliskAuto.ini"), runSettingsText(app.runSettings));
  // The shortcut starts this program minimised into standby, and the box shows it next time.
  EXPECT_TRUE(startsAtLogon(narrow(self)));
  ASSERT_NE(form.create(), nullptr);
  EXPECT_EQ(IsDlgButtonChecked(form.hwnd(), IDC_CheckStartAtLogon), BST_CHECKED);
  SendMessageW(form.item(IDC_CheckStartAtLogon), BM_CLICK, 0, 0);
  // A file that cannot be replaced (read-only) is said; what was chosen still holds for this run.
  SetFileAttributesW(widen(root / "MarliskAuto.ini").c_str(), FILE_ATTRIBUTE_READONLY);
  warnings.clear();
  EXPECT_TRUE(form.ButtonOKClick());
  EXPECT_FALSE(test::isFile(startupShortcutPath()));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].rfind(root / "MarliskAuto.ini\r\n運転設定ファイルを保存できません!", 0), 0u) << warnings[0];
  SetFileAttributesW(widen(root / "MarliskAuto.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Further watch folders: added through their own dialog (which refuses a row without its
// folders), refused when they would feed another row, saved as [FolderN] sections.
TEST(RunSettingsFormTest, FurtherWatchFoldersAreAddedCheckedAndSaved) {
  TestFolder root;
  AppContext app;
  app.settings.WorkFolder = root.path();
  app.settings.WatchFolder = root / "watch\\";
  app.settings.OutputFolder = root / "out\\";
  TFolderOpenForm chooser;
  TRunSettingsForm form(app, chooser);
  std::vector<std::string> warnings;
  test::WarningRecorder recording{warnings};
  ASSERT_NE(form.create(), nullptr);
  auto addRow = [&](const std::string& watch, const std::string& output, int tab) {
    test::WhenModal rowDialog(form.hwnd(), [&](HWND) {
      TWatchRowForm& row = form.watchRowForm();
      row.setItemText(IDC_EditRowWatch, watch);
      row.setItemText(IDC_EditRowMask, "*.plt");
      row.setItemText(IDC_EditRowOutput, "");
      EXPECT_FALSE(row.ButtonOKClick());  // no output folder
      row.setItemText(IDC_EditRowOutput, output);
      row.selectTab(tab);
      EXPECT_TRUE(row.ButtonOKClick());
    });
    form.ButtonFolderAddClick();
  };
  addRow(root / "out", root / "png", 1);  // the parameter file's row's output: refused at OK
  EXPECT_EQ(warnings, std::vector<std::string>{kRowNeedsFoldersMessage});
  warnings.clear();
  EXPECT_EQ(ListView_GetItemCount(form.item(IDC_ListFolders)), 1);
  EXPECT_FALSE(form.ButtonOKClick());
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_TRUE(warnings[0].starts_with(kRowsWatchOutputMessage)) << warnings[0];
  ListView_SetItemState(form.item(IDC_ListFolders), 0, LVIS_SELECTED, LVIS_SELECTED);
  form.ButtonFolderDeleteClick();
  addRow(root / "pdfs", root / "wmf", 2);
  form.setItemText(IDC_EditTimeWindow, "22:00-06:00");
  warnings.clear();
  EXPECT_TRUE(form.ButtonOKClick());
  EXPECT_EQ(warnings, std::vector<std::string>{});
  ASSERT_EQ(app.runSettings.Folders.size(), 1u);
  EXPECT_EQ(app.runSettings.TimeWindow, "22:00-06:00");
  const std::string ini = test::readFile(root / "MarliskAuto.ini");
  EXPECT_NE(ini.find("[Folder2]\r\nWatch=" + root / "pdfs\\\r\nMask=*.plt\r\nTab=2\r\nType=0\r\nOutput=" +
                     root / "wmf\\\r\n"),
            std::string::npos)
      << ini;
}

TEST(RunSettingsFormTest, SeveralStationsTheirListAndPuttingBackByHand) {
  TestFolder root;
  AppContext app;
  app.settings.WorkFolder = root.path();
  app.settings.WatchFolder = root / "watch\\";
  // PC-B stopped holding a file; its lock is let go.
  for (const char* folder : {"watch", "watch\\変換中", "watch\\変換中\\PC-B"}) test::makeFolder(root / folder);
  test::writeFile(root / "watch\\変換中\\PC-B\\a.plt", "IN;");
  test::writeFile(root / "watch\\変換中\\PC-B.lock", "");
  StationCard card;
  card.counter = 12;
  card.state = "変換中";
  test::writeFile(root / "watch\\変換中\\PC-B.txt", cardText(card));
  TFolderOpenForm chooser;
  TRunSettingsForm form(app, chooser);
  std::vector<std::string> warnings, questions;
  test::WarningRecorder recording{warnings};
  const QuestionHandler before = setQuestionHandler([&](const std::string& text) {
    questions.push_back(text);
    return true;
  });
  ASSERT_NE(form.create(), nullptr);
  EXPECT_FALSE(IsWindowEnabled(form.item(IDC_ListStations)));  // only for a shared watch folder
  SendMessageW(form.item(IDC_CheckShared), BM_CLICK, 0, 0);
  HWND list = form.item(IDC_ListStations);
  ASSERT_EQ(ListView_GetItemCount(list), 1);
  wchar_t state[64] = {};
  ListView_GetItemText(list, 0, 3, state, 64);
  EXPECT_EQ(narrow(state), "応答なし (ロック解放済み)");

  form.ButtonPutBackClick();  // nothing chosen
  EXPECT_EQ(warnings, std::vector<std::string>{kChooseStationMessage});
  ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
  form.ButtonPutBackClick();
  // The file work is the put-back's own thread's: the dialog answers meanwhile, its button off.
  EXPECT_TRUE(form.puttingBack());
  EXPECT_FALSE(IsWindowEnabled(form.item(IDC_ButtonPutBack)));
  while (form.puttingBack()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    processPendingMessages();
  }
  EXPECT_TRUE(IsWindowEnabled(form.item(IDC_ButtonPutBack)));
  EXPECT_EQ(questions, std::vector<std::string>{putBackQuestion("PC-B", 1)});
  EXPECT_EQ(test::readFile(root / "watch\\a.plt"), "IN;");
  EXPECT_NE(test::readFile(root / ("Log\\" + RunLog::today() + ".txt")).find("\t差し戻し (PC-B から (手動))"),
            std::string::npos);
  ListView_GetItemText(list, 0, 3, state, 64);
  EXPECT_EQ(narrow(state).rfind("戻し済み (", 0), 0u);

  // The station's name must make a folder name the viewer can be given.
  for (const auto& [typed, ok] : {std::pair{"PC 03", false}, {"ＰＣ３", false}, {"PC-03_a", true}}) {
    form.setItemText(IDC_EditStationName, typed);
    warnings.clear();
    EXPECT_EQ(form.ButtonOKClick(), ok) << typed;
    EXPECT_EQ(warnings, ok ? std::vector<std::string>{} : std::vector<std::string>{kStationNameRuleMessage});
  }
  EXPECT_TRUE(app.runSettings.SharedWatchFolder);
  EXPECT_EQ(app.runSettings.StationName, "PC-03_a");
  setQuestionHandler(before);
}

}  // namespace
}  // namespace marlisk::win
