#include "dialogs/SetAutoPar2Form.h"

#include <commctrl.h>

#include "core/Path.h"
#include "help/core/HelpTopics.h"
#include "res/resource.h"
#include "settings/core/SettingsRules.h"
#include "win/Controls.h"
#include "win/Strings.h"
#include "win/Warning.h"

namespace marlisk::win {

namespace {

constexpr int kDrawingTab = 0;
constexpr int kOutputTab = 1;

int rowEdit(size_t row) { return IDC_sFileNameDirEdit1 + static_cast<int>(row); }  // row 0..4

}  // namespace

TSetAutoPar2Form::TSetAutoPar2Form(AppContext& app, TFolderOpenForm& folderOpenForm, TSetPaperMargForm& paperMargForm)
    : SettingsForm(IDD_SETAUTOPAR2, kOutput2SettingsTopic.number, app, folderOpenForm), paperMargForm_(paperMargForm) {
  openDialog_.Filter = resourceString(IDS_FilterSettings2);
}

void TSetAutoPar2Form::onInitDialog() {
  prepare();
  HWND tabs = item(IDC_TabControl1);
  addTabs(tabs, {resourceString(IDS_TabDrawingFolders), resourceString(IDS_TabOutputFolders)});
  TabCtrl_SetCurSel(tabs, tabIndex_);
  placeUnderItsPage(tabs, item(IDC_LabelExampleFolder));

  showing_ = true;
  showExample(tabIndex_, IDS_ExamplePrefixFirst);
  showRows(tabIndex_);
  const Settings& s = app_.settings;
  setItemText(IDC_MarliskExeEdit, s.ViewerExePath);
  setItemText(IDC_EditOutListFileName, s.BatchFileName);
  setItemText(IDC_sFileNameEdit, s.WatchFileMask);
  setItemText(IDC_OutDirEdit, s.OutputFolder);
  showWaitSeconds(s.WaitSeconds);
  showing_ = false;
  EditOutListFileNameChange();
}

TSetAutoPar2Form::FolderRows& TSetAutoPar2Form::rowsOf(int tab) {
  return tab == kOutputTab ? app_.settings.DrawingOutFolders : app_.settings.DrawingFolders;
}

void TSetAutoPar2Form::showRows(int tab) {
  const FolderRows& rows = rowsOf(tab);
  for (size_t row = 0; row < rows.size(); ++row) setItemText(rowEdit(row), rows[row]);
}

// The rows go into the settings at each tab switch, before OK: the dialog has always kept
// them there (the other tab's rows are shown in the same five fields). A row the parameter
// file cannot hold is said and left out, so that it never reaches a save.
bool TSetAutoPar2Form::storeRows(int tab) {
  FolderRows& rows = rowsOf(tab);
  bool all = true;
  for (size_t row = 0; row < rows.size(); ++row) {
    const std::string text = itemText(rowEdit(row));
    if (!unstorableReason(text, app_.codec))
      rows[row] = text;
    else if (all)
      all = storableOrSay({text});  // the first bad row is said
  }
  return all;
}

void TSetAutoPar2Form::showExample(int tab, int prefixId) {
  setItemText(IDC_LabelExampleFolder,
              resourceString(prefixId) +
                  resourceString(tab == kOutputTab ? IDS_ExampleOutputFolder : IDS_ExampleDrawingFolder));
}

void TSetAutoPar2Form::TabControl1Change(int index) {
  if (index != kDrawingTab && index != kOutputTab) return;
  TabCtrl_SetCurSel(item(IDC_TabControl1), index);
  if (index == tabIndex_) return;
  // A row that could not be stored stays in front, for the user to mend.
  if (!storeRows(tabIndex_)) {
    TabCtrl_SetCurSel(item(IDC_TabControl1), tabIndex_);
    return;
  }
  tabIndex_ = index;
  showExample(index, IDS_ExamplePrefix);
  showRows(index);
}

void TSetAutoPar2Form::Button1Click() {
  openDialog_.startAt(itemText(IDC_EditOutListFileName));
  openDialog_.Filter = resourceString(IDS_FilterBatchList);
  // The preview follows the field; no file is created here.
  if (openDialog_.Execute(hwnd())) setItemText(IDC_EditOutListFileName, openDialog_.FileName);
}

void TSetAutoPar2Form::Button2Click() {
  openDialog_.FileName = std::string(fileNamePart(itemText(IDC_MarliskExeEdit)));
  openDialog_.Filter = "Program file(*.exe)|*.exe";
  if (openDialog_.Execute(hwnd())) setItemText(IDC_MarliskExeEdit, openDialog_.FileName);
}

void TSetAutoPar2Form::OutDirButtonClick() {
  if (std::optional<std::string> chosen = chooseFolder(itemText(IDC_OutDirEdit))) setItemText(IDC_OutDirEdit, *chosen);
}

void TSetAutoPar2Form::FileNameDirButtonClick(int row) {
  if (row < 1 || row > kFolderSlots) return;
  const int edit = rowEdit(static_cast<size_t>(row - 1));
  if (std::optional<std::string> chosen = chooseFolder(itemText(edit))) setItemText(edit, *chosen);
}

void TSetAutoPar2Form::ButtonPaperMargClick() { paperMargForm_.showModal(hwnd()); }

void TSetAutoPar2Form::ButtonOKClick() {
  if (!storeRows(tabIndex_)) return;  // stored whatever follows
  const std::string viewer = itemText(IDC_MarliskExeEdit);
  if (!fileExistsOrSay(viewer)) return;
  const std::string batchFile = itemText(IDC_EditOutListFileName);
  if (!batchFile.empty() && !fileExistsOrSay(batchFile)) return;  // none at all: standby only
  std::string outputFolder;
  if (!outputFolderExistsOrSay(outputFolder)) return;
  if (std::optional<std::string> message = validateDrawingFolders(app_.settings, app_.fileSystem)) {
    showRows(tabIndex_);  // with the backslashes the check added
    return ShowWarning(*message);
  }
  showRows(tabIndex_);
  const std::string mask = itemText(IDC_sFileNameEdit);
  std::vector<std::string> texts = {viewer, batchFile, mask, outputFolder};
  for (const FolderRows* rows : {&app_.settings.DrawingFolders, &app_.settings.DrawingOutFolders})
    texts.insert(texts.end(), rows->begin(), rows->end());
  if (!storableOrSay(texts)) return;

  Settings& s = app_.settings;
  s.ViewerExePath = viewer;
  s.BatchFileName = batchFile;
  s.WatchFileMask = mask;
  s.OutputFolder = outputFolder;
  s.WaitSeconds = waitSeconds();
  close(IDOK);
}

bool TSetAutoPar2Form::onCommand(int id, int code, HWND) {
  if (onSharedCommand(id, code)) return true;
  if (code != BN_CLICKED) return false;
  if (id >= IDC_FileNameDirButton1 && id < IDC_FileNameDirButton1 + kFolderSlots) {
    FileNameDirButtonClick(id - IDC_FileNameDirButton1 + 1);
    return true;
  }
  switch (id) {
    case IDOK:
    case IDC_ButtonOK: ButtonOKClick(); return true;
    case IDC_Button1: Button1Click(); return true;
    case IDC_Button2: Button2Click(); return true;
    case IDC_OutDirButton: OutDirButtonClick(); return true;
    case IDC_ButtonPaperMarg: ButtonPaperMargClick(); return true;
    default: return false;
  }
}

INT_PTR TSetAutoPar2Form::onMessage(UINT message, WPARAM, LPARAM lParam, bool& handled) {
  const int tab = message == WM_NOTIFY ? changedTab(reinterpret_cast<const NMHDR*>(lParam), IDC_TabControl1) : -1;
  if (tab < 0) return 0;
  TabControl1Change(tab);
  handled = true;
  return 0;
}

}  // namespace marlisk::win
