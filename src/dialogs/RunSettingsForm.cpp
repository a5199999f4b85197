#include "dialogs/RunSettingsForm.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "app/RunLog.h"
#include "app/ThisComputer.h"
#include "batchlist/FileHelpers.h"
#include "core/Path.h"
#include "core/Messages.h"
#include "core/Numbers.h"
#include "help/core/HelpTopics.h"
#include "res/resource.h"
#include "win/Controls.h"
#include "win/HelpHook.h"
#include "win/Strings.h"
#include "win/Warning.h"
#include "win/MessagePump.h"
#include "win/WindowCall.h"

namespace marlisk::win {

namespace {

struct NumberField {
  int edit, spin;
  int32_t least, most;
  int32_t RunSettings::*value;
  const char* what;  // for its message
};
constexpr NumberField kNumbers[] = {
    {IDC_EditMaxAttempts, IDC_SpinMaxAttempts, 1, kMostAttempts, &RunSettings::MaxAttempts, "変換の試行回数"},
    {IDC_EditTimeLimit, IDC_SpinTimeLimit, 0, kMostViewerMinutes, &RunSettings::ViewerTimeLimitMinutes,
     "Marliskの制限時間"},
    {IDC_EditLogDays, IDC_SpinLogDays, 1, kMostLogDays, &RunSettings::LogDays, "運転ログの保存日数"},
    {IDC_EditClaimBatch, IDC_SpinClaimBatch, 1, kMostClaimBatch, &RunSettings::ClaimBatch, "1回に取る件数"},
    {IDC_EditTakeOver, IDC_SpinTakeOver, 0, kMostTakeOverMinutes, &RunSettings::TakeOverMinutes, "停止端末の戻し"},
    {IDC_EditAfterSeconds, IDC_SpinAfterSeconds, 1, kMostAfterCommandSeconds, &RunSettings::AfterCommandSeconds,
     "コマンドの制限時間"},
};

struct Flag {
  int box;
  bool RunSettings::*value;
};
constexpr Flag kFlags[] = {
    {IDC_CheckOutput, &RunSettings::CheckOutput},       {IDC_CheckRunLog, &RunSettings::RunLog},
    {IDC_CheckUnattended, &RunSettings::Unattended},    {IDC_CheckTray, &RunSettings::TrayOnMinimize},
    {IDC_CheckShared, &RunSettings::SharedWatchFolder}, {IDC_CheckDrawingFolders, &RunSettings::WatchDrawingFolders},
};

// What a station is doing, as far as its card and the server's hold on its lock tell.
std::string stationStateText(const StationState& station) {
  if (!station.card.takenOverBy.empty()) return "戻し済み (" + station.card.takenOverBy + ")";
  if (station.lockHeld) return station.card.state.empty() ? "動作中" : station.card.state;
  return station.card.state == "停止中" ? "停止中" : "応答なし (ロック解放済み)";
}

std::string exePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return narrow(path);
}

}  // namespace

TRunSettingsForm::TRunSettingsForm(AppContext& app, TFolderOpenForm& folderOpenForm)
    : Dialog(IDD_RUNSETTINGS, {kRunSettingsTopic.number, controlPopup}),
      app_(app),
      folderOpenForm_(folderOpenForm),
      rowForm_(folderOpenForm) {}

