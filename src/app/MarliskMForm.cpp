#include "app/MarliskMForm.h"

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>

#include <algorithm>

#include "app/RunLog.h"
#include "app/RunningCopy.h"
#include "core/Messages.h"
#include "batchlist/FileHelpers.h"
#include "dialogs/VersionForm.h"
#include "help/core/HelpTopics.h"
#include "res/resource.h"
#include "settings/core/SettingsRules.h"
#include "win/Controls.h"
#include "win/HelpHook.h"
#include "win/MessagePump.h"
#include "win/ShellOpen.h"
#include "win/Tooltip.h"

namespace marlisk::win {

namespace {
// Posted when the window is first shown, so that the start (which may show message boxes)
// runs from the message loop, not inside ShowWindow.
constexpr UINT kInitializeMessage = WM_APP + 1;

}  // namespace

TMarliskMForm::TMarliskMForm(AppContext& app)
    : Dialog(IDD_MAIN, {kMainWindowTopic.number, controlPopup}),
      app_(app),
      HTMLHelp1(app.exeFolder, app.helpFile),
      outFileList_(app),
      setAutoParForm_(app, folderOpenForm_),
      setPaperMargForm_(app),
      setAutoPar2Form_(app, folderOpenForm_, setPaperMargForm_),
      runSettingsForm_(app, folderOpenForm_),
      page1_(IDD_PAGE_OUTPUT1, IDC_RadioGroupOutTyp, IDC_RadioGroupOutTyp_First, outputTypes(OutputTab::Output1),
             [this](int index) { RadioGroupOutTypClick(index); }),
      page2_(IDD_PAGE_OUTPUT2, IDC_RadioGroupOutTyp2, IDC_RadioGroupOutTyp2_First, outputTypes(OutputTab::Output2),
             [this](int index) { RadioGroupOutTyp2Click(index); }),
      startUp_(app, [this](const std::string& text) {
        messages_.keep(text, standbyMode() || startUp_.standbyRequested());
      }) {
  // 運転設定's 「エラーフォルダのファイルを戻す」 goes through standby when it runs.
  runSettingsForm_.sendBackToRun = [this] {
    if (standby_.state() == StandbyRun::State::Stopped) return false;
    standby_.sendBackErrorFiles();
    return true;
  };
  // A run's word for a window that is gone (the program is ending) still reaches the log.
  runThread_.onUndelivered([this](const std::string& text) { messages_.logOnly(text, standbyMode()); });
}

TMarliskMForm::~TMarliskMForm() {
  stop_ = true;
  runThread_.wait();
}

void TMarliskMForm::onInitDialog() {
  setProgramIcon(hwnd(), IDI_MARLISKAUTO);
  tray_.attach(hwnd());
  runThread_.attach(hwnd());
  progress_.attach(item(IDC_ListBox1));
  SetWindowTextW(hwnd(), widen(app_.title).c_str());
  HTMLHelp1.Loaded();

  addTabs(item(IDC_PageControl1), {resourceString(IDS_TabOutput1), resourceString(IDS_TabOutput2)});
  page1_.create(hwnd());
  page2_.create(hwnd());
  placePages();
  PageControl1Change();

  addTooltip(hwnd(), item(IDC_ButtonAppMinimize), resourceString(IDS_HintMinimize));
}

// The pages lie over the tab's display area, between the progress list and the tab control
// in the window order: above the tab, so that it does not paint over them, and in the
// keyboard order where a user expects them.
void TMarliskMForm::placePages() {
  HWND tabs = item(IDC_PageControl1);
  RECT area;
  GetWindowRect(tabs, &area);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&area), 2);
  TabCtrl_AdjustRect(tabs, FALSE, &area);
  for (OutputPage* page : {&page2_, &page1_}) {
    SetWindowPos(page->hwnd(), item(IDC_ListBox1), area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOACTIVATE);
    EnableThemeDialogTexture(page->hwnd(), ETDT_ENABLETAB);
  }
}

OutputTab TMarliskMForm::activeTab() const {
  return TabCtrl_GetCurSel(item(IDC_PageControl1)) == 1 ? OutputTab::Output2 : OutputTab::Output1;
}

void TMarliskMForm::PageControl1Change() {
  const bool second = activeTab() == OutputTab::Output2;
  ShowWindow(page1_.hwnd(), second ? SW_HIDE : SW_SHOW);
  ShowWindow(page2_.hwnd(), second ? SW_SHOW : SW_HIDE);
}

void TMarliskMForm::firstShown() {
  if (startUp_.shown()) PostMessageW(hwnd(), kInitializeMessage, 0, 0);
}

