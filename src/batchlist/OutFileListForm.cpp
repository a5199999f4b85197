#include "batchlist/OutFileListForm.h"

#include <commctrl.h>

#include <algorithm>

#include "core/Path.h"
#include "batchlist/core/BatchList.h"
#include "batchlist/FileHelpers.h"
#include "dialogs/OpenDialog.h"
#include "help/core/HelpTopics.h"
#include "settings/core/SettingsRules.h"
#include "res/resource.h"
#include "settings/core/ExtensionList.h"
#include "win/AtomicFileWriter.h"
#include "win/Controls.h"
#include "win/HelpHook.h"
#include "win/Tooltip.h"
#include "win/Guard.h"

namespace marlisk::win {

namespace {

constexpr UINT_PTR kListSubclass = 0x6c62;  // "lb"

// The Delete key removes the chosen entries; Ctrl+A chooses them all.
LRESULT CALLBACK listProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR form) {
  return guarded<LRESULT>(0, [&]() -> LRESULT {
    if (message == WM_KEYDOWN && wParam == VK_DELETE) {
      reinterpret_cast<TFormOutFileList*>(form)->ListBox1DeleteSelected();
      return 0;
    }
    if (message == WM_KEYDOWN && wParam == 'A' && GetKeyState(VK_CONTROL) < 0) {
      SendMessageW(window, LB_SETSEL, TRUE, -1);
      return 0;
    }
    return DefSubclassProc(window, message, wParam, lParam);
  });
}

}  // namespace

TFormOutFileList::TFormOutFileList(AppContext& app) : Dialog(IDD_OUTFILELIST, {kBatchListTopic.number, controlPopup}), app_(app) {}

void TFormOutFileList::onInitDialog() {
  setProgramIcon(hwnd(), IDI_MARLISKAUTO);
  fitClientToPixels(hwnd(), kClientWidth, kClientHeight);
  setUpFolderButton(hwnd(), item(IDC_BitBtn1), IDI_UPARROW, IDS_HintUpFolder);
  addTooltip(hwnd(), item(IDC_ButtonAllFileClear), resourceString(IDS_HintClearAll));
  SetWindowSubclass(item(IDC_ListBox1Files), listProc, kListSubclass, reinterpret_cast<DWORD_PTR>(this));

  fileView_.FileExecute = false;
  folderView_.ContextMenu = fileView_.ContextMenu = &contextMenu_;
  folderView_.DropSource = fileView_.DropSource = &dropSource_;
  fileView_.OnDblClick = [this] { FileView1DblClick(); };
  comboView_.attach(item(IDC_ComboView1), reflector());
  fileView_.attach(item(IDC_FileView1), reflector());
  folderView_.attach(item(IDC_FolderView1), reflector());
  fileView_.link(folderView_);
  comboView_.link(folderView_);
  folderView_.OnChange = [this] {
    lastTreeFolder_ = folderView_.GetSelectedPath();
    // The shell may move a first selection under the documents folders to its library view:
    // select it again once the tree has settled.
    if (needsReselection(lastTreeFolder_, specialFolderPath(kPersonalFolder),
                         specialFolderPath(kCommonDocumentsFolder)))
      PostMessageW(hwnd(), kReselectMessage, 0, 0);
  };

  for (int style = IDS_ViewDetails; style <= IDS_ViewLargeIcons; ++style)
    SendDlgItemMessageW(hwnd(), IDC_ComboBox1, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(widen(resourceString(style)).c_str()));
  SendDlgItemMessageW(hwnd(), IDC_ComboBox1, CB_SETCURSEL, viewStyleIndex_, 0);

  // The file-type filter from the extension lists: caption|mask pairs.
  filterMasks_.clear();
  const std::string filter = fileTypeFilter(app_.settings);
  for (size_t start = 0; start < filter.size();) {
    const size_t bar = filter.find('|', start);
    if (bar == std::string::npos) break;
    size_t next = filter.find('|', bar + 1);
    if (next == std::string::npos) next = filter.size();
    SendDlgItemMessageW(hwnd(), IDC_FilterComboBox1, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(widen(filter.substr(start, bar - start)).c_str()));
    filterMasks_.push_back(filter.substr(bar + 1, next - bar - 1));
    start = next + 1;
  }
  filterIndex_ = std::clamp(filterIndex_, 0, static_cast<int>(filterMasks_.size()) - 1);
  SendDlgItemMessageW(hwnd(), IDC_FilterComboBox1, CB_SETCURSEL, filterIndex_, 0);
  applyFilter();

  folderView_.SelectPath(editorStartFolder(app_.settings.BatchFileName, app_.settings.WorkFolder));
  applyViewStyle();
  setItemText(IDC_SelectFilename, selectFilename_);
  showFiles();
}

void TFormOutFileList::applyFilter() {
  if (filterIndex_ < 0 || filterIndex_ >= static_cast<int>(filterMasks_.size())) return;
  fileView_.Mask = filterMaskItems(filterMasks_[static_cast<size_t>(filterIndex_)]);
  fileView_.Fill();
}

void TFormOutFileList::applyViewStyle() {
  static constexpr DWORD kViews[] = {LV_VIEW_DETAILS, LV_VIEW_LIST, LV_VIEW_SMALLICON, LV_VIEW_ICON};
  fileView_.SetViewStyle(kViews[static_cast<int>(fileViewStyleFor(viewStyleIndex_))]);
}

void TFormOutFileList::showFiles() {
  SendDlgItemMessageW(hwnd(), IDC_ListBox1Files, LB_RESETCONTENT, 0, 0);
  for (const std::string& file : files_)
    SendDlgItemMessageW(hwnd(), IDC_ListBox1Files, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(file).c_str()));
  fitListWidth();
}

