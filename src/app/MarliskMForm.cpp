#include "app/MarliskMForm.h"

#include "res/resource.h"

namespace marlisk::win {

TMarliskMForm::TMarliskMForm() : Dialog(IDD_MAIN) {}

void TMarliskMForm::onInitDialog() {
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MARLISKAUTO));
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

bool TMarliskMForm::onCommand(int id, int /*code*/, HWND /*control*/) {
  if (id == IDC_BUTTON_OK || id == IDCANCEL) {
    ButtonOKClick();
    return true;
  }
  return false;
}

INT_PTR TMarliskMForm::onMessage(UINT message, WPARAM, LPARAM, bool& handled) {
  handled = message == WM_CLOSE;
  if (handled) ButtonOKClick();
  return 0;
}

void TMarliskMForm::ButtonOKClick() { close(IDOK); }

// Closing the main window ends the program.
void TMarliskMForm::onDestroy() { PostQuitMessage(0); }

}  // namespace marlisk::win
