// 運転設定's watch folders: the parameter file's row's subfolders, the further rows (追加 /
// 編集 / 削除), the drawing folders, the time window, the command after each file, and the
// error folders sent back.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "app/RunLog.h"
#include "app/core/FileMoves.h"
#include "app/core/OutputTypes.h"
#include "app/core/WatchRows.h"
#include "core/Messages.h"
#include "dialogs/RunSettingsForm.h"
#include "res/resource.h"
#include "win/Controls.h"
#include "win/Strings.h"
#include "win/Warning.h"
#include "win/WindowCall.h"

namespace marlisk::win {

namespace {

std::string typeText(const FolderRow& row) {
  const OutputType* type = outputTypeAt(row.Tab == 2 ? OutputTab::Output2 : OutputTab::Output1, row.Type);
  return std::string(row.Tab == 2 ? "出力２ " : "出力１ ") + (type ? type->item : "?");
}

}  // namespace

void TRunSettingsForm::initFolders() {
  const RunSettings& s = app_.runSettings;
  HWND combo = item(IDC_ComboFolder1Subfolders);
  for (const Subfolders value : {Subfolders::No, Subfolders::Yes, Subfolders::Mirrored})
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(subfoldersText(value)).c_str()));
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(s.Folder1Subfolders), 0);
  HWND list = item(IDC_ListFolders);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  const wchar_t* columns[] = {L"行", L"監視フォルダ", L"パターン", L"出力", L"出力フォルダ", L"サブフォルダ"};
  const int widths[] = {48, 120, 40, 60, 120, 110};  // dialog units
  for (int i = 0; i < 6; ++i) {
    LVCOLUMNW column{LVCF_TEXT | LVCF_SUBITEM | LVCF_WIDTH};
    column.pszText = const_cast<wchar_t*>(columns[i]);
    column.iSubItem = i;
    RECT width{0, 0, widths[i], 0};
    MapDialogRect(hwnd(), &width);
    column.cx = width.right;
    ListView_InsertColumn(list, i, &column);
  }
  folders_ = s.Folders;
  showFolders();
  setItemText(IDC_EditTimeWindow, s.TimeWindow);
  setItemText(IDC_EditAfterCommand, s.AfterCommand);
}

void TRunSettingsForm::showFolders() {
  std::vector<std::vector<std::string>> rows;
  // A damaged row is shown as such: kept as it was written until it is edited or removed.
  for (const FolderRow& row : folders_)
    rows.push_back({folderSection(row.number), row.damaged.empty() ? row.Watch : "(読めない行)", row.Mask,
                    typeText(row), row.Output, subfoldersText(row.subfolders)});
  setReportRows(item(IDC_ListFolders), rows);
}

void TRunSettingsForm::ButtonFolderAddClick() {
  int32_t number = 2;
  while (number <= kMostFolderRows &&
         std::any_of(folders_.begin(), folders_.end(), [&](const FolderRow& row) { return row.number == number; }))
    ++number;
  if (number > kMostFolderRows) {
    ShowWarning(kTooManyRowsMessage);
    return;
  }
  FolderRow row;
  row.number = number;
  rowForm_.row = row;
  if (rowForm_.showModal(hwnd()) != IDOK) return;
  folders_.push_back(rowForm_.row);
  showFolders();
}

void TRunSettingsForm::ButtonFolderEditClick() {
  const int chosen = ListView_GetNextItem(item(IDC_ListFolders), -1, LVNI_SELECTED);
  if (chosen < 0 || static_cast<size_t>(chosen) >= folders_.size()) return;
  rowForm_.row = folders_[static_cast<size_t>(chosen)];
  if (rowForm_.showModal(hwnd()) != IDOK) return;
  folders_[static_cast<size_t>(chosen)] = rowForm_.row;
  showFolders();
}

void TRunSettingsForm::ButtonFolderDeleteClick() {
  const int chosen = ListView_GetNextItem(item(IDC_ListFolders), -1, LVNI_SELECTED);
  if (chosen < 0 || static_cast<size_t>(chosen) >= folders_.size()) return;
  folders_.erase(folders_.begin() + chosen);
  showFolders();
}

bool TRunSettingsForm::readFolders(RunSettings& s) {
  const std::string window = itemText(IDC_EditTimeWindow);
  if (!parseTimeWindow(window)) {
    ShowWarning(kTimeWindowMessage);
    SetFocus(item(IDC_EditTimeWindow));
    return false;
  }
  s.TimeWindow = window;
  s.AfterCommand = itemText(IDC_EditAfterCommand);
  s.Folder1Subfolders = static_cast<Subfolders>(SendMessageW(item(IDC_ComboFolder1Subfolders), CB_GETCURSEL, 0, 0));
  s.Folders = folders_;
  // Rows that would feed each other are refused here, as standby would refuse them.
  if (const std::string conflict = rowsConflict(watchRows(app_.settings, s, OutputTab::Output1), s);
      !conflict.empty()) {
    ShowWarning(conflict);
    SetFocus(item(IDC_ListFolders));
    return false;
  }
  return true;
}

void TRunSettingsForm::ButtonSendBackClick() {
  if (puttingBack_) return;
  // Standby running takes it between its cycles, with its own attempt counts.
  if (sendBackToRun && sendBackToRun()) return;
  waitForPutBack();
  const std::vector<WatchRow> rows = watchRows(app_.settings, app_.runSettings, OutputTab::Output1);
  const std::string workFolder = app_.settings.WorkFolder;
  const RunSettings run = app_.runSettings;
  HWND window = hwnd();
  putBackWork_ = [this, window, rows, workFolder, run] {
    std::string logFailure;
    const std::string attemptsPath = workFolder + "\\" + kAttemptsFileName;
    const ReadResult kept = app_.fileSystem.readFile(attemptsPath, 1u << 20);
    AttemptCounts attempts = AttemptCounts::parse(kept.error == 0 ? kept.bytes : std::string());
    const SentBack back = sendBackErrorFolders(app_.fileSystem, rows, run, attempts);
    {
      RunLog log(app_.fileSystem, workFolder, run, [&logFailure](const std::string& text) { logFailure = text; });
      RunLog::Batch lines(log);
      for (const LogEntry& line : back.lines) log.write(line);
    }
    if (kept.error == 0) app_.fileSystem.replaceFile(attemptsPath, attempts.text());
    callOnWindowThread(window, [&] {
      puttingBack_ = false;
      enableFields();
      if (!logFailure.empty()) ShowWarning(logFailure);
      if (!back.stayed.empty()) ShowWarning(sentBackStayedMessage(back.stayed));
    });
  };
  puttingBack_ = true;
  enableFields();
  putBackThread_.reset(CreateThread(nullptr, 0, putBackMain, this, 0, nullptr));
  if (!putBackThread_) putBackWork_();
}

}  // namespace marlisk::win
