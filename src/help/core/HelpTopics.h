// The compiled help's topics that the windows open, and the short texts of their controls.
// Both are numbers the help file resolves: a topic through [ALIAS]/[MAP] of
// help/MarliskAuto.hhp, a control's text through a ".topic" of help/cshelp.txt. They are kept
// in these two tables alone, so that a test can hold the help file to them.
#pragma once

#include "res/resource.h"

namespace marlisk {

struct HelpTopic {
  int number;
  const char* alias;  // the name the help project maps to the page
};

inline constexpr HelpTopic kMainWindowTopic{300, "IDH_MAINWINDOW"};
inline constexpr HelpTopic kOutput1SettingsTopic{301, "IDH_SETTINGS"};
inline constexpr HelpTopic kBatchListTopic{302, "IDH_BATCHLIST"};
inline constexpr HelpTopic kRunSettingsTopic{303, "IDH_RUNSETTINGS"};
inline constexpr HelpTopic kOutput2SettingsTopic{304, "IDH_SETTINGS2"};
inline constexpr HelpTopic kPaperMarginTopic{305, "IDH_PAPERMARGIN"};
inline constexpr HelpTopic kFolderChooserTopic{306, "IDH_FOLDERCHOOSER"};
inline constexpr HelpTopic kVersionTopic{307, "IDH_VERSION"};

inline constexpr HelpTopic kHelpTopics[] = {kMainWindowTopic,    kOutput1SettingsTopic, kBatchListTopic,
                                            kRunSettingsTopic,   kOutput2SettingsTopic, kPaperMarginTopic,
                                            kFolderChooserTopic, kVersionTopic};

// A control's short text ("?" or Shift+F1), by the topic of the window it is on and its
// identifier (a range for rows and radio items that share one text). A text's number is its
// window's topic times 100 plus a running number.
struct ControlHelp {
  int topic;
  int firstControl;
  int lastControl;
  int popup;
};

inline constexpr ControlHelp kControlHelp[] = {
    // Main window and its two tab pages
    {300, IDC_Label1, IDC_Label1, 30001},
    {300, IDC_ListBox1, IDC_ListBox1, 30002},
    {300, IDC_PageControl1, IDC_PageControl1, 30003},
    {300, IDC_RadioGroupOutTyp, IDC_RadioGroupOutTyp_First + 21, 30004},
    {300, IDC_RadioGroupOutTyp2, IDC_RadioGroupOutTyp2_First + 7, 30005},
    {300, IDC_Label2, IDC_Label2, 30006},
    {300, IDC_Label3, IDC_Label3, 30007},
    {300, IDC_ButtonCreateOutListFile, IDC_ButtonCreateOutListFile, 30008},
    {300, IDC_ButtonSetAutoPar, IDC_ButtonSetAutoPar, 30009},
    {300, IDC_ButtonRunSettings, IDC_ButtonRunSettings, 30010},
    {300, IDC_ButtonBatchOutput, IDC_ButtonBatchOutput, 30011},
    {300, IDC_ButtonAutoOutput, IDC_ButtonAutoOutput, 30012},
    {300, IDC_ButtonShowLog, IDC_ButtonShowLog, 30013},
    {300, IDC_ButtonHelp, IDC_ButtonHelp, 30014},
    {300, IDC_ButtonVersion, IDC_ButtonVersion, 30015},
    {300, IDC_ButtonOK, IDC_ButtonOK, 30016},
    {300, IDC_ButtonAppMinimize, IDC_ButtonAppMinimize, 30017},
    // Output-1 settings
    {301, IDC_MarliskExeEdit, IDC_Button2, 30101},
    {301, IDC_EditOutListFileName, IDC_Button1, 30102},
    {301, IDC_ListBox1, IDC_ListBox1, 30103},
    {301, IDC_sFileNameDirEdit, IDC_Button4, 30104},
    {301, IDC_WaitTimeEdit, IDC_WaitTimeSpin, 30105},
    {301, IDC_OutDirEdit, IDC_Button3, 30106},
    {301, IDC_EditHpglFileExt, IDC_EditGerberFileExt, 30107},
    {301, IDC_ButtonOK, IDC_ButtonOK, 30108},
    {301, IDC_ButtonHelp, IDC_ButtonHelp, 30109},
    // Batch list editor
    {302, IDC_ComboView1, IDC_ComboView1, 30201},
    {302, IDC_BitBtn1, IDC_BitBtn1, 30202},
    {302, IDC_ComboBox1, IDC_ComboBox1, 30203},
    {302, IDC_FolderView1, IDC_FolderView1, 30204},
    {302, IDC_FileView1, IDC_FileView1, 30205},
    {302, IDC_FilterComboBox1, IDC_FilterComboBox1, 30206},
    {302, IDC_ButtonFileSelect, IDC_ButtonFileSelect, 30207},
    {302, IDC_ListBox1Files, IDC_ListBox1Files, 30208},
    {302, IDC_ButtonAllFileClear, IDC_ButtonAllFileClear, 30209},
    {302, IDC_SelectFilename, IDC_SelectFilename, 30210},
    {302, IDC_ButtonHelpList, IDC_ButtonHelpList, 30211},
    {302, IDC_ButtonCancel, IDC_ButtonCancel, 30212},
    {302, IDC_ButtonOutListOK, IDC_ButtonOutListOK, 30213},
    {302, IDC_ButtonOutStart, IDC_ButtonOutStart, 30214},
    // "運転設定"
    {303, IDC_CheckOutput, IDC_CheckOutput, 30301},
    {303, IDC_EditMaxAttempts, IDC_SpinMaxAttempts, 30302},
    {303, IDC_EditErrorFolder, IDC_ButtonErrorFolder, 30303},
    {303, IDC_RadioOriginals0, IDC_RadioOriginals0 + 2, 30304},
    {303, IDC_EditDoneFolder, IDC_ButtonDoneFolder, 30305},
    {303, IDC_EditTimeLimit, IDC_SpinTimeLimit, 30306},
    {303, IDC_CheckRunLog, IDC_SpinLogDays, 30307},
    {303, IDC_CheckUnattended, IDC_CheckUnattended, 30308},
    {303, IDC_CheckTray, IDC_CheckTray, 30309},
    {303, IDC_CheckStartAtLogon, IDC_CheckStartAtLogon, 30310},
    {303, IDC_ButtonOK, IDC_ButtonOK, 30311},
    {303, IDC_ButtonHelp, IDC_ButtonHelp, 30312},
    {303, IDC_CheckShared, IDC_CheckShared, 30313},
    {303, IDC_EditStationName, IDC_EditStationName, 30314},
    {303, IDC_EditClaimBatch, IDC_SpinClaimBatch, 30315},
    {303, IDC_EditTakeOver, IDC_SpinTakeOver, 30316},
    {303, IDC_ListStations, IDC_ListStations, 30317},
    {303, IDC_ButtonPutBack, IDC_ButtonPutBack, 30318},
    {303, IDC_ComboFolder1Subfolders, IDC_ComboFolder1Subfolders, 30319},
    {303, IDC_ListFolders, IDC_ButtonFolderDelete, 30320},
    {303, IDC_CheckDrawingFolders, IDC_CheckDrawingFolders, 30321},
    {303, IDC_EditTimeWindow, IDC_EditTimeWindow, 30322},
    {303, IDC_EditAfterCommand, IDC_SpinAfterSeconds, 30323},
    {303, IDC_ButtonSendBack, IDC_ButtonSendBack, 30324},
    {303, IDC_EditRowWatch, IDC_ComboRowSubfolders, 30325},
    // Output-2 settings
    {304, IDC_MarliskExeEdit, IDC_Button2, 30401},
    {304, IDC_EditOutListFileName, IDC_Button1, 30402},
    {304, IDC_ListBox1, IDC_ListBox1, 30403},
    {304, IDC_OutDirEdit, IDC_OutDirEdit, 30404},
    {304, IDC_OutDirButton, IDC_OutDirButton, 30404},
    {304, IDC_sFileNameEdit, IDC_sFileNameEdit, 30405},
    {304, IDC_WaitTimeEdit, IDC_WaitTimeSpin, 30406},
    {304, IDC_ButtonPaperMarg, IDC_ButtonPaperMarg, 30407},
    {304, IDC_TabControl1, IDC_TabControl1, 30408},
    {304, IDC_sFileNameDirEdit1, IDC_sFileNameDirEdit1 + 4, 30409},
    {304, IDC_FileNameDirButton1, IDC_FileNameDirButton1 + 4, 30409},
    {304, IDC_ButtonOK, IDC_ButtonOK, 30410},
    {304, IDC_ButtonHelp, IDC_ButtonHelp, 30411},
    // Paper margins and drawing position
    {305, IDC_TabControl1, IDC_TabControl1, 30501},
    {305, IDC_EditPaperMergLeft, IDC_MarginGroup, 30502},
    {305, IDC_HOutPosRadioGroup, IDC_HOutPosRadio0 + 2, 30503},
    {305, IDC_VOutPosRadioGroup, IDC_VOutPosRadio0 + 2, 30504},
    {305, IDC_RadioGroup1, IDC_RadioGroup1Item0 + 1, 30505},
    {305, IDC_ButtonOK, IDC_ButtonOK, 30506},
    {305, IDC_ButtonHelp, IDC_ButtonHelp, 30507},
    // Folder chooser
    {306, IDC_ComboView1, IDC_ComboView1, 30601},
    {306, IDC_BitBtn1, IDC_BitBtn1, 30602},
    {306, IDC_FolderView1, IDC_FolderView1, 30603},
    {306, IDC_SelectFilename, IDC_SelectFilename, 30604},
    {306, 1, 1, 30605},  // IDOK, "開く"
    {306, 2, 2, 30606},  // IDCANCEL, "取消"
    // Version
    {307, IDC_VersionWeb, IDC_VersionMail, 30701},
    {307, 1, 1, 30702},  // IDOK
};

// The short text of a control on the window of `topic`, or 0 when it has none.
constexpr int controlPopup(int topic, int control) {
  for (const ControlHelp& help : kControlHelp)
    if (help.topic == topic && control >= help.firstControl && control <= help.lastControl) return help.popup;
  return 0;
}

}  // namespace marlisk
