; The KALTO installer. Built by CMake (installer/CMakeLists.txt), which
; defines VERSION, ARCH (32 or 64), PROGRAM, SKIN, ICON and OUTFILE.
; Installs kalto.exe and skin.zip under Program Files, a Start-menu entry and
; an entry in the installed-programs list; a newer setup installs over an
; older installation where it is, or moves it to the folder /D= names. The
; 32-bit and the 64-bit editions are one program: either replaces the other.
; /S installs or uninstalls silently. A silent setup exits with 0 once the new
; program is in place, 3010 when its files are still in use and are replaced
; at the next restart, and 2 when they cannot be replaced at all; the last two
; leave the installed-programs entry as it was. The uninstaller removes the
; user's configuration and logs only when asked (a question, or
; /REMOVEUSERDATA when silent).

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all
; Drawn at the screen's own resolution rather than scaled up, blurred, by Windows.
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include WinMessages.nsh

!define PRODUCT "KALTO"
!define PUBLISHER "Orvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KALTO"
!define MAIN_WINDOW_CLASS "kalto.mainwnd"
!define MOVEFILE_REPLACE_EXISTING 1
!define MOVEFILE_DELAY_UNTIL_REBOOT 4
!define SYNCHRONIZE 0x100000
; PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE
!define PROCESS_END_ACCESS 0x101001
; The silent uninstall runs in place (_?=), so that its caller waits for it;
; but a running uninstaller's file can be neither deleted nor renamed, since
; the uninstaller keeps it open. It hands that last step to a copy of itself
; in the temporary folder, started with /FINISH=<its process id>, which
; deletes the file once it has ended. The copy holds this mutex until it is
; done, and a setup waits for it.
!define FINISHING_MUTEX "Global\KALTO.uninstall.finishing"
; The exit codes of a silent setup whose files are replaced at the next
; restart (as Windows Installer says it), and of one that could not replace them.
!define EXIT_RESTART_NEEDED 3010
!define EXIT_NOT_INSTALLED 2

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
LangString MovedAside ${LANG_ENGLISH} "$R2: the old file is still in use and is deleted at the next restart."
LangString MovedAside ${LANG_SIMPCHINESE} "$R2：旧文件仍在使用，将在下次重新启动时删除。"
LangString MovedAside ${LANG_TRADCHINESE} "$R2：舊檔案仍在使用，將在下次重新啟動時刪除。"
LangString RestartToFinish ${LANG_ENGLISH} "${PRODUCT} is still in use. The update is completed when the computer restarts."
LangString RestartToFinish ${LANG_SIMPCHINESE} "${PRODUCT} 仍在使用，更新将在计算机重新启动后完成。"
LangString RestartToFinish ${LANG_TRADCHINESE} "${PRODUCT} 仍在使用，更新將在電腦重新啟動後完成。"
LangString NotInstalled ${LANG_ENGLISH} "${PRODUCT} could not be installed: its files in $INSTDIR are in use. Close ${PRODUCT} and run the setup again."
LangString NotInstalled ${LANG_SIMPCHINESE} "无法安装 ${PRODUCT}：$INSTDIR 中的文件正在使用。请关闭 ${PRODUCT} 后重新运行安装程序。"
LangString NotInstalled ${LANG_TRADCHINESE} "無法安裝 ${PRODUCT}：$INSTDIR 中的檔案正在使用。請關閉 ${PRODUCT} 後重新執行安裝程式。"

Var ProgramDir        ; the folder whose running program is to be ended
Var PreviousDir       ; this edition's installation before this setup, if any
Var OtherEditionDir   ; the other edition's installation, if any
Var Deferred          ; 1 once a file can only be replaced at the next restart
Var Failed            ; 1 when a file could not be replaced even then
Var CloseAsked        ; when the running program was asked to close, in ms

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

; The 64-bit edition's entry lives in the 64-bit view of the registry, the
; 32-bit edition's in the 32-bit view; the installer and the uninstaller look
; at their own edition's.
!macro UseRegistryView
  !if ${ARCH} == 64
    SetRegView 64
  !else
    SetRegView 32
  !endif
!macroend

!macro UseOtherEditionRegistryView
  !if ${ARCH} == 64
    SetRegView 32
  !else
    SetRegView 64
  !endif
!macroend

