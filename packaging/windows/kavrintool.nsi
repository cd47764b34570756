; The KavrinTool installer for 64-bit Windows: both programs under Program Files, a Start-menu
; entry for the window, an uninstaller listed in Apps & features. Built by scripts/dist-windows:
;   makensis -DVERSION=1.0.0 -DSTAGE=<folder with the files> -DOUTFILE=<installer.exe> kavrintool.nsi
Unicode true
Target amd64-unicode
!include "x64.nsh"

!define PRODUCT "KavrinTool"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "KavrinTool"
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "${STAGE}/kavrintool.exe"
  File "${STAGE}/kavrin.exe"
  File "${STAGE}/README.txt"
  File "${STAGE}/ReleaseNote.txt"
  SetOutPath "$INSTDIR\licences"
  File /r "${STAGE}/licences/*.*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The window reads KAVRIN_CFG.ini and Default.bin from the folder it starts in: the
  ; shortcut starts it in the user's documents, where they can keep their own.
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\ZK742 User Kavrin Tool.lnk" "$INSTDIR\kavrintool.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall KavrinTool.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "KavrinTool"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kavrintool.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}\ZK742 User Kavrin Tool.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall KavrinTool.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$INSTDIR\kavrintool.exe"
  Delete "$INSTDIR\kavrin.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\ReleaseNote.txt"
  RMDir /r "$INSTDIR\licences"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
