// The folder chooser and the output-1 settings dialog, created without being shown modally
// and driven through their handlers; the folder chooser they open is the real one, answered
// from inside its modal loop.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "dialogs/FolderOpenForm.h"
#include "dialogs/SetAutoParForm.h"
#include "resource.h"
#include "support/TestFolder.h"
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
    previous_ = setWarningHandler([this](const std::string& text) { warnings.push_back(text); });
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
      opened.push_back(dialog.Filter + " @ " + dialog.InitialDir);
      if (choice.empty()) return false;
      dialog.FileName = choice;
      return true;
    };
  }
  ~SetAutoParFormTest() override {
    setWarningHandler(previous_);
    TOpenDialog::executeHook = nullptr;
  }
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
  std::vector<std::string> opened;  // each open dialog shown: "filter @ folder"
  std::string choice;               // what the user picks in it ("" cancels)

 private:
  WarningHandler previous_;
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
  EXPECT_EQ(opened, std::vector<std::string>{"Text file(*.TXT)|*.TXT @ " + root / "lists"});
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
  EXPECT_EQ(warnings, std::vector<std::string>{root / "no folder\\x.txtを作成できません。正しいファイル名を指定下さい"});
  EXPECT_EQ(form.itemText(IDC_EditOutListFileName), root / "lists\\新しい.txt");
  EXPECT_EQ(app.settings.BatchFileName, root / "lists\\新しい.txt");

  // An existing file is taken as it is, never emptied.
  leave(root / "lists\\batch.txt");
  EXPECT_EQ(app.settings.BatchFileName, root / "lists\\batch.txt");
  EXPECT_EQ(test::readFile(root / "lists\\batch.txt"), "C:\\in\\a.hgl\r\nC:\\in\\b.pdf\r\n");
  EXPECT_EQ(warnings.size(), 1u);
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
  EXPECT_EQ(opened, (std::vector<std::string>{
                        "Text file(*.TXT)|*.TXT @ " + root / "lists",
                        "Text file(*.TXT)|*.TXT @ " + root / "lists",
                        "Program file(*.exe)|*.exe @ " + root.path(),
                        "Program file(*.exe)|*.exe @ " + root.path(),
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

}  // namespace
}  // namespace marlisk::win
