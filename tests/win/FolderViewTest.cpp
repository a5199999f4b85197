// The folder tree on a real tree-view control, over a temporary folder tree.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "shellview/FolderView.h"
#include "shellview/ShellItems.h"
#include "support/ControlHost.h"
#include "support/ControlTexts.h"
#include "win/Controls.h"
#include "support/TestFolder.h"
#include "win/Strings.h"

namespace marlisk::win {
namespace {

using test::TestFolder;

std::string text(HWND tree, HTREEITEM node) { return test::treeItemText(tree, node); }

std::string childTexts(HWND tree, HTREEITEM node) {
  std::string all;
  for (HTREEITEM child = TreeView_GetChild(tree, node); child; child = TreeView_GetNextSibling(tree, child))
    all += (all.empty() ? "" : "|") + text(tree, child);
  return all;
}

int childrenMark(HWND tree, HTREEITEM node) {
  TVITEMW item = {TVIF_CHILDREN};
  item.hItem = node;
  TreeView_GetItem(tree, &item);
  return item.cChildren;
}

class FolderViewTest : public ::testing::Test {
 protected:
  FolderViewTest() {
    for (const char* folder :
         {"A", "A\\A1", "B", "図面 ソフト", "Web Folder", "Web Folders", "コントロール パネル", "コントロールパネル"})
      test::makeFolder(root / folder);
    test::writeFile(root / "B\\file.hgl", "IN;");
    view.onBrowse = [this](PCIDLIST_ABSOLUTE id) {
      std::string path;
      AbsoluteName(id, SHGDN_FORPARSING, path);
      browsed.push_back(path);
    };
    view.attach(tree, host.reflector);
  }

  TestFolder root;
  test::ControlHost host;
  HWND tree =
      host.add(WC_TREEVIEWW, TVS_HASBUTTONS | TVS_HASLINES | TVS_EDITLABELS | TVS_SHOWSELALWAYS, 0, 0, 400, 480, 100);
  TFolderView view;
  std::vector<std::string> browsed;
};

TEST_F(FolderViewTest, RootIsTheDesktopFilledAndSelected) {
  HTREEITEM desktop = TreeView_GetRoot(tree);
  ASSERT_NE(desktop, nullptr);
  EXPECT_EQ(TreeView_GetSelection(tree), desktop);
  EXPECT_NE(TreeView_GetChild(tree, desktop), nullptr);
  EXPECT_EQ(view.CurrentNode(), desktop);
  ASSERT_FALSE(browsed.empty());  // the linked list was told
  // The Desktop keeps its name.
  EXPECT_EQ(TreeView_EditLabel(tree, desktop), nullptr);
}

TEST_F(FolderViewTest, SelectsAPathAndGivesItBack) {
  ASSERT_TRUE(view.SelectPath(root / "A\\A1"));
  EXPECT_EQ(view.GetSelectedPath(), root / "A\\A1");
  EXPECT_EQ(browsed.back(), root / "A\\A1");
  HTREEITEM a1 = view.CurrentNode();
  ASSERT_TRUE(view.SelectPath(root / "図面 ソフト"));
  EXPECT_EQ(view.PreviousNode(), a1);
  EXPECT_EQ(view.GetSelectedPath(), root / "図面 ソフト");
  // What the shell cannot parse changes nothing.
  EXPECT_FALSE(view.SelectPath(root / "missing\\deeper"));
  EXPECT_EQ(view.GetSelectedPath(), root / "図面 ソフト");
}

TEST_F(FolderViewTest, FoldersAreReadOnceSortedAndFilteredByTheExactSkippedNames) {
  ASSERT_TRUE(view.SelectPath(root.path()));
  HTREEITEM node = view.CurrentNode();
  TreeView_Expand(tree, node, TVE_EXPAND);
  EXPECT_EQ(childTexts(tree, node), "A|B|Web Folders|コントロールパネル|図面 ソフト");

  // B has no sub-folder: its expand button goes on first expansion.
  HTREEITEM b = TreeView_GetNextSibling(tree, TreeView_GetChild(tree, node));
  ASSERT_EQ(text(tree, b), "B");
  TreeView_Expand(tree, b, TVE_EXPAND);
  EXPECT_EQ(childrenMark(tree, b), 0);

  // A folder already read is not read again.
  HTREEITEM a = TreeView_GetChild(tree, node);
  TreeView_Expand(tree, a, TVE_EXPAND);
  EXPECT_EQ(childTexts(tree, a), "A1");
  test::makeFolder(root / "A\\A2");
  TreeView_Expand(tree, a, TVE_COLLAPSE);
  TreeView_Expand(tree, a, TVE_EXPAND);
  EXPECT_EQ(childTexts(tree, a), "A1");
}

TEST_F(FolderViewTest, RenamingANodeRenamesTheFolder) {
  ASSERT_TRUE(view.SelectPath(root / "A\\A1"));  // "A" is open, its child read
  ASSERT_TRUE(view.SelectPath(root / "A"));
  HTREEITEM a = view.CurrentNode();
  SetFocus(tree);
  HWND edit = TreeView_EditLabel(tree, a);
  ASSERT_NE(edit, nullptr);
  SetWindowTextW(edit, widen("新 A").c_str());
  TreeView_EndEditLabelNow(tree, FALSE);
  EXPECT_TRUE(test::isFolder(root / "新 A\\A1"));
  EXPECT_FALSE(test::isFolder(root / "A"));
  EXPECT_EQ(text(tree, a), "新 A");
  EXPECT_EQ(view.GetSelectedPath(), root / "新 A");
  // The children are read again under the new name.
  EXPECT_EQ(childTexts(tree, a), "A1");
  TreeView_SelectItem(tree, TreeView_GetChild(tree, a));
  EXPECT_EQ(view.GetSelectedPath(), root / "新 A\\A1");
}

// The identifier operations the views share, on lists the shell made.
TEST_F(FolderViewTest, IdentifierOperations) {
  UniqueAbsoluteId deep = parsePath(widen(root / "A\\A1"));
  UniqueAbsoluteId above = parsePath(widen(root / "A"));
  ASSERT_TRUE(deep && above);
  UniqueAbsoluteId parent(ParentIDs(deep.get()));
  EXPECT_TRUE(ILIsEqual(parent.get(), above.get()));
  UniqueAbsoluteId joined(ConcatIDs(parent.get(), ILFindLastID(deep.get())));
  EXPECT_TRUE(ILIsEqual(joined.get(), deep.get()));
  UniqueAbsoluteId empty(ConcatIDs(nullptr, nullptr));
  ASSERT_TRUE(empty);
  EXPECT_EQ(IDListSize(empty.get()), 2u);
  EXPECT_EQ(NextID(empty.get()), nullptr);
  EXPECT_EQ(IDListSize(nullptr), 0u);
  UniqueChildId first(CopyFirstID(deep.get()));
  EXPECT_EQ(NextID(first.get()), nullptr);  // one item: nothing after it
  EXPECT_NE(NextID(deep.get()), nullptr);
  UniqueAbsoluteId none(ParentIDs(reinterpret_cast<PCIDLIST_ABSOLUTE>(first.get())));
  EXPECT_EQ(IDListSize(none.get()), 2u);
  EXPECT_EQ(ParentIDs(nullptr), nullptr);
  EXPECT_EQ(CopyFirstID(nullptr), nullptr);
}

}  // namespace
}  // namespace marlisk::win
