#include "dialogs/RunSettingsForm.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "batchlist/FileHelpers.h"
#include "core/Messages.h"
#include "core/Numbers.h"
#include "help/core/HelpTopics.h"
#include "res/resource.h"
#include "win/Controls.h"
#include "win/HelpHook.h"
#include "win/Strings.h"
#include "win/Warning.h"

namespace marlisk::win {

namespace {

struct NumberField {
  int edit, spin;
  int32_t least, most;
  int32_t RunSettings::*value;
  const char* what;  // for its message
};
constexpr NumberField kNumbers[] = {
    {IDC_EditMaxAttempts, IDC_SpinMaxAttempts, 1, kMostAttempts, &RunSettings::MaxAttempts, "変換の試行回数"},
    {IDC_EditTimeLimit, IDC_SpinTimeLimit, 0, kMostViewerMinutes, &RunSettings::ViewerTimeLimitMinutes,
     "Marliskの制限時間"},
    {IDC_EditLogDays, IDC_SpinLogDays, 1, kMostLogDays, &RunSettings::LogDays, "運転ログの保存日数"},
};

struct Flag {
  int box;
  bool RunSettings::*value;
};
constexpr Flag kFlags[] = {
    {IDC_CheckOutput, &RunSettings::CheckOutput},
    {IDC_CheckRunLog, &RunSettings::RunLog},
    {IDC_CheckUnattended, &RunSettings::Unattended},
    {IDC_CheckTray, &RunSettings::TrayOnMinimize},
};

std::string exePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return narrow(path);
}

}  // namespace

TRunSettingsForm::TRunSettingsForm(AppContext& app, TFolderOpenForm& folderOpenForm)
    : Dialog(IDD_RUNSETTINGS, {kRunSettingsTopic.number, controlPopup}), app_(app), folderOpenForm_(folderOpenForm) {}

void TRunSettingsForm::onInitDialog() {
  setProgramIcon(hwnd(), IDI_MARLISKAUTO);
  const RunSettings& s = app_.runSettings;
  for (const NumberField& field : kNumbers) {
    SendDlgItemMessageW(hwnd(), field.spin, UDM_SETRANGE32, field.least, field.most);
    setItemText(field.edit, std::to_string(s.*field.value));
  }
  for (const Flag& flag : kFlags) CheckDlgButton(hwnd(), flag.box, s.*flag.value ? BST_CHECKED : BST_UNCHECKED);
  CheckRadioButton(hwnd(), IDC_RadioOriginals0, IDC_RadioOriginals0 + 2,
                   IDC_RadioOriginals0 + static_cast<int>(s.Originals));
  setItemText(IDC_EditErrorFolder, s.ErrorFolder);
  setItemText(IDC_EditDoneFolder, s.DoneFolder);
  CheckDlgButton(hwnd(), IDC_CheckStartAtLogon, startsAtLogon(exePath()) ? BST_CHECKED : BST_UNCHECKED);
  enableFields();
}

void TRunSettingsForm::enableFields() {
  EnableWindow(item(IDC_EditLogDays), IsDlgButtonChecked(hwnd(), IDC_CheckRunLog) == BST_CHECKED);
  EnableWindow(item(IDC_SpinLogDays), IsDlgButtonChecked(hwnd(), IDC_CheckRunLog) == BST_CHECKED);
  const bool done = IsDlgButtonChecked(hwnd(), IDC_RadioOriginals0 + 1) == BST_CHECKED;
  EnableWindow(item(IDC_EditDoneFolder), done);
  EnableWindow(item(IDC_ButtonDoneFolder), done);
}

void TRunSettingsForm::ButtonFolderClick(int editId) {
  const std::string start = itemText(editId);
  folderOpenForm_.SelectedFolder = start.empty() ? app_.settings.WatchFolder : start;
  if (folderOpenForm_.showModal(hwnd()) == IDOK) setItemText(editId, folderOpenForm_.SelectedFolder);
}