void TMarliskMForm::initialize() {
  if (startUp_.stage() == StartUp::Stage::Done) return;
  SetWindowTextW(hwnd(), widen("<< MarliskAuto >>  " + std::string(kVersionText) + kNoticeText).c_str());
  const StartUp::Result start = startUp_.run(bundledConverterPath());
  if (startUp_.unattended()) messages_.startUnattended();
  if (!start.proceed) {
    exitCode_ = start.exitCode;
    close(IDCANCEL);
    return;
  }
  request_ = start.request;
  page1_.setItemIndex(app_.settings.OutTypeIndex);
  page2_.setItemIndex(app_.settings.OutType2Index);
  // The user's first choice here is the output type: start there, not on the empty list.
  if (const int chosen = page1_.itemIndex(); chosen >= 0)
    SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(page1_.item(page1_.itemId(chosen))), TRUE);

  if (request_.minimize) {
    if (app_.runSettings.TrayOnMinimize)
      tray_.minimize();
    else
      ShowWindow(hwnd(), SW_MINIMIZE);
  }
  if (request_.standby)
    startStandbyOutput();
  else if (request_.batch)
    startBatchOutput();
}

// The reference converter where the installer puts it, or beside the program as the build
// leaves it; "" when there is none.
std::string TMarliskMForm::bundledConverterPath() const {
  for (const char* place : {"\\RefConverter\\RefConverter.exe", "\\RefConverter.exe"}) {
    const std::string path = app_.exeFolder + place;
    if (app_.fileSystem.fileExists(path)) return path;
  }
  return {};
}

// During a run the window must outlive the step that is using it: the run sees the stop
// flag, finishes what it has started, and the window closes when the run hands it back.
void TMarliskMForm::ButtonOKClick() {
  stop_ = true;
  if (running()) {
    closeWhenDone_ = true;
    offerToEndViewer();
    return;
  }
  close(IDOK);
}

void TMarliskMForm::trayMenu() {
  TrayPresence::MenuTexts texts{resourceString(IDS_TrayShow), resourceString(IDS_TrayShowLog),
                                resourceString(IDS_TrayExit)};
  if (standby_.state() != StandbyRun::State::Stopped)
    texts.pause = resourceString(standby_.paused() ? IDS_TrayResume : IDS_TrayPause);
  if (standby_.state() != StandbyRun::State::Stopped) texts.sendBack = resourceString(IDS_TraySendBack);
  switch (tray_.menu(texts)) {
    case TrayPresence::Choice::Show: tray_.restore(); break;
    case TrayPresence::Choice::ShowLog: ButtonShowLogClick(); break;
    case TrayPresence::Choice::Exit: ButtonOKClick(); break;
    case TrayPresence::Choice::Pause: togglePause(); break;
    case TrayPresence::Choice::SendBack: standby_.sendBackErrorFiles(); break;
    case TrayPresence::Choice::None: break;
  }
}

void TMarliskMForm::togglePause() {
  if (standby_.state() == StandbyRun::State::Stopped) return;
  standby_.setPaused(!standby_.paused());
  updatePauseMenu();
}

// The window's layout stays as it is: pausing lives in the system menu, beside the tray's.
void TMarliskMForm::updatePauseMenu() {
  HMENU menu = GetSystemMenu(hwnd(), FALSE);
  if (!menu) return;
  const bool running = standby_.state() != StandbyRun::State::Stopped;
  const std::wstring text = widen(resourceString(standby_.paused() ? IDS_TrayResume : IDS_TrayPause));
  if (!pauseInSystemMenu_) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kPauseCommand, text.c_str());
    pauseInSystemMenu_ = true;
  } else {
    ModifyMenuW(menu, kPauseCommand, MF_BYCOMMAND | MF_STRING, kPauseCommand, text.c_str());
  }
  EnableMenuItem(menu, kPauseCommand, MF_BYCOMMAND | (running ? MF_ENABLED : MF_GRAYED));
}

