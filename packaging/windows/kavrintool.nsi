; The Windows installer: both programs under Program Files, a Start-menu entry, an uninstaller
; and the entry in Add/Remove Programs. Built by scripts/dist-windows, which defines VERSION,
; STAGE (the folder of files to install) and OUTFILE.
Unicode true
Target amd64-unicode
!include "x64.nsh"

Name "KavrinTool ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\KavrinTool"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KavrinTool"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "KavrinTool"
  SetRegView 64
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${STAGE}\kavrintool.exe"
  File "${STAGE}\kavrin.exe"
  File "${STAGE}\README.md"
  File "${STAGE}\ReleaseNote.txt"
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

Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  ; Only what the installer put there: files the user made beside the programs (KAVRIN_CFG.ini,
  ; block files) stay, and so does the folder then.
  Delete "$INSTDIR\kavrintool.exe"
  Delete "$INSTDIR\kavrin.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\ReleaseNote.txt"
  Delete "$INSTDIR\licenses\*.txt"
  RMDir "$INSTDIR\licenses"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\KavrinTool\KavrinTool.lnk"
  Delete "$SMPROGRAMS\KavrinTool\Uninstall KavrinTool.lnk"
  RMDir "$SMPROGRAMS\KavrinTool"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
