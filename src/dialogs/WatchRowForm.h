// TWatchRowForm ("監視フォルダの行"): one further watch folder of 運転設定, its mask, its output
// tab and type, its output folder and how its subfolders are served.
#pragma once

#include "dialogs/FolderOpenForm.h"
#include "settings/core/FolderRows.h"
#include "win/Dialog.h"

namespace marlisk::win {

class TWatchRowForm final : public Dialog {
 public:
  explicit TWatchRowForm(TFolderOpenForm& folderOpenForm);

  // In: the row shown; out, once closed with IDOK: the row as the user left it.
  FolderRow row;

  // The handlers, callable directly for tests. OK refuses (and says why) a row without its
  // folders or with a mask that names a folder; false then.
  bool ButtonOKClick();
  void selectTab(int32_t tab);

 protected:
  void onInitDialog() override;
  bool onCommand(int id, int code, HWND control) override;

 private:
  void browse(int editId);
  TFolderOpenForm& folderOpenForm_;
};

// What the rows' list and the dialog call a subfolder setting.
const char* subfoldersText(Subfolders subfolders);

}  // namespace marlisk::win
