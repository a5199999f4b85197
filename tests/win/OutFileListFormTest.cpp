// The batch list editor, created without being shown modally and driven through its handlers.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/MarliskMForm.h"
#include "batchlist/FileHelpers.h"
#include "batchlist/OutFileListForm.h"
#include "resource.h"
#include "support/RunWait.h"
#include "support/TestFolder.h"
#include "support/WarningRecorder.h"
#include "support/TestViewerLog.h"
#include "support/ControlTexts.h"

namespace marlisk::win {
namespace {

using test::TestFolder;

class OutFileListFormTest : public ::testing::Test {
 protected:
  OutFileListFormTest() {
    for (const char* folder : {"work", "work\\Data", "in", "in\\sub", "lists"}) test::makeFolder(root / folder);
    for (const char* file : {"a.hgl", "b.pdf", "c.plt", "表 ソフト.hgl"})
      test::writeFile(root / ("in\\" + std::string(file)), "x");
    test::makeShortcut(root / "in\\link.lnk", root / "in\\a.hgl");
    test::makeShortcut(root / "in\\zz folder.lnk", root / "in\\sub");
    app.settings.WorkFolder = root / "work";
    app.settings.BatchFileName = root / "lists\\batch.txt";
  }

  void open() {
    ASSERT_NE(form.create(), nullptr);
    // "All Files": the last filter entry.
    HWND filter = form.item(IDC_FilterComboBox1);
    SendMessageW(filter, CB_SETCURSEL, SendMessageW(filter, CB_GETCOUNT, 0, 0) - 1, 0);
    SendMessageW(form.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_FilterComboBox1, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(filter));
    ASSERT_TRUE(form.FolderView1().SelectPath(root / "in"));
  }
  // Selects the named items of the file list, in the list's own order.
  void choose(std::initializer_list<const char*> names) {
    HWND list = form.FileView1().hwnd();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (const char* name : names) {
      for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        wchar_t text[MAX_PATH] = {};
        ListView_GetItemText(list, i, 0, text, MAX_PATH);
        if (narrow(text) == name)
          ListView_SetItemState(list, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      }
    }
  }
  std::string in(const char* name) const { return root / ("in\\" + std::string(name)); }

  TestFolder root;
  AppContext app;
  TFormOutFileList form{app};
  std::vector<std::string> warnings;
  test::WarningRecorder recording{warnings};
};

TEST_F(OutFileListFormTest, AddingFilesTheThreeWays) {
  open();
  choose({"a.hgl"});
  form.ButtonFileSelectClick();
  EXPECT_EQ(form.itemText(IDC_SelectFilename), in("a.hgl"));
  choose({"link"});  // a shortcut (shown without ".lnk") to a file adds the file
  form.ButtonFileSelectClick();
  choose({"c.plt"});  // no extension list holds .plt
  form.ButtonFileSelectClick();
  EXPECT_EQ(warnings, std::vector<std::string>{
                          "File=c.plt\r未登録ファイルタイプです\r 設定ボタンでファイル拡張子を登録してください"});
  choose({"b.pdf"});
  form.FileView1DblClick();
  form.setItemText(IDC_SelectFilename, in("表 ソフト.hgl"));
  form.SelectFilenameEnter();
  form.setItemText(IDC_SelectFilename, in("missing.hgl"));
  form.SelectFilenameEnter();            // no such file: nothing
  test::writeFile(in("café.hgl"), "x");  // é is not in code page 932: refused, never mangled
  form.setItemText(IDC_SelectFilename, in("café.hgl"));
  form.SelectFilenameEnter();
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[1].rfind(in("café.hgl") + "\r", 0), 0u);
  EXPECT_EQ(form.Files(), (std::vector<std::string>{in("a.hgl"), in("a.hgl"), in("b.pdf"), in("表 ソフト.hgl")}));
  EXPECT_EQ(SendMessageW(form.item(IDC_ListBox1Files), LB_GETCOUNT, 0, 0), 4);

