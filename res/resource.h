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