void TRunSettingsForm::onInitDialog() {
  setProgramIcon(hwnd(), IDI_MARLISKAUTO);
  const RunSettings& s = app_.runSettings;
  for (const NumberField& field : kNumbers) {
    SendDlgItemMessageW(hwnd(), field.spin, UDM_SETRANGE32, field.least, field.most);
    setItemText(field.edit, std::to_string(s.*field.value));
  }
  for (const Flag& flag : kFlags) CheckDlgButton(hwnd(), flag.box, s.*flag.value ? BST_CHECKED : BST_UNCHECKED);
  CheckRadioButton(hwnd(), IDC_RadioOriginals0, IDC_RadioOriginals0 + 2,
                   IDC_RadioOriginals0 + static_cast<int>(s.Originals));
  setItemText(IDC_EditErrorFolder, s.ErrorFolder);
  setItemText(IDC_EditDoneFolder, s.DoneFolder);
  CheckDlgButton(hwnd(), IDC_CheckStartAtLogon, startsAtLogon(exePath()) ? BST_CHECKED : BST_UNCHECKED);
  setItemText(IDC_EditStationName, s.StationName);
  // Left empty, the computer's name serves: shown greyed in the empty field.
  SendDlgItemMessageW(hwnd(), IDC_EditStationName, EM_SETCUEBANNER, TRUE,
                      reinterpret_cast<LPARAM>(widen(stationNameFrom(computerName())).c_str()));
  SendDlgItemMessageW(hwnd(), IDC_EditStationName, EM_SETLIMITTEXT, kMostStationNameLength, 0);
  HWND list = item(IDC_ListStations);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  // The state, the longest, takes what the others leave.
  const wchar_t* columns[] = {L"端末", L"変換中", L"カウンタ", L"状態"};
  for (int i = 0; i < 4; ++i) {
    LVCOLUMNW column{LVCF_TEXT | LVCF_SUBITEM};
    column.pszText = const_cast<wchar_t*>(columns[i]);
    column.iSubItem = i;
    ListView_InsertColumn(list, i, &column);
  }
  // Wide enough for a 15-letter name and the counts; the last fills the rest.
  const int widths[] = {70, 36, 40};  // dialog units, as the dialog's own layout
  for (int i = 0; i < 3; ++i) {
    RECT width{0, 0, widths[i], 0};
    MapDialogRect(hwnd(), &width);
    ListView_SetColumnWidth(list, i, width.right);
  }
  ListView_SetColumnWidth(list, 3, LVSCW_AUTOSIZE_USEHEADER);
  showStations();
  initFolders();
  enableFields();
}

std::string TRunSettingsForm::ownStationName() const {
  const std::string typed = itemText(IDC_EditStationName);
  return typed.empty() ? stationNameFrom(computerName()) : typed;
}

void TRunSettingsForm::showStations(bool read) {
  if (read) {
    stations_.clear();
    if (IsDlgButtonChecked(hwnd(), IDC_CheckShared) == BST_CHECKED && !app_.settings.WatchFolder.empty())
      stations_ = readStations(app_.fileSystem, app_.settings.WatchFolder);
  }
  const std::string own = ownStationName();
  std::vector<std::vector<std::string>> rows;
  for (const StationState& station : stations_)
    rows.push_back({station.name + (station.name == own ? " *" : ""), std::to_string(station.held),
                    std::to_string(station.card.counter), stationStateText(station)});
  setReportRows(item(IDC_ListStations), rows);
}

TRunSettingsForm::~TRunSettingsForm() { waitForPutBack(); }

DWORD WINAPI TRunSettingsForm::putBackMain(void* self) {
  static_cast<TRunSettingsForm*>(self)->putBackWork_();
  return 0;
}

void TRunSettingsForm::waitForPutBack() {
  if (!putBackThread_) return;
  // The thread may be handing its result to this window: that is done meanwhile.
  waitDoingSentMessages(putBackThread_.get());
  putBackThread_.reset();
}

