#include "dialogs/WatchRowForm.h"

#include <windows.h>

#include "app/core/OutputTypes.h"
#include "core/Messages.h"
#include "help/core/HelpTopics.h"
#include "res/resource.h"
#include "win/HelpHook.h"
#include "win/Strings.h"
#include "win/Warning.h"

namespace marlisk::win {

namespace {

void fill(HWND combo, std::initializer_list<const char*> items, int chosen) {
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (const char* text : items) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(text).c_str()));
  SendMessageW(combo, CB_SETCURSEL, chosen, 0);
}

int chosen(HWND combo) { return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

}  // namespace

const char* subfoldersText(Subfolders subfolders) {
  switch (subfolders) {
    case Subfolders::No: return "しない";
    case Subfolders::Yes: return "する";
    case Subfolders::Mirrored: return "する（出力にも同じフォルダを作る）";
  }
  return "";
}

TWatchRowForm::TWatchRowForm(TFolderOpenForm& folderOpenForm)
    : Dialog(IDD_WATCHROW, {kRunSettingsTopic.number, controlPopup}), folderOpenForm_(folderOpenForm) {}

void TWatchRowForm::onInitDialog() {
  setItemText(IDC_EditRowWatch, row.Watch);
  setItemText(IDC_EditRowMask, row.Mask);
  setItemText(IDC_EditRowOutput, row.Output);
  fill(item(IDC_ComboRowTab), {"出力１", "出力２"}, row.Tab - 1);
  fill(item(IDC_ComboRowSubfolders),
       {subfoldersText(Subfolders::No), subfoldersText(Subfolders::Yes), subfoldersText(Subfolders::Mirrored)},
       static_cast<int>(row.subfolders));
  selectTab(row.Tab);
}

void TWatchRowForm::selectTab(int32_t tab) {
  SendMessageW(item(IDC_ComboRowTab), CB_SETCURSEL, tab - 1, 0);
  HWND types = item(IDC_ComboRowType);
  const int previous = chosen(types);
  SendMessageW(types, CB_RESETCONTENT, 0, 0);
  for (const OutputType& type : outputTypes(tab == 2 ? OutputTab::Output2 : OutputTab::Output1))
    SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(type.item).c_str()));
  const int count = static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0));
  const int want = previous >= 0 ? previous : row.Type;
  SendMessageW(types, CB_SETCURSEL, want < count ? want : 0, 0);
}

void TWatchRowForm::browse(int editId) {
  folderOpenForm_.SelectedFolder = itemText(editId);
  if (folderOpenForm_.showModal(hwnd()) == IDOK) setItemText(editId, folderOpenForm_.SelectedFolder);
}

bool TWatchRowForm::ButtonOKClick() {
  FolderRow edited = row;
  edited.damaged.clear();
  const std::string watch = itemText(IDC_EditRowWatch), output = itemText(IDC_EditRowOutput);
  if (watch.empty() || output.empty()) {
    ShowWarning(kRowNeedsFoldersMessage);
    SetFocus(item(watch.empty() ? IDC_EditRowWatch : IDC_EditRowOutput));
    return false;
  }
  readFolderRowKey(edited, "Watch", watch);
  readFolderRowKey(edited, "Output", output);
  readFolderRowKey(edited, "Mask", itemText(IDC_EditRowMask));
  if (!edited.damaged.empty()) {
    ShowWarning(kRowMaskMessage);
    SetFocus(item(IDC_EditRowMask));
    return false;
  }
  edited.Tab = chosen(item(IDC_ComboRowTab)) + 1;
  edited.Type = chosen(item(IDC_ComboRowType));
  edited.subfolders = static_cast<Subfolders>(chosen(item(IDC_ComboRowSubfolders)));
  row = edited;
  close(IDOK);
  return true;
}

bool TWatchRowForm::onCommand(int id, int code, HWND) {
  if (id == IDC_ComboRowTab && code == CBN_SELCHANGE) {
    SendMessageW(item(IDC_ComboRowType), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    selectTab(chosen(item(IDC_ComboRowTab)) + 1);
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDOK: ButtonOKClick(); return true;
    case IDCANCEL: close(IDCANCEL); return true;
    case IDC_ButtonRowWatch: browse(IDC_EditRowWatch); return true;
    case IDC_ButtonRowOutput: browse(IDC_EditRowOutput); return true;
    default: return false;
  }
}

}  // namespace marlisk::win
