#include "dialogs/VersionForm.h"

#include "app/MarliskMForm.h"
#include "res/resource.h"
#include "settings/Settings.h"

namespace marlisk::win {

TVersionForm::TVersionForm() : Dialog(IDD_VERSION) {}

void TVersionForm::onInitDialog() {
  setItemText(IDC_VersionText, kVersionText);
  setItemText(IDC_VersionNotice, std::string(kNoticeText).substr(2));
}

bool TVersionForm::onCommand(int id, int, HWND) {
  if (id != IDOK && id != IDCANCEL) return false;
  close(id);
  return true;
}

}  // namespace marlisk::win
