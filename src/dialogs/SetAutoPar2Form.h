// TSetAutoPar2Form: the settings of output 2, where PDF drawings come from up to five drawing
// folders, each converted into an output folder of its own. One set of five rows shows the
// drawing folders on one tab and the output folders on the other; a tab switch stores the
// rows it leaves. OK checks and stores the rest; the paper margins have their own dialog.
#pragma once

#include "dialogs/SetPaperMargForm.h"
#include "dialogs/SettingsForm.h"

namespace marlisk::win {

class TSetAutoPar2Form final : public SettingsForm {
 public:
  TSetAutoPar2Form(AppContext& app, TFolderOpenForm& folderOpenForm, TSetPaperMargForm& paperMargForm);

  // The handlers, callable directly for tests.
  void ButtonOKClick();
  void Button1Click();  // batch file
  void Button2Click();  // viewer program
  void OutDirButtonClick();
  void FileNameDirButtonClick(int row);  // rows 1..5
  void ButtonPaperMargClick();
  void TabControl1Change(int index);  // selects tab `index`, as a click on it does

 protected:
  void onInitDialog() override;
  bool onCommand(int id, int code, HWND control) override;
  INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  using FolderRows = std::array<std::string, kFolderSlots>;
  FolderRows& rowsOf(int tab);
  void showRows(int tab);
  bool storeRows(int tab);
  void showExample(int tab, int prefixId);

  TSetPaperMargForm& paperMargForm_;
  int tabIndex_ = 0;  // the tab control's own index, which outlives a showing
};

}  // namespace marlisk::win