; The functions that end the running program, for the installer and, with
; the prefix "un.", for the uninstaller.
!macro DefineProgramEnding UN
; Counts in $R1 the processes, in any session, that run $ProgramDir\kalto.exe;
; with $R2 = 1 it ends each of them and waits up to five seconds for it to go.
; A process this setup may not open is not counted; its file stays held and
; is dealt with as any held file is.
Function ${UN}ProgramProcesses
  StrCpy $R1 0
  ; Both paths in their long form, whichever form started the program.
  Push $9
  StrCpy $R0 "$ProgramDir\kalto.exe"
  System::Call 'kernel32::GetLongPathNameW(w R0, w .r9, i ${NSIS_MAX_STRLEN}) i .R9'
  ${If} $R9 <> 0
    StrCpy $R0 $9
  ${EndIf}
  System::Alloc 16384
  Pop $R3
  System::Call 'kernel32::K32EnumProcesses(p R3, i 16384, *i .R4) i .R5'
  ${If} $R5 <> 0
    IntOp $R4 $R4 / 4
    IntOp $R4 $R4 - 1
    ${For} $R5 0 $R4
      IntOp $R6 $R5 * 4
      IntOp $R6 $R3 + $R6
      System::Call '*$R6(i .R6)'
      System::Call 'kernel32::OpenProcess(i ${PROCESS_END_ACCESS}, i 0, i R6) p .R7'
      ${If} $R7 <> 0
        System::Call 'kernel32::QueryFullProcessImageNameW(p R7, i 0, w .R8, *i ${NSIS_MAX_STRLEN}) i .R9'
        ${If} $R9 = 0
          StrCpy $R8 ""
        ${Else}
          System::Call 'kernel32::GetLongPathNameW(w R8, w .r9, i ${NSIS_MAX_STRLEN}) i .R9'
          ${If} $R9 <> 0
            StrCpy $R8 $9
          ${EndIf}
        ${EndIf}
        ${If} $R8 == $R0
          IntOp $R1 $R1 + 1
          ${If} $R2 = 1
            System::Call 'kernel32::TerminateProcess(p R7, i 1)'
            System::Call 'kernel32::WaitForSingleObject(p R7, i 5000)'
          ${EndIf}
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p R7)'
      ${EndIf}
    ${Next}
  ${EndIf}
  System::Free $R3
  Pop $9
FunctionEnd

; Ends every copy of the program run from $ProgramDir, wherever it runs. The
; window in this session is asked to close, as its close button does, and the
; program gets up to fifteen seconds to end, since stopping its echo series
; and its WMI helper takes a few. A copy that is hung, or that no window of
; this session reaches (another user's session; every session when the setup
; runs as SYSTEM), is then ended by its process.
Function ${UN}EndRunningProgram
  StrCpy $R2 0
  FindWindow $R0 "${MAIN_WINDOW_CLASS}"
  ${If} $R0 <> 0
    System::Call 'user32::PostMessageW(p R0, i ${WM_CLOSE}, p 0, p 0)'
    System::Call 'kernel32::GetTickCount() i .r9'
    StrCpy $CloseAsked $9
    ${Do}
      Sleep 250
      Call ${UN}ProgramProcesses
      ${If} $R1 = 0
        ${ExitDo}
      ${EndIf}
      System::Call 'kernel32::GetTickCount() i .r9'
      IntOp $9 $9 - $CloseAsked
    ${LoopWhile} $9 < 15000
  ${EndIf}
  StrCpy $R2 1
  Call ${UN}ProgramProcesses
FunctionEnd
!macroend
!insertmacro DefineProgramEnding ""
!insertmacro DefineProgramEnding "un."

Function .onInit
  !insertmacro ChooseLanguage
  !if ${ARCH} == 64
    ${IfNot} ${RunningX64}
      MessageBox MB_OK|MB_ICONSTOP "$(NeedsX64)" /SD IDOK
      Abort
    ${EndIf}
  !endif
  ${If} ${RunningX64}
    !insertmacro UseOtherEditionRegistryView
    ReadRegStr $OtherEditionDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  !insertmacro UseRegistryView
  ReadRegStr $PreviousDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ; An existing installation is upgraded where it is, unless /D= names a
  ; folder. Windows keeps /D= in the command line, where NSIS, having read
  ; it into $INSTDIR, no longer shows it.
  System::Call 'kernel32::GetCommandLineW() w .r0'
  ClearErrors
  ${GetOptionsS} $0 "/D=" $1
  ${If} ${Errors}
  ${AndIf} $PreviousDir != ""
    StrCpy $INSTDIR $PreviousDir
  ${EndIf}
