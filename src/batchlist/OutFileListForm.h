// TFormOutFileList: the batch list editor. The user browses the shell, gathers input files in
// a list, and writes it to the batch list file; "バッチファイル出力開始" then starts batch output.
// The form object lives for the whole run, so the list, the filter, the view style and the
// tree folder are the same at the next showing.
#pragma once

#include <string>
#include <vector>

#include "app/AppContext.h"
#include "shellview/ComboView.h"
#include "shellview/FileView.h"
#include "shellview/FolderView.h"
#include "shellview/ShellActions.h"
#include "win/Dialog.h"
#include "win/Error.h"

namespace marlisk::win {

class TFormOutFileList final : public Dialog {
 public:
  explicit TFormOutFileList(AppContext& app);

  // The chosen input files, top to bottom.
  const std::vector<std::string>& Files() const { return files_; }

  // Writes the list to the batch list file; on failure offers another name. 0 when written,
  // else the last error (the user gave up).
  Win32Error WriteOutListFile();

  // The ways of adding (see the handlers), callable directly for tests.
  void ButtonFileSelectClick();
  void FileView1DblClick();
  void SelectFilenameEnter();
  void ButtonAllFileClearClick();
  void ListBox1DeleteSelected();
  void BitBtn1Click();
  void ButtonOutStartClick();
  void ButtonOutListOKClick();
  TFolderView& FolderView1() { return folderView_; }
  TFileView& FileView1() { return fileView_; }

  // Replaces the file chooser shown after a failed write; it returns the chosen name, or ""
  // for cancel.
  std::function<std::string()> chooseOtherFile;

 protected:
  void onInitDialog() override;
  bool onCommand(int id, int code, HWND control) override;
  INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  static constexpr UINT kReselectMessage = WM_USER + 11;  // 1035
  // The form is laid out for this client size in pixels at 96 DPI.
  static constexpr int kClientWidth = 815;
  static constexpr int kClientHeight = 417;

  // Classifies a file and adds it; false (and a message) for a type that is not registered or
  // a name the code page cannot hold.
  bool addFile(const std::string& path);
  // A shortcut is followed; a folder moves the tree (true), a file is added.
  bool addOrOpen(const std::string& path);
  void showFiles();
  void fitListWidth();
  void applyFilter();
  void applyViewStyle();
  std::string openDialogChoice();

  AppContext& app_;
  TFolderView folderView_;
  TFileView fileView_;
  TComboView comboView_;
  TContextMenuEx contextMenu_;
  TDropSourceEx dropSource_;
  std::vector<std::string> files_;
  int filterIndex_ = 0;
  std::string selectFilename_ = ".hgl";  // the name field, kept between showings
  int viewStyleIndex_ = 1;               // "一覧"
  std::string lastTreeFolder_;
  std::vector<std::string> filterMasks_;
};

}  // namespace marlisk::win
