// What the two settings dialogs share: the batch-file preview, the wait field, the folder
// chooser, the file dialog, and the checks and refusals of OK.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "dialogs/FolderOpenForm.h"
#include "dialogs/OpenDialog.h"
#include "win/Dialog.h"
#include "win/Error.h"

namespace marlisk::win {

class SettingsForm : public Dialog {
 public:
  TOpenDialog& OpenDialog1() { return openDialog_; }
  // Refreshes the preview from the batch file field (it runs on every change of the field).
  void EditOutListFileNameChange();

 protected:
  SettingsForm(int templateId, int helpTopic, AppContext& app, TFolderOpenForm& folderOpenForm);

  // The window's icon, the spin range and the field hooks every showing needs.
  void prepare();
  void showWaitSeconds(int32_t seconds);
  int32_t waitSeconds() const;
  // The folder chooser, started at `start` or, when it is empty, at the working folder; the
  // chosen text, or nothing when cancelled.
  std::optional<std::string> chooseFolder(const std::string& start);
  // The OK checks both dialogs make, each with its message: a field that must name an
  // existing file, and the batch output folder, which gets its trailing backslash.
  bool fileExistsOrSay(const std::string& path);
  bool outputFolderExistsOrSay(std::string& stored);
  // What the parameter file could not hold is refused while the user can still mend it.
  bool storableOrSay(const std::vector<std::string>& texts);
  // The commands both dialogs answer alike; false for any other.
  bool onSharedCommand(int id, int code);

  AppContext& app_;
  TFolderOpenForm& folderOpenForm_;
  TOpenDialog openDialog_;
  bool showing_ = false;  // the fields are being filled: no preview per field
};

}  // namespace marlisk::win
