// TFolderOpenForm: the program's folder chooser, behind every folder "参照" button of the
// settings dialogs. One object serves the whole run; callers hand the start folder in and
// read the choice out through SelectedFolder.
#pragma once

#include <string>

#include "shellview/ComboView.h"
#include "shellview/FolderView.h"
#include "shellview/ShellActions.h"
#include "win/Dialog.h"

namespace marlisk::win {

class TFolderOpenForm final : public Dialog {
 public:
  TFolderOpenForm();

  // In: where to start ("" for the current working folder). Out, after OK: the text of
  // "選択フォルダ名" as the user left it, unchecked.
  std::string SelectedFolder;

  void BitBtn1Click();
  void ButtonOKClick();
  TFolderView& FolderView1() { return folderView_; }

 protected:
  void onInitDialog() override;
  bool onCommand(int id, int code, HWND control) override;

 private:
  TFolderView folderView_;
  TComboView comboView_;
  TContextMenuEx contextMenu_;
};

}  // namespace marlisk::win
