// The file list on a real list-view control, linked to a folder tree, over a temporary folder.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "shellview/FileView.h"
#include "shellview/FolderView.h"
#include "support/ControlHost.h"
#include "support/ControlTexts.h"
#include "support/TestFolder.h"
#include "win/Controls.h"
#include "win/Strings.h"

namespace marlisk::win {
namespace {

using test::TestFolder;

class FileViewTest : public ::testing::Test {
 protected:
  FileViewTest() {
    test::makeFolder(root / "sub");
    for (const char* name : {"a.hgl", "b.HGL", "c.plt", "noext", "d.hg"}) test::writeFile(root / name, "IN;");
    tree.attach(treeWindow, host.reflector);
    list.attach(listWindow, host.reflector);
    list.link(tree);
  }
  std::string cell(int index, int column) {
    wchar_t buffer[MAX_PATH] = {};
    ListView_GetItemText(listWindow, index, column, buffer, MAX_PATH);
    return narrow(buffer);
  }
  std::string names() {
    std::string all;
    for (int i = 0; i < ListView_GetItemCount(listWindow); ++i) all += (i ? " " : "") + cell(i, 0);
    return all;
  }
  // The items shown, in name order (the list itself is in the shell's own order).
  std::string shownNames() {
    std::vector<std::string> all;
    for (int i = 0; i < ListView_GetItemCount(listWindow); ++i) all.push_back(cell(i, 0));
    std::sort(all.begin(), all.end());
    std::string joined;
    for (const auto& name : all) joined += (joined.empty() ? "" : " ") + name;
    return joined;
  }
  int indexOf(const std::string& name) {
    for (int i = 0; i < ListView_GetItemCount(listWindow); ++i)
      if (cell(i, 0) == name) return i;
    return -1;
  }
  void selectOnly(int index) {
    ListView_SetItemState(listWindow, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(listWindow, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }

  TestFolder root;
  test::ControlHost host;
  HWND treeWindow = host.add(WC_TREEVIEWW, TVS_HASBUTTONS | TVS_HASLINES | TVS_EDITLABELS, 0, 0, 300, 480, 100);
  HWND listWindow = host.add(WC_LISTVIEWW, LVS_REPORT | LVS_EDITLABELS | LVS_OWNERDATA, 310, 0, 500, 480, 101);
  TFolderView tree;
  TFileView list;
};

TEST_F(FileViewTest, TheMaskRuleOnRealFiles) {
  ASSERT_TRUE(tree.SelectPath(root.path()));
  EXPECT_EQ(shownNames(), "a.hgl b.HGL c.plt d.hg noext sub");
  struct Case {
    std::vector<std::string> mask;
    const char* shown;
  } cases[] = {
      {{".hgl"}, "a.hgl b.HGL d.hg noext sub"},  // folders, .hgl in any case, prefixes, no extension
      {{".*"}, "a.hgl b.HGL c.plt d.hg noext sub"},
      {{".p?t"}, "c.plt noext sub"},
      {{".hgl", ".plt"}, "a.hgl b.HGL c.plt d.hg noext sub"},
  };
  for (const Case& c : cases) {
    list.Mask = c.mask;
    list.Fill();
    EXPECT_EQ(shownNames(), c.shown);
  }
}

TEST_F(FileViewTest, SizesDatesAndSorting) {
  test::makeFolder(root / "sizes");
  test::writeFile(root / "sizes\\empty.txt", "");
  test::writeFile(root / "sizes\\k.txt", std::string(1024, 'k'));
  HANDLE big =
      CreateFileW(widen(root / "sizes\\big.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  LARGE_INTEGER size;
  size.QuadPart = 3LL << 30;  // 3 GiB, sparse on the disk
  ASSERT_TRUE(SetFilePointerEx(big, size, nullptr, FILE_BEGIN) && SetEndOfFile(big));
  CloseHandle(big);
  ASSERT_TRUE(tree.SelectPath(root / "sizes"));
  EXPECT_EQ(cell(indexOf("empty.txt"), 1), "       1KB");
  EXPECT_EQ(cell(indexOf("k.txt"), 1), "       2KB");
  EXPECT_EQ(cell(indexOf("big.bin"), 1), " 3145729KB");
  EXPECT_TRUE(std::regex_match(cell(0, 3), std::regex(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2})"))) << cell(0, 3);

  EXPECT_EQ(names(), "big.bin empty.txt k.txt");  // filled in name order
  list.ColumnClick(1);                            // the first click sorts descending
  EXPECT_EQ(names(), "big.bin k.txt empty.txt");
  list.ColumnClick(1);
  EXPECT_EQ(names(), "empty.txt k.txt big.bin");
  list.ColumnClick(0);
  EXPECT_EQ(names(), "k.txt empty.txt big.bin");
  list.Fill();  // a new fill sorts by name again, and resets the directions
  list.ColumnClick(0);
  EXPECT_EQ(names(), "k.txt empty.txt big.bin");
}

TEST_F(FileViewTest, DoubleClickOnAFolderMovesTheTreeThere) {
  ASSERT_TRUE(tree.SelectPath(root.path()));
  selectOnly(indexOf("sub"));
  NMITEMACTIVATE click = {};
  click.hdr = {listWindow, 101, static_cast<UINT>(NM_DBLCLK)};
  click.iItem = indexOf("sub");
  SendMessageW(host.window, WM_NOTIFY, 101, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(tree.GetSelectedPath(), root / "sub");
  EXPECT_EQ(names(), "");  // the list now shows the empty sub-folder
}

TEST_F(FileViewTest, RenamingInTheListRenamesTheFileAndTheTreeFollows) {
  ASSERT_TRUE(tree.SelectPath(root.path()));
  TreeView_Expand(treeWindow, tree.CurrentNode(), TVE_EXPAND);
  const int sub = indexOf("sub");
  SetFocus(listWindow);
  HWND edit = ListView_EditLabel(listWindow, sub);
  ASSERT_NE(edit, nullptr);
  SetWindowTextW(edit, widen("図面 新").c_str());
  SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(test::isFolder(root / "図面 新"));
  EXPECT_FALSE(test::isFolder(root / "sub"));
  EXPECT_NE(indexOf("図面 新"), -1);
  EXPECT_EQ(test::treeItemText(treeWindow, TreeView_GetChild(treeWindow, tree.CurrentNode())), "図面 新");
  selectOnly(indexOf("図面 新"));
  EXPECT_EQ(list.GetSelectedPath(), root / "図面 新");
}

}  // namespace
}  // namespace marlisk::win

#include "shellview/ComboView.h"
#include "shellview/ShellActions.h"
#include "shellview/ShellItems.h"

namespace marlisk::win {
namespace {

TEST_F(FileViewTest, AddressBoxFollowsTheTreeAndMovesIt) {
  HWND comboWindow = host.add(WC_COMBOBOXW, CBS_DROPDOWN | WS_VSCROLL, 0, 490, 500, 200, 102);
  TComboView combo;
  combo.attach(comboWindow, host.reflector);
  combo.link(tree);
  test::makeFolder(root / "sub\\深い");
  ASSERT_TRUE(tree.SelectPath(root / "sub\\深い"));
  wchar_t shown[MAX_PATH] = {};
  GetWindowTextW(comboWindow, shown, MAX_PATH);
  EXPECT_EQ(narrow(shown), root / "sub\\深い");
  const int entries = static_cast<int>(SendMessageW(comboWindow, CB_GETCOUNT, 0, 0));
  ASSERT_GE(entries, 3);  // the Desktop, ..., sub, 深い

  combo.chooseEntry(entries - 2);  // the folder above
  EXPECT_EQ(tree.GetSelectedPath(), root / "sub");
  SetWindowTextW(comboWindow, widen(root.path()).c_str());
  combo.confirmTyped();
  EXPECT_EQ(tree.GetSelectedPath(), root.path());
  EXPECT_EQ(shownNames(), "a.hgl b.HGL c.plt d.hg noext sub");
}

TEST_F(FileViewTest, ShellMenuAndDragRule) {
  ASSERT_TRUE(tree.SelectPath(root.path()));
  UniqueAbsoluteId folderId = parsePath(widen(root.path()));
  ASSERT_TRUE(folderId);
  ComPtr<IShellFolder> folder = bindFolder(folderId.get());
  UniqueRelativeId item;
  ASSERT_HRESULT_SUCCEEDED(
      folder->ParseDisplayName(nullptr, nullptr, widen("a.hgl").data(), nullptr, item.put(), nullptr));
  PCUITEMID_CHILD child = ILFindLastID(item.get());
  const std::vector<std::string> commands = TContextMenuEx::Commands(host.window, folder.get(), {child});
  EXPECT_NE(std::find(commands.begin(), commands.end(), "コピー(C)"), commands.end());
  EXPECT_NE(std::find(commands.begin(), commands.end(), "削除(D)"), commands.end());
  // Choosing a command carries it out: "copy" puts the file on the clipboard.
  OpenClipboard(host.window);
  EmptyClipboard();
  CloseClipboard();
  EXPECT_TRUE(TContextMenuEx::Invoke(host.window, folder.get(), {child}, "copy"));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_HDROP));
  EXPECT_FALSE(TContextMenuEx::Invoke(host.window, folder.get(), {child}, "no such verb"));
  EXPECT_TRUE(TContextMenuEx::Commands(host.window, folder.get(), {}).empty());

  EXPECT_EQ(dragContinues(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL);
  EXPECT_EQ(dragContinues(FALSE, 0), DRAGDROP_S_DROP);
  EXPECT_EQ(dragContinues(FALSE, MK_LBUTTON), S_OK);
}

}  // namespace
}  // namespace marlisk::win

namespace marlisk::win {
namespace {

TEST_F(FileViewTest, AFolderThatCannotBeReadLeavesTheTreeWhereItWas) {
  test::makeFolder(root / "gone");
  ASSERT_TRUE(tree.SelectPath(root.path()));
  TreeView_Expand(treeWindow, tree.CurrentNode(), TVE_EXPAND);
  HTREEITEM here = tree.CurrentNode();
  HTREEITEM gone = nullptr;
  for (HTREEITEM child = TreeView_GetChild(treeWindow, here); child;
       child = TreeView_GetNextSibling(treeWindow, child)) {
    if (test::treeItemText(treeWindow, child) == "gone") gone = child;
  }
  ASSERT_NE(gone, nullptr);
  test::removeTree(root / "gone");  // taken away after the tree listed it
  TreeView_SelectItem(treeWindow, gone);
  EXPECT_EQ(tree.GetSelectedPath(), root.path());
  EXPECT_EQ(shownNames(), "a.hgl b.HGL c.plt d.hg noext sub");
}

}  // namespace
}  // namespace marlisk::win
