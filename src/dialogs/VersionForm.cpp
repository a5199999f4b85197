#include "dialogs/VersionForm.h"

#include "app/core/ProjectInfo.h"
#include "help/core/HelpTopics.h"
#include "res/resource.h"
#include "settings/core/Settings.h"

namespace marlisk::win {

TVersionForm::TVersionForm() : Dialog(IDD_VERSION, {kVersionTopic.number, controlPopup}) {}

void TVersionForm::onInitDialog() {
  setItemText(IDC_VersionText, kVersionText);
  setItemText(IDC_VersionNotice, std::string(kNoticeText).substr(2));
  setItemText(IDC_VersionWeb, kWebAddress);
  setItemText(IDC_VersionMail, kMailAddress);
  web_.setLink(kWebAddress);
  mail_.setLink(kMailAddress);
  mail_.setURLType(TURLType::tpMAIL);
  web_.attach(item(IDC_VersionWeb));
  mail_.attach(item(IDC_VersionMail));
}

bool TVersionForm::onCommand(int id, int, HWND) {
  if (id != IDOK && id != IDCANCEL) return false;
  close(id);
  return true;
}

}  // namespace marlisk::win
