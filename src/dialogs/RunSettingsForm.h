// TRunSettingsForm ("運転設定"): how standby runs when nobody watches. The values are kept in
// MarliskAuto.ini, apart from the parameter file; "ログオン時に待機出力で起動する" is the
// shortcut in the user's Startup folder, shown as it is found.
#pragma once

#include "app/AppContext.h"
#include "app/Station.h"
#include "dialogs/FolderOpenForm.h"
#include "win/Dialog.h"

namespace marlisk::win {

class TRunSettingsForm final : public Dialog {
 public:
  TRunSettingsForm(AppContext& app, TFolderOpenForm& folderOpenForm);

  // The handlers, callable directly for tests. OK checks every field (a number out of range,
  // a folder that cannot be made), stores and saves; false when a check refused.
  bool ButtonOKClick();
  void ButtonFolderClick(int editId);
  // 「この端末の変換中ファイルを戻す」: the chosen station's claimed files back into the watch
  // folder, after a confirmation, and only when the file server no longer holds that station.
  void ButtonPutBackClick();

 protected:
  void onInitDialog() override;
  bool onCommand(int id, int code, HWND control) override;

 private:
  void enableFields();
  void showStations();
  std::string ownStationName() const;

  AppContext& app_;
  TFolderOpenForm& folderOpenForm_;
  std::vector<StationState> stations_;  // as the list shows them
};

}  // namespace marlisk::win
