#include "dialogs/SetAutoParForm.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "base/Numbers.h"
#include "base/Path.h"
#include "res/resource.h"
#include "settings/ExtensionList.h"
#include "settings/SettingsRules.h"
#include "win/Controls.h"
#include "win/Strings.h"
#include "win/Win32FileSystem.h"
#include "win/HelpHook.h"
#include "win/TextFiles.h"
#include "win/Warning.h"

namespace marlisk::win {

namespace {

constexpr UINT_PTR kEditSubclass = 0x7361;  // "sa"
constexpr UINT kExitMessage = WM_APP + 31;   // the batch file field was left

// The extension fields and the lists they edit, in the order they are stored.
constexpr std::pair<int, std::string Settings::*> kExtensionFields[] = {
    {IDC_EditHpglFileExt, &Settings::HpglExtList}, {IDC_EditImageFileExt, &Settings::ImageExtList},
    {IDC_EditPdfFileExt, &Settings::PdfExtList},   {IDC_EditEmfFileExt, &Settings::EmfExtList},
    {IDC_EditDxfFileExt, &Settings::DxfExtList},   {IDC_EditDwgFileExt, &Settings::DwgExtList},
    {IDC_EditIgesFileExt, &Settings::IgesExtList}, {IDC_EditGerberFileExt, &Settings::GerberExtList},
};

// Double clicks on the two file fields open the file dialog. Leaving the batch file field for
// another control of the dialog is told once the focus has moved, so that a message can come
// up; switching to another program is no leaving.
LRESULT CALLBACK editProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR form) {
  auto* self = reinterpret_cast<TSetAutoParForm*>(form);
  const int id = GetDlgCtrlID(window);
  if (message == WM_LBUTTONDBLCLK) {
    self->EditDblClick(id);
    return 0;
  }
  if (message == WM_KILLFOCUS && id == IDC_EditOutListFileName) {
    HWND dialog = GetParent(window);
    const auto next = reinterpret_cast<HWND>(wParam);
    if (next && IsChild(dialog, next) && IsWindowVisible(dialog)) PostMessageW(dialog, kExitMessage, 0, 0);
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

TSetAutoParForm::TSetAutoParForm(AppContext& app, TFolderOpenForm& folderOpenForm)
    : Dialog(IDD_SETAUTOPAR), app_(app), folderOpenForm_(folderOpenForm) {
  helpContext_ = kHelpTopic;
  openDialog_.Filter = "TEXTファイル(*.txt)|*.txt|全て(*.*)|*.*";
  openDialog_.InitialDir = "\\Program Files\\Trenol\\Data";
}

void TSetAutoParForm::onInitDialog() {
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MARLISKAUTO));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  for (int id : {IDC_MarliskExeEdit, IDC_EditOutListFileName})
    SetWindowSubclass(item(id), editProc, kEditSubclass, reinterpret_cast<DWORD_PTR>(this));
  SendDlgItemMessageW(hwnd(), IDC_WaitTimeSpin, UDM_SETRANGE32, 0, kMaxWaitMinutes);

  showing_ = true;  // the preview is read once, below, not at every field set
  const Settings& s = app_.settings;
  for (const auto& [id, list] : kExtensionFields) setItemText(id, s.*list);
  setItemText(IDC_MarliskExeEdit, s.ViewerExePath);
  setItemText(IDC_EditOutListFileName, s.BatchFileName);
  setItemText(IDC_sFileNameDirEdit, s.WatchFolder + s.WatchFileMask);
  setItemText(IDC_OutDirEdit, s.OutputFolder);
  SendDlgItemMessageW(hwnd(), IDC_WaitTimeSpin, UDM_SETPOS32, 0, waitMinutesFromSeconds(s.WaitSeconds));
  showing_ = false;
  EditOutListFileNameChange();
}

void TSetAutoParForm::EditOutListFileNameChange() {
  HWND list = item(IDC_ListBox1);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  const std::string name = itemText(IDC_EditOutListFileName);
  if (!app_.fileSystem.fileExists(name)) return;
  app_.settings.BatchFileName = name;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  // A line too long to hold shows as its start like any other; what cannot be read ends the
  // preview, nothing more (the file is checked again on OK).
  LineFileReader reader(name, 1024 * 1024);
  std::string line;
  for (LineFileReader::Status status; (status = reader.next(line)) != LineFileReader::Status::End &&
                                      status != LineFileReader::Status::Error;) {
    const std::wstring shown = widen(previewLine(line, app_.codec));
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  fitHorizontalExtent(list);
}

DWORD TSetAutoParForm::createEmptyBatchFile(const std::string& name) {
  // Only a name that is not there yet is created: an existing file is never emptied.
  HANDLE file = CreateFileW(widen(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (error != 0) ShowWarning(name + kCannotCreateBatchFileMessage);
  return error;
}

void TSetAutoParForm::EditOutListFileNameExit() {
  const std::string name = itemText(IDC_EditOutListFileName);
  if (app_.fileSystem.fileExists(name) || createEmptyBatchFile(name) == 0) app_.settings.BatchFileName = name;
  else setItemText(IDC_EditOutListFileName, app_.settings.BatchFileName);
}

void TSetAutoParForm::Button1Click() {
  const std::string text = itemText(IDC_EditOutListFileName);
  if (!text.empty()) openDialog_.InitialDir = openDialogFolder(text);
  openDialog_.Filter = "Text file(*.TXT)|*.TXT";
  if (!openDialog_.Execute(hwnd())) return;
  const std::string chosen = openDialog_.FileName;
  if (app_.fileSystem.fileExists(chosen) || createEmptyBatchFile(chosen) == 0) {
    setItemText(IDC_EditOutListFileName, chosen);
    app_.settings.BatchFileName = chosen;
  }
}

void TSetAutoParForm::Button2Click() {
  const std::string text = itemText(IDC_MarliskExeEdit);
  if (!text.empty()) openDialog_.InitialDir = openDialogFolder(text);
  openDialog_.Filter = "Program file(*.exe)|*.exe";
  if (openDialog_.Execute(hwnd())) setItemText(IDC_MarliskExeEdit, openDialog_.FileName);
}

void TSetAutoParForm::EditDblClick(int editId) {
  if (openDialog_.Execute(hwnd())) setItemText(editId, openDialog_.FileName);
}

void TSetAutoParForm::Button4Click() {
  const std::string text = itemText(IDC_sFileNameDirEdit);
  folderOpenForm_.SelectedFolder = text.empty() ? currentFolder() : std::string(folderPart(text));
  if (folderOpenForm_.showModal(hwnd()) == IDOK)
    setItemText(IDC_sFileNameDirEdit, watchPatternFor(folderOpenForm_.SelectedFolder));
}

void TSetAutoParForm::Button3Click() {
  const std::string text = itemText(IDC_OutDirEdit);
  folderOpenForm_.SelectedFolder = text.empty() ? currentFolder() : text;
  if (folderOpenForm_.showModal(hwnd()) == IDOK)
    setItemText(IDC_OutDirEdit, withTrailingBackslash(folderOpenForm_.SelectedFolder));
}

int TSetAutoParForm::waitMinutes() const {
  return std::clamp(parseInt32(itemText(IDC_WaitTimeEdit)).value_or(0), 0, kMaxWaitMinutes);
}

void TSetAutoParForm::ButtonOKClick() {
  // Enter in the batch file field confirms it the way leaving it would.
  if (GetFocus() == item(IDC_EditOutListFileName)) EditOutListFileNameExit();
  const std::string viewer = itemText(IDC_MarliskExeEdit);
  if (!app_.fileSystem.fileExists(viewer)) return ShowWarning(viewer + kFileMissingMessage);
  const std::string batchFile = itemText(IDC_EditOutListFileName);
  if (!app_.fileSystem.fileExists(batchFile)) {
    ShowWarning(batchFile + kFileMissingMessage);
    return Button1Click();
  }
  const std::string pattern = itemText(IDC_sFileNameDirEdit);
  const std::string watchFolder = watchFolderToCheck(pattern);
  if (!app_.fileSystem.folderExists(watchFolder)) return ShowWarning(watchFolder + kFolderMissingMessage);
  const OutputFolderCheck output = checkOutputFolder(itemText(IDC_OutDirEdit));
  setItemText(IDC_OutDirEdit, output.fieldText);
  if (!app_.fileSystem.folderExists(output.folderToCheck)) return ShowWarning(output.folderToCheck + kFolderMissingMessage);

  // What the parameter file could not hold is refused here, where the user can still mend it.
  std::vector<std::pair<std::string Settings::*, std::string>> lists;
  for (const auto& [id, list] : kExtensionFields) lists.emplace_back(list, normalizeExtensionList(itemText(id)));
  std::vector<std::string> texts = {viewer, batchFile, pattern, output.fieldText};
  for (const auto& entry : lists) texts.push_back(entry.second);
  for (const std::string& text : texts)
    if (std::optional<std::string> reason = unstorableReason(text, app_.codec))
      return ShowWarning(text + "\r " + *reason);

  Settings& s = app_.settings;
  for (const auto& [list, text] : lists) s.*list = text;
  // The file-type filter is made from the lists whenever the batch list editor opens.
  s.ViewerExePath = viewer;
  s.BatchFileName = batchFile;
  s.WatchFolder = std::string(folderPart(pattern));
  s.WatchFileMask = std::string(fileNamePart(pattern));
  s.OutputFolder = output.fieldText;
  s.WaitSeconds = waitSecondsFromMinutes(waitMinutes());
  close(IDOK);
}

bool TSetAutoParForm::onCommand(int id, int code, HWND) {
  if (id == IDC_EditOutListFileName && code == EN_CHANGE) {
    if (!showing_) EditOutListFileNameChange();
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDOK:
    case IDC_ButtonOK: ButtonOKClick(); return true;
    case IDCANCEL: close(IDCANCEL); return true;
    case IDC_ButtonHelp: requestHelp(HELP_CONTEXT, kHelpTopic); return true;
    case IDC_Button1: Button1Click(); return true;
    case IDC_Button2: Button2Click(); return true;
    case IDC_Button3: Button3Click(); return true;
    case IDC_Button4: Button4Click(); return true;
    default: return false;
  }
}

INT_PTR TSetAutoParForm::onMessage(UINT message, WPARAM, LPARAM, bool& handled) {
  if (message != kExitMessage) return 0;
  handled = true;
  EditOutListFileNameExit();
  return 0;
}

}  // namespace marlisk::win
