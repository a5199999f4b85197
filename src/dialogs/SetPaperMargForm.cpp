#include "dialogs/SetPaperMargForm.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "core/Numbers.h"
#include "help/core/HelpTopics.h"
#include "res/resource.h"
#include "win/Controls.h"
#include "win/HelpHook.h"
#include "win/Strings.h"

namespace marlisk::win {

namespace {

constexpr int kMaxMargin = 100;

struct MarginField {
  int edit;
  int spin;
  std::array<int32_t, kFolderSlots> Settings::*values;
};
constexpr MarginField kMargins[] = {
    {IDC_EditPaperMergLeft, IDC_SpinPaperMergLeft, &Settings::MarginLeft},
    {IDC_EditPaperMergUp, IDC_SpinPaperMergUp, &Settings::MarginTop},
    {IDC_EditPaperMergRight, IDC_SpinPaperMergRight, &Settings::MarginRight},
    {IDC_EditPaperMergDown, IDC_SpinPaperMergDown, &Settings::MarginBottom},
};

// The controls that follow the mode: everything but the mode group and the buttons.
constexpr int kModeControls[] = {
    IDC_TabControl1,       IDC_MarginGroup,       IDC_EditPaperMergLeft, IDC_EditPaperMergUp,    IDC_EditPaperMergRight,
    IDC_EditPaperMergDown, IDC_SpinPaperMergLeft, IDC_SpinPaperMergUp,   IDC_SpinPaperMergRight, IDC_SpinPaperMergDown,
    IDC_HOutPosRadioGroup, IDC_HOutPosRadio0,     IDC_HOutPosRadio0 + 1, IDC_HOutPosRadio0 + 2,  IDC_VOutPosRadioGroup,
    IDC_VOutPosRadio0,     IDC_VOutPosRadio0 + 1, IDC_VOutPosRadio0 + 2,
};

void checkRadio(HWND dialog, int first, int count, int chosen) {
  CheckRadioButton(dialog, first, first + count - 1, first + std::clamp(chosen, 0, count - 1));
}

int checkedRadio(HWND dialog, int first, int count) {
  for (int i = 0; i < count; ++i)
    if (IsDlgButtonChecked(dialog, first + i) == BST_CHECKED) return i;
  return 0;
}

}  // namespace

TSetPaperMargForm::TSetPaperMargForm(AppContext& app) : Dialog(IDD_SETPAPERMARG, {kPaperMarginTopic.number, controlPopup}), app_(app) {}

void TSetPaperMargForm::onInitDialog() {
  setProgramIcon(hwnd(), IDI_MARLISKAUTO);
  HWND tabs = item(IDC_TabControl1);
  addTabs(tabs, {"No.1", "No.2", "No.3", "No.4", "No.5"});
  for (const MarginField& field : kMargins) SendDlgItemMessageW(hwnd(), field.spin, UDM_SETRANGE32, 0, kMaxMargin);
  TabCtrl_SetCurSel(tabs, tabIndex_);
  placeUnderItsPage(tabs, item(IDC_VOutPosRadio0 + 2));
  showTab(tabIndex_);
  currentMarginTab_ = tabIndex_;
  checkRadio(hwnd(), IDC_RadioGroup1Item0, 2, app_.settings.PaperSettingMode);
  enableForMode();
}

void TSetPaperMargForm::showTab(int index) {
  const Settings& s = app_.settings;
  const auto slot = static_cast<size_t>(index);
  checkRadio(hwnd(), IDC_HOutPosRadio0, 3, s.HDrawPos[slot]);
  checkRadio(hwnd(), IDC_VOutPosRadio0, 3, s.VDrawPos[slot]);
  for (const MarginField& field : kMargins)
    SendDlgItemMessageW(hwnd(), field.spin, UDM_SETPOS32, 0, std::clamp((s.*field.values)[slot], 0, kMaxMargin));
}

void TSetPaperMargForm::storeTab(int index) {
  Settings& s = app_.settings;
  const auto slot = static_cast<size_t>(index);
  s.HDrawPos[slot] = static_cast<uint8_t>(checkedRadio(hwnd(), IDC_HOutPosRadio0, 3));
  s.VDrawPos[slot] = static_cast<uint8_t>(checkedRadio(hwnd(), IDC_VOutPosRadio0, 3));
  for (const MarginField& field : kMargins)
    (s.*field.values)[slot] = std::clamp(parseInt32(itemText(field.edit)).value_or(0), 0, kMaxMargin);
}

void TSetPaperMargForm::enableForMode() {
  const bool on = app_.settings.PaperSettingMode == 1;
  for (int id : kModeControls) EnableWindow(item(id), on);
}

void TSetPaperMargForm::TabControl1Change(int index) {
  if (index < 0 || index >= kFolderSlots) return;
  TabCtrl_SetCurSel(item(IDC_TabControl1), index);
  storeTab(currentMarginTab_);
  currentMarginTab_ = tabIndex_ = index;
  showTab(index);
}

void TSetPaperMargForm::RadioGroup1Click(int mode) {
  checkRadio(hwnd(), IDC_RadioGroup1Item0, 2, mode);
  app_.settings.PaperSettingMode = static_cast<uint8_t>(mode);
  enableForMode();
}

void TSetPaperMargForm::ButtonOKClick() {
  storeTab(currentMarginTab_);
  close(IDOK);
}

bool TSetPaperMargForm::onCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDOK:
    case IDC_ButtonOK: ButtonOKClick(); return true;
    case IDCANCEL: close(IDCANCEL); return true;
    case IDC_ButtonHelp: showHelpTopic(); return true;
    case IDC_RadioGroup1Item0:
    case IDC_RadioGroup1Item0 + 1: RadioGroup1Click(id - IDC_RadioGroup1Item0); return true;
    default: return false;
  }
}

INT_PTR TSetPaperMargForm::onMessage(UINT message, WPARAM, LPARAM lParam, bool& handled) {
  const int tab = message == WM_NOTIFY ? changedTab(reinterpret_cast<const NMHDR*>(lParam), IDC_TabControl1) : -1;
  if (tab < 0) return 0;
  TabControl1Change(tab);
  handled = true;
  return 0;
}

}  // namespace marlisk::win