FunctionEnd

; Waits, up to a minute, for an uninstaller's copy that is still finishing.
Function WaitForFinishingUninstall
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${FINISHING_MUTEX}") p .R0'
  ${If} $R0 <> 0
    System::Call 'kernel32::WaitForSingleObject(p R0, i 60000)'
    System::Call 'kernel32::ReleaseMutex(p R0)'
    System::Call 'kernel32::CloseHandle(p R0)'
  ${EndIf}
FunctionEnd

; Removes the installation in $ProgramDir with its own uninstaller, run in
; place so that this waits until it has finished; the uninstaller's own file
; may be left, and goes here. Used for the other edition, and for this
; edition's installation in a folder other than the chosen one.
Function RemoveInstallation
  Call EndRunningProgram
  ${If} ${FileExists} "$ProgramDir\uninstall.exe"
    ExecWait '"$ProgramDir\uninstall.exe" /S _?=$ProgramDir'
    Call WaitForFinishingUninstall
    Delete "$ProgramDir\uninstall.exe"
    RMDir "$ProgramDir"
  ${EndIf}
FunctionEnd

; Puts $INSTDIR\NAME.new in place of NAME. The old file is renamed aside
; first, which Windows allows even while a program runs from it or a virus
; scanner reads it, and then deleted, or, when still in use, deleted at the
; next restart. A file that cannot be renamed is tried again for up to ten
; seconds; after that it is replaced at the next restart, and so is every file
; after it, so that the program and its skin change together.
!macro ReplaceFile NAME
  ${If} $Failed = 0
    !insertmacro ReplaceHeldFile "${NAME}"
  ${EndIf}
!macroend
!macro ReplaceHeldFile NAME
  ${If} $Deferred = 0
    ${For} $R0 1 20
      ${IfNot} ${FileExists} "$INSTDIR\${NAME}"
        ${Break}
      ${EndIf}
      System::Call 'kernel32::GetTickCount() i .R2'
      StrCpy $R2 "$INSTDIR\${NAME}.$R2.old"
      ClearErrors
      Rename "$INSTDIR\${NAME}" $R2
      ${IfNot} ${Errors}
        Delete $R2
        ${If} ${FileExists} $R2
          System::Call 'kernel32::MoveFileExW(w R2, p 0, i ${MOVEFILE_DELAY_UNTIL_REBOOT})'
          DetailPrint "$(MovedAside)"
        ${EndIf}
        ${Break}
      ${EndIf}
      Sleep 500
    ${Next}
    ${If} ${FileExists} "$INSTDIR\${NAME}"
      StrCpy $Deferred 1
    ${EndIf}
  ${EndIf}
  StrCpy $R1 "$INSTDIR\${NAME}.new"
  StrCpy $R2 "$INSTDIR\${NAME}"
  ${If} $Deferred = 0
    ClearErrors
    Rename $R1 $R2
    ${If} ${Errors}
      StrCpy $Failed 1
    ${EndIf}
  ${Else}
    System::Call 'kernel32::MoveFileExW(w R1, w R2, i ${MOVEFILE_DELAY_UNTIL_REBOOT}|${MOVEFILE_REPLACE_EXISTING}) i .R0'
    ${If} $R0 = 0
      StrCpy $Failed 1
      Delete $R1
    ${EndIf}
  ${EndIf}
!macroend

