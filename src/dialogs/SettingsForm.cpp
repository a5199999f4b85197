#include "dialogs/SettingsForm.h"

#include "help/core/HelpTopics.h"

#include <commctrl.h>

#include <algorithm>

#include "core/Numbers.h"
#include "res/resource.h"
#include "settings/core/SettingsRules.h"
#include "win/Controls.h"
#include "win/HelpHook.h"
#include "win/Strings.h"
#include "win/TextFiles.h"
#include "win/Warning.h"
#include "batchlist/Win32FileSystem.h"

namespace marlisk::win {

SettingsForm::SettingsForm(int templateId, int helpTopic, AppContext& app, TFolderOpenForm& folderOpenForm)
    : Dialog(templateId, {helpTopic, controlPopup}), app_(app), folderOpenForm_(folderOpenForm) {
  openDialog_.InitialDir = "\\Program Files\\Trenol\\Data";
}

void SettingsForm::prepare() {
  setProgramIcon(hwnd(), IDI_MARLISKAUTO);
  SendDlgItemMessageW(hwnd(), IDC_WaitTimeSpin, UDM_SETRANGE32, 0, kMaxWaitMinutes);
}

void SettingsForm::EditOutListFileNameChange() {
  HWND list = item(IDC_ListBox1);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  const std::string name = itemText(IDC_EditOutListFileName);
  if (!app_.fileSystem.fileExists(name)) return;
  // Taken at once, as the settings have always done, but only a name the parameter file can
  // hold; the preview runs at each key, so leaving the field and OK are where it is said.
  if (!unstorableReason(name, app_.codec)) app_.settings.BatchFileName = name;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  // What cannot be read ends the preview, nothing more: the file is checked again on OK.
  LineFileReader reader(name, 1024 * 1024);
  std::string line;
  for (LineFileReader::Status status;
       (status = reader.next(line)) != LineFileReader::Status::End && status != LineFileReader::Status::Error;) {
    const std::wstring shown = widen(previewLine(line, app_.codec));
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  fitHorizontalExtent(list);
}

void SettingsForm::showWaitSeconds(int32_t seconds) {
  SendDlgItemMessageW(hwnd(), IDC_WaitTimeSpin, UDM_SETPOS32, 0, waitMinutesFromSeconds(seconds));
}

int32_t SettingsForm::waitSeconds() const {
  return waitSecondsFromMinutes(std::clamp(parseInt32(itemText(IDC_WaitTimeEdit)).value_or(0), 0, kMaxWaitMinutes));
}

std::optional<std::string> SettingsForm::chooseFolder(const std::string& start) {
  folderOpenForm_.SelectedFolder = start.empty() ? currentFolder() : start;
  if (folderOpenForm_.showModal(hwnd()) != IDOK) return std::nullopt;
  return folderOpenForm_.SelectedFolder;
}

bool SettingsForm::fileExistsOrSay(const std::string& path) {
  if (app_.fileSystem.fileExists(path)) return true;
  ShowWarning(path + kFileMissingMessage);
  return false;
}

bool SettingsForm::outputFolderExistsOrSay(std::string& stored) {
  const OutputFolderCheck output = checkOutputFolder(itemText(IDC_OutDirEdit));
  setItemText(IDC_OutDirEdit, output.fieldText);
  stored = output.fieldText;
  if (app_.fileSystem.folderExists(output.folderToCheck)) return true;
  ShowWarning(output.folderToCheck + kFolderMissingMessage);
  return false;
}

bool SettingsForm::storableOrSay(const std::vector<std::string>& texts) {
  for (const std::string& text : texts)
    if (!marlisk::storableOrSay(text, app_.codec, ShowWarning)) return false;
  return true;
}

bool SettingsForm::onSharedCommand(int id, int code) {
  if (id == IDC_EditOutListFileName && code == EN_CHANGE) {
    if (!showing_) EditOutListFileNameChange();
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDCANCEL: close(IDCANCEL); return true;
    case IDC_ButtonHelp: showHelpTopic(); return true;
    default: return false;
  }
}

}  // namespace marlisk::win
