#include "dialogs/FolderOpenForm.h"

#include "core/Path.h"
#include "help/core/HelpTopics.h"
#include "res/resource.h"
#include "win/Controls.h"
#include "win/Strings.h"
#include "batchlist/Win32FileSystem.h"

namespace marlisk::win {

TFolderOpenForm::TFolderOpenForm() : Dialog(IDD_FOLDEROPEN, {kFolderChooserTopic.number, controlPopup}) {}

void TFolderOpenForm::onInitDialog() {
  setProgramIcon(hwnd(), IDI_MARLISKAUTO);
  setUpFolderButton(hwnd(), item(IDC_BitBtn1), IDI_UPARROW, IDS_HintUpFolder);
  TreeView_SetIndent(item(IDC_FolderView1), 19);

  folderView_.ContextMenu = &contextMenu_;
  comboView_.attach(item(IDC_ComboView1), reflector());
  folderView_.attach(item(IDC_FolderView1), reflector());
  comboView_.link(folderView_);
  folderView_.OnChange = [this] { setItemText(IDC_SelectFilename, folderView_.GetSelectedPath()); };

  // A start folder that has gone away (a watch folder deleted since it was set) opens at
  // the nearest folder above it that is still there.
  std::string start = SelectedFolder.empty() ? currentFolder() : SelectedFolder;
  while (!start.empty() && !folderView_.SelectPath(start)) start = parentFolder(start);
  setItemText(IDC_SelectFilename, folderView_.GetSelectedPath());
  // The tree has the focus, so its selection shows and the arrow keys walk it.
  PostMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(IDC_FolderView1)), TRUE);
}

void TFolderOpenForm::BitBtn1Click() { folderView_.SelectParentFolder(); }

void TFolderOpenForm::ButtonOKClick() {
  SelectedFolder = itemText(IDC_SelectFilename);
  close(IDOK);
}

bool TFolderOpenForm::onCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDOK: ButtonOKClick(); return true;
    case IDCANCEL: close(IDCANCEL); return true;
    case IDC_BitBtn1: BitBtn1Click(); return true;
    default: return false;
  }
}

}  // namespace marlisk::win