Section "Install"
  SetShellVarContext all
  Call WaitForFinishingUninstall
  StrCpy $ProgramDir $INSTDIR
  Call EndRunningProgram
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "/oname=kalto.exe.new" "${PROGRAM}"
  File "/oname=skin.zip.new" "${SKIN}"
  WriteUninstaller "$INSTDIR\uninstall.exe.new"
  StrCpy $Deferred 0
  StrCpy $Failed 0
  !insertmacro ReplaceFile "kalto.exe"
  !insertmacro ReplaceFile "skin.zip"
  !insertmacro ReplaceFile "uninstall.exe"

  ; Until the new program is in place the old installation stays as it is,
  ; entry included, so that it does not claim the new version.
  ${If} $Failed = 1
    Delete "$INSTDIR\kalto.exe.new"
    Delete "$INSTDIR\skin.zip.new"
    Delete "$INSTDIR\uninstall.exe.new"
    MessageBox MB_OK|MB_ICONSTOP "$(NotInstalled)" /SD IDOK
    SetErrorLevel ${EXIT_NOT_INSTALLED}
    Return
  ${EndIf}
  ${If} $Deferred = 1
    DetailPrint "$(RestartToFinish)"
    MessageBox MB_OK|MB_ICONINFORMATION "$(RestartToFinish)" /SD IDOK
    SetRebootFlag true
    SetErrorLevel ${EXIT_RESTART_NEEDED}
    Return
  ${EndIf}

  ; One KALTO at a time: the other edition, and this one in another folder,
  ; go before this one's entry and shortcut are written.
  ${If} $OtherEditionDir != ""
    ; In this folder its files are already replaced by this edition's.
    ${If} $OtherEditionDir != $INSTDIR
      StrCpy $ProgramDir $OtherEditionDir
      Call RemoveInstallation
    ${EndIf}
    !insertmacro UseOtherEditionRegistryView
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    !insertmacro UseRegistryView
  ${EndIf}
  ${If} $PreviousDir != ""
  ${AndIf} $PreviousDir != $INSTDIR
    StrCpy $ProgramDir $PreviousDir
    Call RemoveInstallation
  ${EndIf}

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\kalto.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kalto.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  ; Run in place (_?=), the uninstaller is the process its caller waits for;
  ; started without it, it hands over to a copy of itself and returns at once.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  !insertmacro ChooseLanguage
  !insertmacro UseRegistryView
  ClearErrors
  ${GetOptions} $CMDLINE "/FINISH=" $0
  ${IfNot} ${Errors}
    Call un.FinishRemoval
    Quit
  ${EndIf}
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

; The uninstaller's own file, then the program's folder, and the publisher's
; folder when it is the publisher's and nothing else lives in it; a folder
; the user chose keeps its parent.
Function un.RemoveUninstallerAndFolders
  !insertmacro DeleteOnceFree "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  ${If} $INSTDIR == "$PROGRAMFILES32\${PUBLISHER}\${PRODUCT}"
  ${OrIf} $INSTDIR == "$PROGRAMFILES64\${PUBLISHER}\${PRODUCT}"
    RMDir "$INSTDIR\.."
  ${EndIf}
FunctionEnd

; The copy's part: $0 is the process id of the uninstaller that started it.
Function un.FinishRemoval
  System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r0) p .R8'
  System::Call 'kernel32::CreateMutexW(p 0, i 1, w "${FINISHING_MUTEX}") p .R9'
  ${If} $R8 <> 0
    System::Call 'kernel32::WaitForSingleObject(p R8, i 30000)'
    System::Call 'kernel32::CloseHandle(p R8)'
  ${EndIf}
  Call un.RemoveUninstallerAndFolders
  System::Call 'kernel32::ReleaseMutex(p R9)'
  System::Call 'kernel32::CloseHandle(p R9)'
  ; The copy itself goes at the next restart, as NSIS's own copy does.
  System::Call 'kernel32::MoveFileExW(w "$EXEPATH", p 0, i ${MOVEFILE_DELAY_UNTIL_REBOOT})'
FunctionEnd

; Started in place, the uninstaller starts the copy that finishes its work and
; waits, up to a minute, until that holds the mutex.
Function un.HandOverOwnFile
  System::Call 'kernel32::GetTickCount() i .R0'
  StrCpy $R1 "$TEMP\kalto-uninstall-$R0.exe"
  CopyFiles /SILENT "$EXEPATH" $R1
  System::Call 'kernel32::GetCurrentProcessId() i .R2'
  ClearErrors
  Exec '"$R1" /S /FINISH=$R2 _?=$INSTDIR'
  ${IfNot} ${Errors}
    ${For} $R0 1 240
      System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${FINISHING_MUTEX}") p .R3'
      ${If} $R3 <> 0
        System::Call 'kernel32::CloseHandle(p R3)'
        ${Break}
      ${EndIf}
      Sleep 250
    ${Next}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  StrCpy $ProgramDir $INSTDIR
  Call un.EndRunningProgram
  !insertmacro DeleteOnceFree "$INSTDIR\kalto.exe"
  Delete "$INSTDIR\skin.zip"
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

  ${If} $EXEDIR == $INSTDIR
    Call un.HandOverOwnFile
  ${Else}
    Call un.RemoveUninstallerAndFolders
  ${EndIf}
SectionEnd
