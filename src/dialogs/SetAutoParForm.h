// TSetAutoParForm: the settings of output 1, where one watch folder feeds many output types.
// It edits the viewer's path, the batch file, the watch pattern, the output folder, the wait
// of standby output and the eight extension lists; OK checks them and stores them in the
// settings model (saving the parameter file is the caller's business).
#pragma once

#include "dialogs/SettingsForm.h"

namespace marlisk::win {

class TSetAutoParForm final : public SettingsForm {
 public:
  TSetAutoParForm(AppContext& app, TFolderOpenForm& folderOpenForm);

  // The handlers, callable directly for tests.
  void ButtonOKClick();
  void Button1Click();  // batch file
  void Button2Click();  // viewer program
  void Button3Click();  // output folder
  void Button4Click();  // watch folder
  void EditDblClick(int editId);
  bool EditOutListFileNameExit();

 protected:
  void onInitDialog() override;
  bool onCommand(int id, int code, HWND control) override;
  INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  // Creates the named batch file empty; 0, or the error after telling the user.
  Win32Error createEmptyBatchFile(const std::string& name);
};

}  // namespace marlisk::win
