// TRunSettingsForm ("運転設定"): how standby runs when nobody watches. The values are kept in
// MarliskAuto.ini, apart from the parameter file; "ログオン時に待機出力で起動する" is the
// shortcut in the user's Startup folder, shown as it is found.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/ThisComputer.h"
#include "win/Handles.h"
#include "dialogs/FolderOpenForm.h"
#include "dialogs/WatchRowForm.h"
#include "win/Dialog.h"

namespace marlisk::win {

class TRunSettingsForm final : public Dialog {
 public:
  TRunSettingsForm(AppContext& app, TFolderOpenForm& folderOpenForm);
  // A put-back still under way is waited for (what it sends the window is still done).
  ~TRunSettingsForm() override;
  TRunSettingsForm(const TRunSettingsForm&) = delete;
  TRunSettingsForm& operator=(const TRunSettingsForm&) = delete;

  // The handlers, callable directly for tests. OK checks every field (a number out of range,
  // a folder that cannot be made), stores and saves; false when a check refused.
  bool ButtonOKClick();
  void ButtonFolderClick(int editId);
  // 「この端末の変換中ファイルを戻す」: the chosen station's claimed files back into the watch
  // folder, after a confirmation, and only when the file server no longer holds that station.
  // The moves, the run log and the stations' cards are read on a thread of their own (a file
  // server may be slow or gone): the dialog answers meanwhile, its button off until it is done.
  void ButtonPutBackClick();
  bool puttingBack() const { return puttingBack_; }
  // The further watch folders' list and its buttons; the dialog a row is edited in.
  void ButtonFolderAddClick();
  void ButtonFolderEditClick();
  void ButtonFolderDeleteClick();
  TWatchRowForm& watchRowForm() { return rowForm_; }
  // 「エラーフォルダのファイルを戻す」: through the running standby when there is one (which
  // answers true), else here on a thread of its own, as the put-back.
  void ButtonSendBackClick();
  std::function<bool()> sendBackToRun;

 protected:
  void onInitDialog() override;
  bool onCommand(int id, int code, HWND control) override;

 private:
  void enableFields();
  // The stations as their cards are now (`read`), or as stations_ already holds them.
  void showStations(bool read = true);
  // On the dialog's thread, once the put-back's file work is done.
  void putBackDone(const std::string& station, const PutBack& result, std::vector<StationState> stations,
                   const std::string& logFailure);
  static DWORD WINAPI putBackMain(void* self);
  void waitForPutBack();
  std::string ownStationName() const;
  void initFolders();
  void showFolders();
  // The watch folders' fields into `s`; false (and said) when one is refused.
  bool readFolders(RunSettings& s);

  AppContext& app_;
  TFolderOpenForm& folderOpenForm_;
  std::vector<StationState> stations_;  // as the list shows them
  bool puttingBack_ = false;            // the dialog's thread's
  UniqueHandle putBackThread_;
  std::function<void()> putBackWork_;  // set before the thread starts, run on it
  std::vector<FolderRow> folders_;     // the rows as the list shows them
  TWatchRowForm rowForm_;
};

}  // namespace marlisk::win
