// Resource identifiers, shared by the resource script and the code. Controls carry the
// names the forms' code uses for them.
#pragma once

#define IDI_MARLISKAUTO 1

#define IDD_MAIN 100
#define IDD_PAGE_OUTPUT1 101
#define IDD_PAGE_OUTPUT2 102
#define IDD_VERSION 103

// Main window
#define IDC_Label1 1001
#define IDC_ListBox1 1002
#define IDC_ButtonCreateOutListFile 1003
#define IDC_ButtonSetAutoPar 1004
#define IDC_ButtonBatchOutput 1005
#define IDC_ButtonAutoOutput 1006
#define IDC_ButtonHelp 1007
#define IDC_ButtonVersion 1008
#define IDC_ButtonOK 1009
#define IDC_ButtonAppMinimize 1010
#define IDC_PageControl1 1011
#define IDC_ButtonRunSettings 1012
#define IDC_ButtonShowLog 1013
// Tab pages: the radio group's frame, its first item (the items follow in order), the input label
#define IDC_RadioGroupOutTyp 1100
#define IDC_RadioGroupOutTyp_First 1101
#define IDC_Label2 1150
#define IDC_RadioGroupOutTyp2 1200
#define IDC_RadioGroupOutTyp2_First 1201
#define IDC_Label3 1250

// Version dialog
#define IDC_VersionIcon 1301
#define IDC_VersionName 1302
#define IDC_VersionText 1303
#define IDC_VersionNotice 1304

// Batch list editor
#define IDD_OUTFILELIST 110
#define IDC_ComboView1 2001
#define IDC_BitBtn1 2002
#define IDC_ComboBox1 2003
#define IDC_FolderView1 2004
#define IDC_FileView1 2005
#define IDC_ButtonFileSelect 2006
#define IDC_ListBox1Files 2007
#define IDC_FilterComboBox1 2008
#define IDC_SelectFilename 2009
#define IDC_ButtonAllFileClear 2010
#define IDC_ButtonHelpList 2011
#define IDC_ButtonCancel 2012
#define IDC_ButtonOutListOK 2013
#define IDC_ButtonOutStart 2014

#define IDI_UPARROW 2
#define IDC_VersionWeb 1305
#define IDC_VersionMail 1306

// Folder chooser (its tree, address box, up button and name field share the editor's names)
#define IDD_FOLDEROPEN 120

// Output-1 settings (its list, OK and help buttons share the main window's names)
#define IDD_SETAUTOPAR 130
#define IDC_MarliskExeEdit 3001
#define IDC_Button2 3002
#define IDC_EditOutListFileName 3003
#define IDC_Button1 3004
#define IDC_sFileNameDirEdit 3005
#define IDC_Button4 3006
#define IDC_WaitTimeEdit 3007
#define IDC_WaitTimeSpin 3008
#define IDC_OutDirEdit 3009
#define IDC_Button3 3010
#define IDC_EditHpglFileExt 3011
#define IDC_EditImageFileExt 3012
#define IDC_EditPdfFileExt 3013
#define IDC_EditEmfFileExt 3014
#define IDC_EditDxfFileExt 3015
#define IDC_EditDwgFileExt 3016
#define IDC_EditIgesFileExt 3017
#define IDC_EditGerberFileExt 3018

// Output-2 settings (the fields it shares with output 1 keep their names and numbers)
#define IDD_SETAUTOPAR2 140
#define IDC_OutDirButton 3101
#define IDC_sFileNameEdit 3102
#define IDC_ButtonPaperMarg 3103
#define IDC_TabControl1 3104
#define IDC_LabelExampleFolder 3105
#define IDC_sFileNameDirEdit1 3111   // rows 1..5 follow in order
#define IDC_FileNameDirButton1 3121  // their buttons likewise