void TRunSettingsForm::ButtonPutBackClick() {
  if (puttingBack_) return;
  const int row = ListView_GetNextItem(item(IDC_ListStations), -1, LVNI_SELECTED);
  if (row < 0 || static_cast<size_t>(row) >= stations_.size()) {
    ShowWarning(kChooseStationMessage);
    return;
  }
  const StationState station = stations_[static_cast<size_t>(row)];
  if (!AskYesNo(putBackQuestion(station.name, station.held), false)) return;
  waitForPutBack();  // the last one has handed its result over already: its thread is ending
  // What the thread needs, copied: the settings may change while it works.
  const std::string watch = app_.settings.WatchFolder, workFolder = app_.settings.WorkFolder;
  const RunSettings run = app_.runSettings;
  const std::string rescuer = ownStationName() + " 手動";
  HWND window = hwnd();
  putBackWork_ = [this, window, watch, workFolder, run, rescuer, name = station.name] {
    const PutBack result =
        putBackClaims(app_.fileSystem, watch, name, rescuer, errorFolderOf(run, watch), name + " から (手動)");
    std::string logFailure;
    if (result.decision != Takeover::LockStillHeld) {
      // The run log keeps what was put back by hand as it keeps a takeover.
      RunLog log(app_.fileSystem, workFolder, run, [&logFailure](const std::string& text) { logFailure = text; });
      RunLog::Batch lines(log);
      for (const LogEntry& entry : result.lines) log.write(entry);
    }
    std::vector<StationState> stations = readStations(app_.fileSystem, watch);
    // The dialog closed meanwhile: the files are back and logged all the same.
    callOnWindowThread(window, [&] { putBackDone(name, result, std::move(stations), logFailure); });
  };
  puttingBack_ = true;
  enableFields();
  putBackThread_.reset(CreateThread(nullptr, 0, putBackMain, this, 0, nullptr));
  if (!putBackThread_) putBackWork_();  // no thread to be had: done here, rather than not at all
}

void TRunSettingsForm::putBackDone(const std::string& station, const PutBack& result,
                                   std::vector<StationState> stations, const std::string& logFailure) {
  puttingBack_ = false;
  enableFields();
  if (!logFailure.empty()) ShowWarning(logFailure);
  if (result.decision == Takeover::LockStillHeld || result.stillHeld > 0)
    ShowWarning(stationStillRunningMessage(station));
  stations_ = std::move(stations);
  showStations(false);
}

void TRunSettingsForm::enableFields() {
  EnableWindow(item(IDC_EditLogDays), IsDlgButtonChecked(hwnd(), IDC_CheckRunLog) == BST_CHECKED);
  EnableWindow(item(IDC_SpinLogDays), IsDlgButtonChecked(hwnd(), IDC_CheckRunLog) == BST_CHECKED);
  const bool done = IsDlgButtonChecked(hwnd(), IDC_RadioOriginals0 + 1) == BST_CHECKED;
  EnableWindow(item(IDC_EditDoneFolder), done);
  EnableWindow(item(IDC_ButtonDoneFolder), done);
  const bool shared = IsDlgButtonChecked(hwnd(), IDC_CheckShared) == BST_CHECKED;
  for (const int id : {IDC_EditStationName, IDC_EditClaimBatch, IDC_SpinClaimBatch, IDC_EditTakeOver, IDC_SpinTakeOver,
                       IDC_ListStations})
    EnableWindow(item(id), shared);
  EnableWindow(item(IDC_ButtonPutBack), shared && !puttingBack_);
  EnableWindow(item(IDC_ButtonSendBack), !puttingBack_);
}

void TRunSettingsForm::ButtonFolderClick(int editId) {
  const std::string start = itemText(editId);
  folderOpenForm_.SelectedFolder = start.empty() ? app_.settings.WatchFolder : start;
  if (folderOpenForm_.showModal(hwnd()) == IDOK) setItemText(editId, folderOpenForm_.SelectedFolder);
}

