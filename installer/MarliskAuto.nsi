; The MarliskAuto installer, built by scripts/package with Debian's makensis:
;   makensis -DSTAGE=<the zip's folder> -DREFCONVERTER=<RefConverter.exe> -DSOURCE=<repository>
;            -DLICENSEPAGE=<the licence, a paragraph a line> -DOUTFILE=<setup.exe> installer/MarliskAuto.nsi
; Installs under Program Files, with a Start-menu folder for all users and an entry in the
; system's list of programs. The reference converter is a component chosen by default, and
; so installed by /S too, since a new user without the viewer can convert nothing without it;
; "/NOREFCONVERTER" leaves it out. Uninstalling removes exactly what was installed, and the
; uninstalling user's start-at-logon shortcut, which would point at nothing; every user's
; working folder and settings stay.
; A 64-bit installer for a 64-bit program: it also runs where Windows has no 32-bit layer.
Target amd64-unicode
!include "MUI2.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"

; VERSION comes from the command line (scripts/lib/build.sh reads the VERSION file).
; SIGNCOMMAND, when given, signs the uninstaller before it is packed and the installer once
; it is written (scripts/lib/sign-file.sh).
!ifdef SIGNCOMMAND
  !uninstfinalize '"${SIGNCOMMAND}" "%1"' = 0
  !finalize '"${SIGNCOMMAND}" "%1"' = 0
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\MarliskAuto"

Name "MarliskAuto ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Brennamor\MarliskAuto"
InstallDirRegKey HKLM "Software\Brennamor\MarliskAuto" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1041 "ProductName" "MarliskAuto"
VIAddVersionKey /LANG=1041 "CompanyName" "Brennamor"
VIAddVersionKey /LANG=1041 "FileDescription" "MarliskAuto ${VERSION} セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "MIT License"

!define MUI_ICON "${SOURCE}\res\MarliskAuto.ico"
!define MUI_UNICON "${SOURCE}\res\MarliskAuto.ico"
; The licence with each paragraph on one line (scripts/package makes it): the page wraps it
; to its own width, where the file's own line ends broke every line in two.
!insertmacro MUI_PAGE_LICENSE "${LICENSEPAGE}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\MarliskAuto.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"


Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "MarliskAuto" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\MarliskAuto.exe"
  File "${STAGE}\MarliskAuto.chm"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  SetOutPath "$INSTDIR\Init"
  File /r "${STAGE}\Init\*.*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\MarliskAuto"
  CreateShortcut "$SMPROGRAMS\MarliskAuto\MarliskAuto.lnk" "$INSTDIR\MarliskAuto.exe"
  CreateShortcut "$SMPROGRAMS\MarliskAuto\MarliskAuto ヘルプ.lnk" "$INSTDIR\MarliskAuto.chm"
  CreateShortcut "$SMPROGRAMS\MarliskAuto\README.lnk" "$INSTDIR\README.txt"
  CreateShortcut "$SMPROGRAMS\MarliskAuto\アンインストール.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "Software\Brennamor\MarliskAuto" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "MarliskAuto ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Brennamor"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\MarliskAuto.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The components list is narrow: the name is short, the description says the rest.
Section "参照コンバーター" SecRefConverter
  SetOutPath "$INSTDIR\RefConverter"
  File "${REFCONVERTER}"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "MarliskAuto 本体、ヘルプ、初期設定のファイルです。"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecRefConverter} "参照コンバーター (RefConverter): Marlisk がないときに使える付属の変換プログラムです。Marlisk と同じコマンドラインで、HP-GL と画像ファイルを PDF、TIFF、PNG、SVG、EMF などに変換します。Marlisk がなければ、はじめての起動のときに使うかどうか尋ねます。"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; After the sections, whose numbers it uses.
Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "MarliskAuto は 64 ビット版 Windows 用です。"
    Abort
  ${EndIf}
  SetRegView 64
  ; The program is installed for every user of the machine: so are its Start-menu entries.
  SetShellVarContext all
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOREFCONVERTER" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecRefConverter}
  ${EndIf}
FunctionEnd

; Only what the installer put there goes: a user's files in the folder, and every user's
; working folder under Local AppData, stay.
Section "Uninstall"
  Delete "$INSTDIR\MarliskAuto.exe"
  Delete "$INSTDIR\MarliskAuto.chm"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  RMDir /r "$INSTDIR\Init"
  Delete "$INSTDIR\RefConverter\RefConverter.exe"
  RMDir "$INSTDIR\RefConverter"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$INSTDIR\.."

  Delete "$SMPROGRAMS\MarliskAuto\MarliskAuto.lnk"
  Delete "$SMPROGRAMS\MarliskAuto\MarliskAuto ヘルプ.lnk"
  Delete "$SMPROGRAMS\MarliskAuto\アンインストール.lnk"
  Delete "$SMPROGRAMS\MarliskAuto\README.lnk"
  RMDir "$SMPROGRAMS\MarliskAuto"
  ; "ログオン時に待機出力で起動する" of the user who uninstalls: it would start nothing.
  SetShellVarContext current
  Delete "$SMSTARTUP\MarliskAuto.lnk"
  SetShellVarContext all

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Brennamor\MarliskAuto"
  DeleteRegKey /ifempty HKLM "Software\Brennamor"
SectionEnd