bool TRunSettingsForm::ButtonOKClick() {
  RunSettings s = app_.runSettings;
  for (const NumberField& field : kNumbers) {
    const std::optional<int32_t> number = parseInt32(itemText(field.edit));
    if (!number || *number < field.least || *number > field.most) {
      ShowWarning(numberRangeMessage(field.what, field.least, field.most));
      SetFocus(item(field.edit));
      return false;
    }
    s.*field.value = *number;
  }
  // Nobody comes to end a hung viewer at night: unattended standby needs a time limit.
  if (IsDlgButtonChecked(hwnd(), IDC_CheckUnattended) == BST_CHECKED && s.ViewerTimeLimitMinutes == 0) {
    ShowWarning(kUnattendedNeedsTimeLimitMessage);
    SetFocus(item(IDC_EditTimeLimit));
    return false;
  }
  for (const Flag& flag : kFlags) s.*flag.value = IsDlgButtonChecked(hwnd(), flag.box) == BST_CHECKED;
  for (int i = 0; i < 3; ++i)
    if (IsDlgButtonChecked(hwnd(), IDC_RadioOriginals0 + i) == BST_CHECKED) s.Originals = static_cast<AfterSuccess>(i);
  s.ErrorFolder = itemText(IDC_EditErrorFolder);
  s.DoneFolder = itemText(IDC_EditDoneFolder);
  // A folder the user named must be one standby can use: made now, or said now. A done folder
  // that is not in use (the inputs are deleted) is kept as typed, unchecked.
  const bool doneInUse = s.Originals == AfterSuccess::MoveToDone;
  for (const auto& [edit, folder] :
       {std::pair{IDC_EditErrorFolder, s.ErrorFolder}, {IDC_EditDoneFolder, doneInUse ? s.DoneFolder : ""}}) {
    if (folder.empty()) continue;
    const std::wstring wide = widen(folder);
    SHCreateDirectoryExW(hwnd(), wide.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ShowWarning(kCannotCreateFolderMessage + folder);
      SetFocus(item(edit));
      return false;
    }
  }
  const bool logon = IsDlgButtonChecked(hwnd(), IDC_CheckStartAtLogon) == BST_CHECKED;
  const std::string exe = exePath();
  if (logon != startsAtLogon(exe)) {
    if (const Win32Error error = setStartAtLogon(logon, exe); error.failed())
      ShowWarning(std::string(kCannotSetStartAtLogonMessage) + "\r\n" + ioErrorMessage(error.code()));
  }
  app_.runSettings = s;
  app_.runSettingsFile().save(app_.runSettingsPath(), s);
  close(IDOK);
  return true;
}

bool TRunSettingsForm::onCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDOK:
    case IDC_ButtonOK: ButtonOKClick(); return true;
    case IDCANCEL: close(IDCANCEL); return true;
    case IDC_ButtonHelp: showHelpTopic(); return true;
    case IDC_ButtonErrorFolder: ButtonFolderClick(IDC_EditErrorFolder); return true;
    case IDC_ButtonDoneFolder: ButtonFolderClick(IDC_EditDoneFolder); return true;
    case IDC_CheckUnattended:
      // Switched on with no limit: an hour is proposed, for the user to change or keep.
      if (IsDlgButtonChecked(hwnd(), IDC_CheckUnattended) == BST_CHECKED) {
        const std::optional<int32_t> limit = parseInt32(itemText(IDC_EditTimeLimit));
        if (limit && *limit == 0) setItemText(IDC_EditTimeLimit, std::to_string(kProposedUnattendedMinutes));
      }
      return true;
    case IDC_CheckRunLog:
    case IDC_RadioOriginals0:
    case IDC_RadioOriginals0 + 1:
    case IDC_RadioOriginals0 + 2: enableFields(); return true;
    default: return false;
  }
}

}  // namespace marlisk::win
