#include "dialogs/SetAutoParForm.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "core/Path.h"
#include "help/core/HelpTopics.h"
#include "res/resource.h"
#include "win/Controls.h"
#include "settings/core/ExtensionList.h"
#include "settings/core/SettingsRules.h"
#include "win/Strings.h"
#include "win/Warning.h"
#include "win/Guard.h"

namespace marlisk::win {

namespace {

constexpr UINT_PTR kEditSubclass = 0x7361;  // "sa"
constexpr UINT kExitMessage = WM_APP + 31;  // the batch file field was left

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
  return guarded<LRESULT>(0, [&]() -> LRESULT {
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
  });
}

}  // namespace

TSetAutoParForm::TSetAutoParForm(AppContext& app, TFolderOpenForm& folderOpenForm)
    : SettingsForm(IDD_SETAUTOPAR, kOutput1SettingsTopic.number, app, folderOpenForm) {
  openDialog_.Filter = resourceString(IDS_FilterSettings1);
}

void TSetAutoParForm::onInitDialog() {
  prepare();
  for (int id : {IDC_MarliskExeEdit, IDC_EditOutListFileName})
    SetWindowSubclass(item(id), editProc, kEditSubclass, reinterpret_cast<DWORD_PTR>(this));

  showing_ = true;  // the preview is read once, below, not at every field set
  const Settings& s = app_.settings;
  for (const auto& [id, list] : kExtensionFields) setItemText(id, s.*list);
  setItemText(IDC_MarliskExeEdit, s.ViewerExePath);
  setItemText(IDC_EditOutListFileName, s.BatchFileName);
  setItemText(IDC_sFileNameDirEdit, s.WatchFolder + s.WatchFileMask);
  setItemText(IDC_OutDirEdit, s.OutputFolder);
  showWaitSeconds(s.WaitSeconds);
  showing_ = false;
  EditOutListFileNameChange();
}

Win32Error TSetAutoParForm::createEmptyBatchFile(const std::string& name) {
  // Only a name that is not there yet is created: an existing file is never emptied.
  UniqueFileHandle file(
      CreateFileW(widen(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  const Win32Error error = file ? Win32Error() : Win32Error::last();
  if (error.failed()) ShowWarning(name + kCannotCreateBatchFileMessage);
  return error;
}

bool TSetAutoParForm::EditOutListFileNameExit() {
  const std::string name = itemText(IDC_EditOutListFileName);
  // No batch file at all is a choice: a shop that only runs standby has none.
  if (name.empty() || (storableOrSay({name}) && (app_.fileSystem.fileExists(name) || !createEmptyBatchFile(name).failed()))) {
    app_.settings.BatchFileName = name;
    return true;
  }
  setItemText(IDC_EditOutListFileName, app_.settings.BatchFileName);
  return false;
}

void TSetAutoParForm::Button1Click() {
  openDialog_.startAt(itemText(IDC_EditOutListFileName));
  openDialog_.Filter = resourceString(IDS_FilterBatchList);
  if (!openDialog_.Execute(hwnd())) return;
  const std::string chosen = openDialog_.FileName;
  if (storableOrSay({chosen}) && (app_.fileSystem.fileExists(chosen) || !createEmptyBatchFile(chosen).failed())) {
    setItemText(IDC_EditOutListFileName, chosen);
    app_.settings.BatchFileName = chosen;
  }
}

void TSetAutoParForm::Button2Click() {
  openDialog_.startAt(itemText(IDC_MarliskExeEdit));
  openDialog_.Filter = "Program file(*.exe)|*.exe";
  if (openDialog_.Execute(hwnd())) setItemText(IDC_MarliskExeEdit, openDialog_.FileName);
}

void TSetAutoParForm::EditDblClick(int editId) {
  openDialog_.FileName = std::string(fileNamePart(itemText(editId)));  // folder and filter as last left
  if (openDialog_.Execute(hwnd())) setItemText(editId, openDialog_.FileName);
}

void TSetAutoParForm::Button4Click() {
  if (std::optional<std::string> chosen = chooseFolder(std::string(folderPart(itemText(IDC_sFileNameDirEdit)))))
    setItemText(IDC_sFileNameDirEdit, watchPatternFor(*chosen));
}

void TSetAutoParForm::Button3Click() {
  if (std::optional<std::string> chosen = chooseFolder(itemText(IDC_OutDirEdit)))
    setItemText(IDC_OutDirEdit, withTrailingBackslash(*chosen));
}

void TSetAutoParForm::ButtonOKClick() {
  // Enter in the batch file field confirms it the way leaving it would; when that check
  // failed, the user has just been told why and the dialog stays.
  if (GetFocus() == item(IDC_EditOutListFileName) && !EditOutListFileNameExit()) return;
  const std::string viewer = itemText(IDC_MarliskExeEdit);
  if (!fileExistsOrSay(viewer)) return;
  // An empty batch file name is taken (start-up empties it, and a shop that only runs standby
  // never names one); a name that is not there is still refused.
  const std::string batchFile = itemText(IDC_EditOutListFileName);
  if (!batchFile.empty() && !fileExistsOrSay(batchFile)) return Button1Click();
  const std::string pattern = itemText(IDC_sFileNameDirEdit);
  const std::string watchFolder = watchFolderToCheck(pattern);
  if (!app_.fileSystem.folderExists(watchFolder)) return ShowWarning(watchFolder + kFolderMissingMessage);
  std::string outputFolder;
  if (!outputFolderExistsOrSay(outputFolder)) return;

  std::vector<std::pair<std::string Settings::*, std::string>> lists;
  for (const auto& [id, list] : kExtensionFields) lists.emplace_back(list, normalizeExtensionList(itemText(id)));
  std::vector<std::string> texts = {viewer, batchFile, pattern, outputFolder};
  for (const auto& entry : lists) texts.push_back(entry.second);
  if (!storableOrSay(texts)) return;

  Settings& s = app_.settings;
  for (const auto& [list, text] : lists) s.*list = text;
  // The file-type filter is made from the lists whenever the batch list editor opens.
  s.ViewerExePath = viewer;
  s.BatchFileName = batchFile;
  s.WatchFolder = std::string(folderPart(pattern));
  s.WatchFileMask = std::string(fileNamePart(pattern));
  s.OutputFolder = outputFolder;
  s.WaitSeconds = waitSeconds();
  close(IDOK);
}

bool TSetAutoParForm::onCommand(int id, int code, HWND) {
  if (onSharedCommand(id, code)) return true;
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDOK:
    case IDC_ButtonOK: ButtonOKClick(); return true;
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
