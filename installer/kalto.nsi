; The KALTO installer. Built by CMake (installer/CMakeLists.txt), which
; defines VERSION, ARCH (32 or 64), PROGRAM, SKIN, ICON and OUTFILE.
; Installs kalto.exe and skin.zip under Program Files, a Start-menu entry and
; an entry in the installed-programs list; a newer setup installs over an
; older installation where it is. /S installs or uninstalls silently; the
; uninstaller removes the user's configuration and logs only when asked
; (a question, or /REMOVEUSERDATA when silent).

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include WinMessages.nsh

!define PRODUCT "KALTO"
!define PUBLISHER "Orvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KALTO"
!define MAIN_WINDOW_CLASS "kalto.mainwnd"

Name "${PRODUCT}"
BrandingText "${PUBLISHER} ${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
!if ${ARCH} == 64
  InstallDir "$PROGRAMFILES64\${PUBLISHER}\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PUBLISHER}\${PRODUCT}"
!endif

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\kalto.exe"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "TradChinese"

LangString NeedsX64 ${LANG_ENGLISH} "This edition of ${PRODUCT} needs 64-bit Windows."
LangString NeedsX64 ${LANG_SIMPCHINESE} "此版本的 ${PRODUCT} 需要 64 位 Windows。"
LangString NeedsX64 ${LANG_TRADCHINESE} "此版本的 ${PRODUCT} 需要 64 位元 Windows。"
LangString RemoveUserData ${LANG_ENGLISH} "Also remove your ${PRODUCT} settings and logs?"
LangString RemoveUserData ${LANG_SIMPCHINESE} "同时删除您的 ${PRODUCT} 设置和日志吗？"
LangString RemoveUserData ${LANG_TRADCHINESE} "同時刪除您的 ${PRODUCT} 設定和記錄檔嗎？"

; The texts follow the system language, as the program's own do.
!macro ChooseLanguage
  System::Call 'kernel32::GetSystemDefaultLangID() i .r0'
  ${If} $0 == 2052
  ${OrIf} $0 == 1028
    StrCpy $LANGUAGE $0
  ${Else}
    StrCpy $LANGUAGE ${LANG_ENGLISH}
  ${EndIf}
!macroend

; Both the installer and the uninstaller look at the 64-bit registry for the
; 64-bit program, so an upgrade finds the installation the setup made.
!macro UseRegistryView
  !if ${ARCH} == 64
    SetRegView 64
  !endif
!macroend

; A running program keeps its files open: ask it to close, as its close
; button does, and give it a moment to end.
!macro CloseRunningProgram
  FindWindow $0 "${MAIN_WINDOW_CLASS}"
  ${If} $0 <> 0
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    Sleep 1500
  ${EndIf}
!macroend

Function .onInit
  !insertmacro ChooseLanguage
  !if ${ARCH} == 64
    ${IfNot} ${RunningX64}
      MessageBox MB_OK|MB_ICONSTOP "$(NeedsX64)" /SD IDOK
      Abort
    ${EndIf}
  !endif
  !insertmacro UseRegistryView
  ; An existing installation is upgraded where it is.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

Section "Install"
  SetShellVarContext all
  !insertmacro CloseRunningProgram
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "/oname=kalto.exe" "${PROGRAM}"
  File "/oname=skin.zip" "${SKIN}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\kalto.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kalto.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  !insertmacro ChooseLanguage
  !insertmacro UseRegistryView
FunctionEnd

; Deletes a file that a process may still be running from. The uninstaller
; the user started hands over to a copy of itself and then ends, and the
; program may take a moment to end after its close; until they have, their
; files cannot be deleted. A silent uninstall gets here at once, so this tries
; for up to ten seconds, then leaves the file to be deleted at the next restart.
!macro DeleteOnceFree FILE
  ${For} $R0 1 20
    Delete "${FILE}"
    ${IfNot} ${FileExists} "${FILE}"
      ${Break}
    ${EndIf}
    Sleep 500
  ${Next}
  Delete /REBOOTOK "${FILE}"
!macroend

Section "Uninstall"
  SetShellVarContext all
  !insertmacro CloseRunningProgram
  !insertmacro DeleteOnceFree "$INSTDIR\kalto.exe"
  Delete "$INSTDIR\skin.zip"
  !insertmacro DeleteOnceFree "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  ; The publisher's folder goes too, unless something else lives in it.
  RMDir "$INSTDIR\.."
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; The configuration file and the logs are the user's: kept unless asked.
  StrCpy $1 0
  ${GetOptions} $CMDLINE "/REMOVEUSERDATA" $0
  ${IfNot} ${Errors}
    StrCpy $1 1
  ${ElseIfNot} ${Silent}
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(RemoveUserData)" IDNO keep_user_data
    StrCpy $1 1
  keep_user_data:
  ${EndIf}
  ${If} $1 == 1
    SetShellVarContext current
    RMDir /r "$APPDATA\${PUBLISHER}\${PRODUCT}"
    RMDir "$APPDATA\${PUBLISHER}"
  ${EndIf}
SectionEnd