// "_" is drawn as a line, not as text: a font's low line sits on the very bottom of its cell,
// and at 144 DPI the button clipped it away, leaving an empty button.
void TMarliskMForm::drawMinimizeButton(const DRAWITEMSTRUCT& draw) {
  RECT box = draw.rcItem;
  const bool pushed = (draw.itemState & ODS_SELECTED) != 0;
  DrawFrameControl(draw.hDC, &box, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  const int width = box.right - box.left, height = box.bottom - box.top;
  const int thickness = std::max(1, height / 14);
  RECT line = {box.left + width * 3 / 10, box.top + height * 2 / 3, box.right - width * 3 / 10, 0};
  line.bottom = line.top + thickness;
  if (pushed) OffsetRect(&line, 1, 1);
  const bool enabled = !(draw.itemState & ODS_DISABLED);
  FillRect(draw.hDC, &line, GetSysColorBrush(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  if (draw.itemState & ODS_FOCUS) {
    InflateRect(&box, -3, -3);
    DrawFocusRect(draw.hDC, &box);
  }
}

// The user comes back to "終了". Not every dialog manager keeps the focus across a minimise
// (Wine's does not), so the form gives it back itself when it is next activated.
void TMarliskMForm::ButtonAppMinimizeClick() {
  SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(IDC_ButtonOK)), TRUE);
  focusOkOnRestore_ = true;
  if (app_.runSettings.TrayOnMinimize)
    tray_.minimize();
  else
    ShowWindow(hwnd(), SW_MINIMIZE);
}

void TMarliskMForm::ButtonVersionClick() {
  TVersionForm version;
  version.showModal(hwnd());
}

void TMarliskMForm::ButtonHelpClick() { requestHelp(HELP_FINDER, 0); }

// The editor's "バッチファイル出力開始" closes it with OK: the batch starts at once.
void TMarliskMForm::ButtonCreateOutListFileClick() {
  if (outFileList_.showModal(hwnd()) == IDOK) startBatchOutput();
}

// The settings of the tab in front; what the user confirmed is saved at once.
void TMarliskMForm::ButtonSetAutoParClick() {
  Dialog& settings = activeTab() == OutputTab::Output1 ? static_cast<Dialog&>(setAutoParForm_) : setAutoPar2Form_;
  if (settings.showModal(hwnd()) == IDOK) app_.parameterFile().save(app_.settings);
}

void TMarliskMForm::ButtonRunSettingsClick() { runSettingsForm_.showModal(hwnd()); }

void TMarliskMForm::ButtonShowLogClick() {
  const std::string today = messages_.todayLogPath();
  const std::string folder = app_.settings.WorkFolder + "\\Log";
  // Before today's first line, the folder with the earlier days.
  const std::string shown = app_.fileSystem.fileExists(today)      ? today
                            : app_.fileSystem.folderExists(folder) ? folder
                                                                   : std::string();
  if (shown.empty()) {
    ShowWarning(kNoLogYetMessage);
    return;
  }
  // A machine with no program for ".txt" still has Notepad; failing that, the user is told.
  Win32Error error = openDocument(shown);
  if (error.failed() && shown == today) error = openDocument(shown, "notepad.exe");
  if (error.failed()) ShowWarning(shown + kCannotShowLogMessage + "\r\n" + ioErrorMessage(error.code()));
}

void TMarliskMForm::RadioGroupOutTypClick(int index) {
  app_.settings.OutTypeIndex = static_cast<uint8_t>(index);
  app_.parameterFile().save(app_.settings);
}

void TMarliskMForm::RadioGroupOutTyp2Click(int index) {
  app_.settings.OutType2Index = static_cast<uint8_t>(index);
  app_.parameterFile().save(app_.settings);
}

bool TMarliskMForm::onCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_ButtonOK: ButtonOKClick(); return true;
    case IDC_ButtonAppMinimize: ButtonAppMinimizeClick(); return true;
    case IDC_ButtonVersion: ButtonVersionClick(); return true;
    case IDC_ButtonCreateOutListFile: ButtonCreateOutListFileClick(); return true;
    case IDC_ButtonSetAutoPar: ButtonSetAutoParClick(); return true;
    case IDC_ButtonRunSettings: ButtonRunSettingsClick(); return true;
    case IDC_ButtonShowLog: ButtonShowLogClick(); return true;
    case IDC_ButtonHelp: ButtonHelpClick(); return true;
    case IDC_ButtonBatchOutput: startBatchOutput(); return true;
    case IDC_ButtonAutoOutput: startStandbyOutput(); return true;
    case IDCANCEL: return true;  // Esc does not end the program
    default: return false;
  }
}

INT_PTR TMarliskMForm::onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  if (runThread_.onMessage(message)) {
    handled = true;
    return 0;
  }
  switch (message) {
    case WM_SHOWWINDOW:
      if (wParam) firstShown();
      return 0;
    case kInitializeMessage:
      handled = true;
      initialize();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam) && focusOkOnRestore_) {
        focusOkOnRestore_ = false;
        // After the dialog's own focus restore, which runs once this message is handled.
        PostMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(IDC_ButtonOK)), TRUE);
      }
      return 0;
    case WM_TIMER:
      if (wParam == kTimer1) {
        handled = true;
        Timer1Timer();
      }
      return 0;
    case WM_CLOSE:
      handled = true;
      ButtonOKClick();
      return 0;
    case WM_DRAWITEM:
      if (wParam == IDC_ButtonAppMinimize) {
        handled = true;
        drawMinimizeButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      }
      return 0;
    case WM_SETCURSOR:
      if (busy_) {
        handled = true;
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      return 0;
    case WM_NOTIFY:
      if (changedTab(reinterpret_cast<NMHDR*>(lParam), IDC_PageControl1) >= 0) {
        handled = true;
        PageControl1Change();
      }
      return 0;
    case TrayIcon::kMessage:
      handled = true;
      if (lParam == WM_LBUTTONDBLCLK)
        tray_.restore();
      else if (lParam == WM_RBUTTONUP || lParam == WM_CONTEXTMENU)
        trayMenu();
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == kPauseCommand) {
        handled = true;
        togglePause();
        return 0;
      }
      // The caption's minimise box goes where "_" goes.
      if ((wParam & 0xFFF0) == SC_MINIMIZE && app_.runSettings.TrayOnMinimize) {
        handled = true;
        tray_.minimize();
      }
      return 0;
    default:
      if (message == TrayIcon::taskbarCreatedMessage()) tray_.explorerRestarted();
      if (message == RunningCopyLock::showMessage()) {
        // The user started the program again: this copy is the one they want.
        handled = true;
        tray_.restore();
      }
      return 0;
  }
}

// Closing the main window ends the program.
void TMarliskMForm::onDestroy() {
  tray_.hide();
  PostQuitMessage(exitCode_);
}

}  // namespace marlisk::win