// Paper margins and drawing position
#define IDD_SETPAPERMARG 150
#define IDC_EditPaperMergLeft 3201
#define IDC_EditPaperMergUp 3202
#define IDC_EditPaperMergRight 3203
#define IDC_EditPaperMergDown 3204
#define IDC_SpinPaperMergLeft 3205
#define IDC_SpinPaperMergUp 3206
#define IDC_SpinPaperMergRight 3207
#define IDC_SpinPaperMergDown 3208
#define IDC_MarginGroup 3209
#define IDC_HOutPosRadioGroup 3210  // the group's frame; its items follow
#define IDC_HOutPosRadio0 3211
#define IDC_VOutPosRadioGroup 3220
#define IDC_VOutPosRadio0 3221
#define IDC_RadioGroup1 3230
#define IDC_RadioGroup1Item0 3231

// Captions the code puts on controls (the string table)
#define IDS_TabOutput1 4001
#define IDS_TabOutput2 4002
#define IDS_TabDrawingFolders 4003
#define IDS_TabOutputFolders 4004
#define IDS_HintMinimize 4011
#define IDS_HintUpFolder 4012
#define IDS_HintClearAll 4013
#define IDS_ViewDetails 4021  // the editor's four view styles, in this order
#define IDS_ViewList 4022
#define IDS_ViewSmallIcons 4023
#define IDS_ViewLargeIcons 4024
#define IDS_FilterSettings1 4031
#define IDS_FilterSettings2 4032
#define IDS_FilterBatchList 4033
#define IDS_FilterEditorList 4034
#define IDS_ExamplePrefixFirst 4041
#define IDS_ExamplePrefix 4042
#define IDS_ExampleDrawingFolder 4043
#define IDS_ExampleOutputFolder 4044

// Unattended running ("運転設定")
#define IDD_RUNSETTINGS 160
#define IDC_CheckOutput 3301
#define IDC_EditMaxAttempts 3302
#define IDC_SpinMaxAttempts 3303
#define IDC_EditErrorFolder 3304
#define IDC_ButtonErrorFolder 3305
#define IDC_RadioOriginals0 3306  // delete, done folder, Recycle Bin follow in order
#define IDC_EditDoneFolder 3310
#define IDC_ButtonDoneFolder 3311
#define IDC_EditTimeLimit 3312
#define IDC_SpinTimeLimit 3313
#define IDC_CheckRunLog 3314
#define IDC_EditLogDays 3315
#define IDC_SpinLogDays 3316
#define IDC_CheckUnattended 3317
#define IDC_CheckTray 3318
#define IDC_CheckStartAtLogon 3319
#define IDC_CheckShared 3320
#define IDC_EditStationName 3321
#define IDC_EditClaimBatch 3322
#define IDC_SpinClaimBatch 3323
#define IDC_EditTakeOver 3324
#define IDC_SpinTakeOver 3325
#define IDC_ListStations 3326
#define IDC_ButtonPutBack 3327
#define IDC_ComboFolder1Subfolders 3328
#define IDC_ListFolders 3329
#define IDC_ButtonFolderAdd 3330
#define IDC_ButtonFolderEdit 3331
#define IDC_ButtonFolderDelete 3332
#define IDC_CheckDrawingFolders 3333
#define IDC_EditTimeWindow 3334
#define IDC_EditAfterCommand 3335
#define IDC_EditAfterSeconds 3336
#define IDC_SpinAfterSeconds 3337
#define IDC_ButtonSendBack 3338
#define IDD_WATCHROW 170
#define IDC_EditRowWatch 3401
#define IDC_ButtonRowWatch 3402
#define IDC_EditRowMask 3403
#define IDC_ComboRowTab 3404
#define IDC_ComboRowType 3405
#define IDC_EditRowOutput 3406
#define IDC_ButtonRowOutput 3407
#define IDC_ComboRowSubfolders 3408
#define IDS_TrayShow 4051
#define IDS_TrayShowLog 4052
#define IDS_TrayExit 4053
#define IDS_TrayPause 4054
#define IDS_TrayResume 4055
#define IDS_TraySendBack 4056