void TFormOutFileList::fitListWidth() { fitHorizontalExtent(item(IDC_ListBox1Files)); }

bool TFormOutFileList::addFile(const std::string& path) {
  if (fileTypeOf(app_.settings, fileNamePart(path)) == kFileTypeUnregistered) {
    ShowWarning(unregisteredFileTypeMessage(fileNamePart(path)));
    return false;
  }
  if (!app_.codec.toAnsi(path)) {
    ShowWarning(unlistableNameMessage(path));
    return false;
  }
  files_.push_back(path);
  SendDlgItemMessageW(hwnd(), IDC_ListBox1Files, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(path).c_str()));
  fitListWidth();
  return true;
}

bool TFormOutFileList::addOrOpen(const std::string& path) {
  const std::string target = resolveShortcut(path);
  if (app_.fileSystem.folderExists(target)) {
    folderView_.SelectPath(target);
    return true;
  }
  if (addFile(target)) setItemText(IDC_SelectFilename, target);
  return false;
}

// Each selected item by its full path: the caption alone may lack the extension, which
// Windows hides for known types.
void TFormOutFileList::ButtonFileSelectClick() {
  for (const std::string& path : fileView_.SelectedPaths()) {
    if (!app_.fileSystem.fileExists(path)) continue;
    if (addOrOpen(path)) break;
  }
}

void TFormOutFileList::FileView1DblClick() {
  const std::string path = fileView_.FocusedPath();
  if (app_.fileSystem.fileExists(path)) addOrOpen(path);
}

void TFormOutFileList::SelectFilenameEnter() {
  const std::string typed = itemText(IDC_SelectFilename);
  if (app_.fileSystem.fileExists(typed)) addFile(typed);
}

void TFormOutFileList::ButtonAllFileClearClick() {
  files_.clear();
  showFiles();
}

void TFormOutFileList::ListBox1DeleteSelected() {
  HWND list = item(IDC_ListBox1Files);
  for (int i = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)) - 1; i >= 0; --i) {
    if (SendMessageW(list, LB_GETSEL, i, 0) <= 0) continue;
    SendMessageW(list, LB_DELETESTRING, i, 0);
    files_.erase(files_.begin() + i);
  }
  fitListWidth();
}

void TFormOutFileList::BitBtn1Click() { folderView_.SelectParentFolder(); }

std::string TFormOutFileList::openDialogChoice() {
  TOpenDialog dialog;
  dialog.Filter = resourceString(IDS_FilterEditorList);
  return dialog.Execute(hwnd()) ? dialog.FileName : std::string();
}

Win32Error TFormOutFileList::WriteOutListFile() {
  for (;;) {
    const std::optional<std::string> bytes = batchListBytes(files_, app_.codec);
    const std::string& name = app_.settings.BatchFileName;
    // Written whole or not at all: a list cut short would convert less than the user chose.
    const Win32Error error = !bytes         ? Win32Error(ERROR_NO_UNICODE_TRANSLATION)
                             : name.empty() ? Win32Error(ERROR_INVALID_NAME)
                                            : writeFileAtomically(name, *bytes);
    if (!error.failed()) return error;
    ShowWarning(cannotCreateBatchListMessage(name));
    std::string other;
    do {
      other = chooseOtherFile ? chooseOtherFile() : openDialogChoice();
      if (other.empty()) return error;
    } while (!storableOrSay(other, app_.codec, ShowWarning));  // the name is kept in the settings
    app_.settings.BatchFileName = other;
  }
}

void TFormOutFileList::ButtonOutStartClick() { close(WriteOutListFile().failed() ? IDCANCEL : IDOK); }

void TFormOutFileList::ButtonOutListOKClick() {
  WriteOutListFile();
  close(IDCANCEL);
}

bool TFormOutFileList::onCommand(int id, int code, HWND) {
  switch (id) {
    case IDC_ButtonFileSelect: ButtonFileSelectClick(); return true;
    case IDC_ButtonAllFileClear: ButtonAllFileClearClick(); return true;
    case IDC_BitBtn1: BitBtn1Click(); return true;
    case IDC_ButtonOutListOK: ButtonOutListOKClick(); return true;
    case IDC_ButtonHelpList: showHelpTopic(); return true;
    case IDC_ButtonCancel:
    case IDCANCEL: close(IDCANCEL); return true;
    case IDC_ButtonOutStart:
    case IDOK:
      // Enter in the name field adds the typed file; everywhere else it starts the output.
      if (GetFocus() == item(IDC_SelectFilename))
        SelectFilenameEnter();
      else
        ButtonOutStartClick();
      return true;
    case IDC_ComboBox1:
      if (code != CBN_SELCHANGE) return false;
      viewStyleIndex_ = static_cast<int>(SendDlgItemMessageW(hwnd(), IDC_ComboBox1, CB_GETCURSEL, 0, 0));
      applyViewStyle();
      return true;
    case IDC_FilterComboBox1:
      if (code != CBN_SELCHANGE) return false;
      filterIndex_ = static_cast<int>(SendDlgItemMessageW(hwnd(), IDC_FilterComboBox1, CB_GETCURSEL, 0, 0));
      applyFilter();
      return true;
    default: return false;
  }
}

INT_PTR TFormOutFileList::onMessage(UINT message, WPARAM, LPARAM, bool& handled) {
  // While the field is still there: the next showing starts with what it held.
  if (message == WM_DESTROY) selectFilename_ = itemText(IDC_SelectFilename);
  if (message != kReselectMessage) return 0;
  handled = true;
  folderView_.SelectPath(lastTreeFolder_);
  return 0;
}

}  // namespace marlisk::win
