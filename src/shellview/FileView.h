// TFileView: the files and folders of one shell folder in four columns, filtered by a mask
// of extensions and sortable by column. Linked to a TFolderView it lists the tree's selected
// folder, and double-clicking a folder moves the tree there. The list view is virtual
// (LVS_OWNERDATA): a fill only enumerates the folder and sorts its rows, and each row's
// texts and icon are asked of the shell when the row is first shown (or sorted by), so a
// folder of 100,000 files opens about as fast as the shell can list it.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shellview/ShellItems.h"
#include "win/Handles.h"
#include "win/Reflection.h"

namespace marlisk::win {

class TFolderView;
class TContextMenuEx;
class TDropSourceEx;

class TFileView final : public ReflectedComponent {
 public:
  TFileView() = default;
  ~TFileView();
  TFileView(const TFileView&) = delete;
  TFileView& operator=(const TFileView&) = delete;

  // Takes over a list-view control, which must be made with LVS_OWNERDATA (a list view cannot
  // take it later; LVS_SHAREIMAGELISTS is added: the image lists are the system's), and adds
  // the four columns.
  void attach(HWND list, Reflector& parent);
  HWND control() const override { return list_; }
  HWND hwnd() const { return list_; }
  // Both ways: the tree makes this list browse its selection.
  void link(TFolderView& folderView);

  void Browse(PCIDLIST_ABSOLUTE absoluteId);
  void Fill();
  // The parsing name of the selected item, "" when none.
  std::string GetSelectedPath() const;
  // The captions of the selected items, first to last.
  std::vector<std::string> SelectedCaptions() const;
  // Their parsing names (full paths for files), first to last.
  std::vector<std::string> SelectedPaths() const;
  // The parsing name of the focused item, "" when none.
  std::string FocusedPath() const;
  // The view: LV_VIEW_DETAILS, LV_VIEW_LIST, LV_VIEW_SMALLICON or LV_VIEW_ICON.
  void SetViewStyle(DWORD view) { ListView_SetView(list_, view); }
  // Sorts by a column, as a click on its header does: the column's direction flips first.
  void ColumnClick(int column);

  std::vector<std::string> Mask;  // extensions with their dot (".hgl"); empty: everything
  bool FileExecute = true;        // double-clicked files are opened by the shell
  std::function<void()> OnDblClick;
  // With a context menu, a right click shows the shell's menu for the selected items (the
  // list is filled again afterwards: the command may have changed the folder); with a drop
  // source, dragging them starts a shell drag.
  TContextMenuEx* ContextMenu = nullptr;
  TDropSourceEx* DropSource = nullptr;

 private:
  // One item of the folder. Its texts and icon are empty (-1) until first asked for.
  struct Row {
    UniqueChildId child;
    SFGAOF attributes = 0;
    int icon = -1;
    bool described = false;  // size and date read
    bool kindKnown = false;
    std::wstring caption, size, kind, date;
  };

  bool reflectNotify(NMHDR* header, LRESULT& result) override;
  // A form closing takes its controls with it: the rows go first.
  void parentDestroying() override;
  void clearRows();
  void sortBy(int column);
  void doubleClick();
  // The row shown at `index`; null for none.
  Row* rowAt(int index) const;
  // The row's text in a column, asked of the shell the first time.
  const std::wstring& text(Row& row, int column);
  int icon(Row& row);
  std::string parsingName(const Row& row) const;
  UniqueAbsoluteId absoluteOf(const Row& row) const;
  void describe(Row& row);
  void getDisplayInfo(LVITEMW& item);
  int findItem(const NMLVFINDITEMW& find);
  std::vector<PCUITEMID_CHILD> selectedItems() const;
  std::string pathOf(const Row* row) const;

  HWND list_ = nullptr;
  Reflector* parent_ = nullptr;
  TFolderView* folderView_ = nullptr;
  UniqueAbsoluteId folderId_;
  ComPtr<IShellFolder> folder_;
  ComPtr<IShellIcon> shellIcon_;            // where the folder knows its items' icons (not under Wine)
  std::vector<std::unique_ptr<Row>> rows_;  // in the folder's order
  std::vector<Row*> order_;                 // as shown
  int signs_[4] = {1, 1, 1, 1};
  KindCache kinds_;
};

}  // namespace marlisk::win