  // A shortcut to a folder moves the tree there; selected items before it (in the list's order,
  // which is the shell's) are added, the ones after it are not.
  choose({"zz folder", "b.pdf"});
  const bool pdfFirst = form.FileView1().SelectedPaths().front() == in("b.pdf");
  form.ButtonFileSelectClick();
  EXPECT_EQ(form.FolderView1().GetSelectedPath(), in("sub"));
  EXPECT_EQ(form.Files().size(), pdfFirst ? 5u : 4u);
}

TEST_F(OutFileListFormTest, RemovingAndWritingTheFile) {
  open();
  EXPECT_EQ(form.itemText(IDC_SelectFilename), ".hgl");
  for (const char* name : {"a.hgl", "b.pdf", "表 ソフト.hgl", "a.hgl"}) {
    form.setItemText(IDC_SelectFilename, in(name));
    form.SelectFilenameEnter();
  }
  HWND list = form.item(IDC_ListBox1Files);
  // Ctrl+A chooses every entry.
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  SendMessageW(list, WM_KEYDOWN, 'A', 0);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(SendMessageW(list, LB_GETSELCOUNT, 0, 0), 4);
  SendMessageW(list, LB_SETSEL, FALSE, -1);
  SendMessageW(list, LB_SETSEL, TRUE, 1);
  SendMessageW(list, LB_SETSEL, TRUE, 3);
  SendMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(form.Files(), (std::vector<std::string>{in("a.hgl"), in("表 ソフト.hgl")}));
  form.setItemText(IDC_SelectFilename, in("a.hgl"));
  form.SelectFilenameEnter();  // the same file again: kept twice

  form.ButtonOutStartClick();
  EXPECT_EQ(form.result(), IDOK);
  EXPECT_EQ(test::readFile(root / "lists\\batch.txt"),
            *app.codec.toAnsi(in("a.hgl") + "\r\n" + in("表 ソフト.hgl") + "\r\n" + in("a.hgl") + "\r\n"));

  // The list and the name field survive a second showing; "全入力ﾌｧｲﾙｸﾘｱｰ" empties the list,
  // and an empty list is 0 bytes.
  open();
  EXPECT_EQ(form.itemText(IDC_SelectFilename), in("a.hgl"));
  EXPECT_EQ(form.Files().size(), 3u);
  EXPECT_EQ(SendMessageW(form.item(IDC_ListBox1Files), LB_GETCOUNT, 0, 0), 3);
  form.ButtonAllFileClearClick();
  form.ButtonOutListOKClick();
  EXPECT_EQ(form.result(), IDCANCEL);
  EXPECT_EQ(test::readFile(root / "lists\\batch.txt"), "");
  EXPECT_TRUE(warnings.empty());
}

TEST_F(OutFileListFormTest, AFailedWriteAsksForAnotherName) {
  app.settings.BatchFileName = root / "no such folder\\batch.txt";
  open();
  form.setItemText(IDC_SelectFilename, in("a.hgl"));
  form.SelectFilenameEnter();
  form.chooseOtherFile = [&] { return root / "lists\\other.txt"; };
  form.ButtonOutStartClick();
  EXPECT_EQ(warnings, std::vector<std::string>{"出力リストファイル" + (root / "no such folder\\batch.txt") +
                                               "を作成できません。正しいファイル名を指定下さい"});
  EXPECT_EQ(app.settings.BatchFileName, root / "lists\\other.txt");
  EXPECT_EQ(test::readFile(root / "lists\\other.txt"), in("a.hgl") + "\r\n");
  EXPECT_EQ(form.result(), IDOK);

  // Giving up: Cancel, nothing started.
  app.settings.BatchFileName = root / "no such folder\\again.txt";
  open();
  form.chooseOtherFile = [] { return std::string(); };
  form.ButtonOutStartClick();
  EXPECT_EQ(form.result(), IDCANCEL);
}

TEST_F(OutFileListFormTest, BrowsingControls) {
  open();
  // Sized in pixels (at the tests' 96 DPI), every control inside; the two hints.
  RECT client;
  GetClientRect(form.hwnd(), &client);
  EXPECT_EQ(client.right, 815);
  EXPECT_EQ(client.bottom, 417);
  for (HWND child = GetWindow(form.hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, form.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
        << GetDlgCtrlID(child);
  }
  EXPECT_EQ(test::tooltipText(form.hwnd(), form.item(IDC_BitBtn1)), "１つ上のホルダへ移動");
  EXPECT_EQ(test::tooltipText(form.hwnd(), form.item(IDC_ButtonAllFileClear)), "全ﾌｧｲﾙを無使用化");

  // "上へ": the folder above; at a drive root the tree stays on it.
  SendMessageW(form.item(IDC_BitBtn1), BM_CLICK, 0, 0);
  EXPECT_EQ(form.FolderView1().GetSelectedPath(), root.path());
  ASSERT_TRUE(form.FolderView1().SelectPath("C:\\"));
  SendMessageW(form.item(IDC_BitBtn1), BM_CLICK, 0, 0);
  EXPECT_EQ(form.FolderView1().GetSelectedPath(), "C:\\");

  // A folder under the user's documents is selected again once the tree has settled (the
  // private message 1035); others are not.
  const std::string documents = specialFolderPath(kPersonalFolder);
  ASSERT_NE(documents.find("Documents"), std::string::npos);
  MSG pending;
  ASSERT_TRUE(form.FolderView1().SelectPath(root / "in"));
  EXPECT_FALSE(PeekMessageW(&pending, form.hwnd(), WM_USER + 11, WM_USER + 11, PM_NOREMOVE));
  ASSERT_TRUE(form.FolderView1().SelectPath(documents));
  ASSERT_TRUE(PeekMessageW(&pending, form.hwnd(), WM_USER + 11, WM_USER + 11, PM_REMOVE));
  DispatchMessageW(&pending);
  EXPECT_EQ(form.FolderView1().GetSelectedPath(), documents);

  // The style box sets the list's view; the filter box its mask.
  ASSERT_TRUE(form.FolderView1().SelectPath(root / "in"));
  auto choose = [&](int id, int index) {
    SendMessageW(form.item(id), CB_SETCURSEL, index, 0);
    SendMessageW(form.hwnd(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(form.item(id)));
  };
  choose(IDC_ComboBox1, 0);  // "詳細"
  EXPECT_EQ(ListView_GetView(form.FileView1().hwnd()), static_cast<DWORD>(LV_VIEW_DETAILS));
  choose(IDC_ComboBox1, 3);  // "大きいアイコン"
  EXPECT_EQ(ListView_GetView(form.FileView1().hwnd()), static_cast<DWORD>(LV_VIEW_ICON));
  choose(IDC_FilterComboBox1, 2);  // "PDF(*.pdf)"
  std::vector<std::string> shown;
  for (int i = 0; i < ListView_GetItemCount(form.FileView1().hwnd()); ++i) {
    wchar_t text[MAX_PATH] = {};
    ListView_GetItemText(form.FileView1().hwnd(), i, 0, text, MAX_PATH);
    shown.push_back(narrow(text));
  }
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, (std::vector<std::string>{"b.pdf", "sub"}));
}

TEST_F(OutFileListFormTest, TheMainWindowStartsBatchOutputWhenTheEditorClosesWithOk) {
  SetEnvironmentVariableW(L"TESTVIEWER_LOG", widen(root / "viewer.log").c_str());
  app.settings.ViewerExePath = test::testViewerPath();
  app.settings.ViewerCommandFilePath = root / "work\\MarComline.txt";
  app.settings.OutputFolder = root / "out\\";
  TMarliskMForm main(app);
  ASSERT_NE(main.create(), nullptr);
  // Fill the editor's list in one showing...
  TFormOutFileList& editor = main.batchListEditor();
  editor.create(main.hwnd());
  editor.setItemText(IDC_SelectFilename, in("a.hgl"));
  editor.SelectFilenameEnter();
  editor.destroy();
  // ...then show it from the button, and press "バッチファイル出力開始" inside its modal loop.
  const UINT_PTR timer = SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND dialog = GetActiveWindow();
    SendMessageW(GetDlgItem(dialog, IDC_ButtonOutStart), BM_CLICK, 0, 0);
  });
  SendMessageW(main.item(IDC_ButtonCreateOutListFile), BM_CLICK, 0, 0);
  KillTimer(nullptr, timer);
  test::waitForSteps(main);
  const auto runs = test::readViewerLog(root / "viewer.log");
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].commandFileBytes, "/p \"" + in("a.hgl") + "\" \"" + (root / "out\\a.pdf") + "\"\r\n");
  EXPECT_EQ(main.hwnd(), nullptr);  // a batch ends the program
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  SetEnvironmentVariableW(L"TESTVIEWER_LOG", nullptr);
}

}  // namespace
}  // namespace marlisk::win
