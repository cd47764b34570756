; The Windows installer: both programs under Program Files, a Start-menu entry, an uninstaller
; and the entry in Add/Remove Programs. Built by scripts/dist-windows, which defines VERSION,
; STAGE (the folder of files to install), OUTFILE, ICON and, when the download is signed,
; SIGN_SCRIPT (signs the file it is given, in place).
;
; An upgrade goes where the previous version is (its uninstall entry's InstallLocation), and
; that version's own uninstaller removes what it installed first, so files the new version no
; longer ships do not stay; the user's files beside the programs are not the uninstaller's.
; While the tool runs nothing is replaced: the user is asked to close it, and a silent install
; ends with status 2 instead.
Unicode true
Target amd64-unicode
!include "x64.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KavrinTool"

Name "KavrinTool ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\KavrinTool"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
Icon "${ICON}"
UninstallIcon "${ICON}"
; A file that cannot be replaced stops the installation instead of being skipped.
AllowSkipFiles off

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "KavrinTool"
VIAddVersionKey /LANG=1033 "CompanyName" "KavrinTool"
VIAddVersionKey /LANG=1033 "FileDescription" "KavrinTool ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "KavrinTool"

!ifdef SIGN_SCRIPT
  ; The uninstaller is written at build time: signed before it is packed in.
  !uninstfinalize '"${SIGN_SCRIPT}" "%1"'
!endif

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Whether kavrintool.exe runs: it holds the named mutex "ZK742_USER" while it is open.
!macro ToolRunning result
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "ZK742_USER") p.s'
  Pop ${result}
  StrCmp ${result} 0 +2
    System::Call 'kernel32::CloseHandle(p ${result})'
!macroend

Function WaitUntilToolCloses
  check:
    !insertmacro ToolRunning $0
    StrCmp $0 0 done
    IfSilent 0 ask
      SetErrorLevel 2
      Quit
    ask:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "KavrinTool is running. Close it, then choose Retry to go on." /SD IDCANCEL IDRETRY check
    SetErrorLevel 2
    Quit
  done:
FunctionEnd

; The previous version's uninstaller, run in place (_?=) so that it ends before the new files
; go in; it takes its files, its Start-menu entries and its uninstall entry with it.
Function RemovePreviousVersion
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCmp $1 "" done
  IfFileExists "$1\uninstall.exe" 0 done
  ExecWait '"$1\uninstall.exe" /S _?=$1' $2
  StrCmp $2 0 done
    MessageBox MB_OK|MB_ICONSTOP "The previous version in $1 could not be removed." /SD IDOK
    SetErrorLevel 2
    Quit
  done:
FunctionEnd

Function .onInit
  SetRegView 64
  Call WaitUntilToolCloses
FunctionEnd

Section "KavrinTool"
  SetRegView 64
  SetShellVarContext all
  Call WaitUntilToolCloses
  Call RemovePreviousVersion
  SetOverwrite on
  SetOutPath "$INSTDIR"
  File "${STAGE}\kavrintool.exe"
  File "${STAGE}\kavrin.exe"
  File "${STAGE}\README.md"
  File "${STAGE}\ReleaseNote.txt"
!ifdef EXTRA_FILE
  ; One more file, for the upgrade test's earlier version (tests/windows/dist/check-dist).
  File "${EXTRA_FILE}"
!endif
  SetOutPath "$INSTDIR\licenses"
  File "${STAGE}\licenses\*.txt"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\KavrinTool"
  CreateShortcut "$SMPROGRAMS\KavrinTool\KavrinTool.lnk" "$INSTDIR\kavrintool.exe"
  CreateShortcut "$SMPROGRAMS\KavrinTool\Uninstall KavrinTool.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "KavrinTool"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "KavrinTool"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kavrintool.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  ; Only what the installer put there: files the user made beside the programs (KAVRIN_CFG.ini,
  ; block files) stay, and so does the folder then.
  Delete "$INSTDIR\kavrintool.exe"
  Delete "$INSTDIR\kavrin.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\ReleaseNote.txt"
!ifdef EXTRA_NAME
  Delete "$INSTDIR\${EXTRA_NAME}"
!endif
  Delete "$INSTDIR\licenses\*.txt"
  RMDir "$INSTDIR\licenses"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\KavrinTool\KavrinTool.lnk"
  Delete "$SMPROGRAMS\KavrinTool\Uninstall KavrinTool.lnk"
  RMDir "$SMPROGRAMS\KavrinTool"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