bool TRunSettingsForm::ButtonOKClick() {
  RunSettings s = app_.runSettings;
  for (const NumberField& field : kNumbers) {
    const std::optional<int32_t> number = parseInt32(itemText(field.edit));
    if (!number || *number < field.least || *number > field.most) {
      ShowWarning(numberRangeMessage(field.what, field.least, field.most));
      SetFocus(item(field.edit));
      return false;
    }
    s.*field.value = *number;
  }
  // Nobody comes to end a hung viewer at night: unattended standby needs a time limit.
  if (IsDlgButtonChecked(hwnd(), IDC_CheckUnattended) == BST_CHECKED && s.ViewerTimeLimitMinutes == 0) {
    ShowWarning(kUnattendedNeedsTimeLimitMessage);
    SetFocus(item(IDC_EditTimeLimit));
    return false;
  }
  const std::string station = itemText(IDC_EditStationName);
  if (!station.empty() && !isStationName(station)) {
    ShowWarning(kStationNameRuleMessage);
    SetFocus(item(IDC_EditStationName));
    return false;
  }
  s.StationName = station;
  for (const Flag& flag : kFlags) s.*flag.value = IsDlgButtonChecked(hwnd(), flag.box) == BST_CHECKED;
  for (int i = 0; i < 3; ++i)
    if (IsDlgButtonChecked(hwnd(), IDC_RadioOriginals0 + i) == BST_CHECKED) s.Originals = static_cast<AfterSuccess>(i);
  s.ErrorFolder = itemText(IDC_EditErrorFolder);
  s.DoneFolder = itemText(IDC_EditDoneFolder);
  if (!readFolders(s)) return false;
  // A folder the user named must be one standby can use: made now, or said now. A done folder
  // that is not in use (the inputs are deleted) is kept as typed, unchecked.
  const bool doneInUse = s.Originals == AfterSuccess::MoveToDone;
  for (const auto& [edit, folder] :
       {std::pair{IDC_EditErrorFolder, s.ErrorFolder}, {IDC_EditDoneFolder, doneInUse ? s.DoneFolder : ""}}) {
    if (folder.empty()) continue;
    const std::wstring wide = widen(folder);
    SHCreateDirectoryExW(hwnd(), wide.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ShowWarning(kCannotCreateFolderMessage + folder);
      SetFocus(item(edit));
      return false;
    }
  }
  const bool logon = IsDlgButtonChecked(hwnd(), IDC_CheckStartAtLogon) == BST_CHECKED;
  const std::string exe = exePath();
  if (logon != startsAtLogon(exe)) {
    if (const Win32Error error = setStartAtLogon(logon, exe); error.failed())
      ShowWarning(std::string(kCannotSetStartAtLogonMessage) + "\r\n" + ioErrorMessage(error.code()));
  }
  app_.runSettings = s;
  app_.runSettingsFile().save(app_.runSettingsPath(), s);
  close(IDOK);
  return true;
}

bool TRunSettingsForm::onCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDOK:
    case IDC_ButtonOK: ButtonOKClick(); return true;
    case IDCANCEL: close(IDCANCEL); return true;
    case IDC_ButtonHelp: showHelpTopic(); return true;
    case IDC_ButtonErrorFolder: ButtonFolderClick(IDC_EditErrorFolder); return true;
    case IDC_ButtonDoneFolder: ButtonFolderClick(IDC_EditDoneFolder); return true;
    case IDC_ButtonPutBack: ButtonPutBackClick(); return true;
    case IDC_ButtonFolderAdd: ButtonFolderAddClick(); return true;
    case IDC_ButtonFolderEdit: ButtonFolderEditClick(); return true;
    case IDC_ButtonFolderDelete: ButtonFolderDeleteClick(); return true;
    case IDC_ButtonSendBack: ButtonSendBackClick(); return true;
    case IDC_CheckShared:
      showStations();
      enableFields();
      return true;
    case IDC_CheckUnattended:
      // Switched on with no limit: an hour is proposed, for the user to change or keep.
      if (IsDlgButtonChecked(hwnd(), IDC_CheckUnattended) == BST_CHECKED) {
        const std::optional<int32_t> limit = parseInt32(itemText(IDC_EditTimeLimit));
        if (limit && *limit == 0) setItemText(IDC_EditTimeLimit, std::to_string(kProposedUnattendedMinutes));
      }
      return true;
    case IDC_CheckRunLog:
    case IDC_RadioOriginals0:
    case IDC_RadioOriginals0 + 1:
    case IDC_RadioOriginals0 + 2: enableFields(); return true;
    default: return false;
  }
}

}  // namespace marlisk::win
