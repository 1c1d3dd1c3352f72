; The Windows installer: the unpacked zip's files into Program Files\Quorvale, shortcuts in
; the Start menu, and an uninstaller registered in the list of installed programs that
; removes all of it again. Built by scripts/package windows:
;   makensis -DVERSION=x.y.z -DSTAGE=folder-of-the-unpacked-zip -DOUTFILE=setup.exe installer.nsi
; Silent for tests: setup.exe /S /D=C:\Folder, and uninstall.exe /S.

; A 64-bit installer for a 64-bit game: it runs where the game runs, with no 32-bit layer.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS Win10

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvale"

Name "Quorvale ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Quorvale"
Icon "${STAGE}/../quorvale.ico"
UninstallIcon "${STAGE}/../quorvale.ico"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Quorvale"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Quorvale ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "The Quorvale developers"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Quorvale"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Shortcuts start in the install folder: the game finds gfx\ in the folder it runs in.
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\Quorvale"
  CreateShortcut "$SMPROGRAMS\Quorvale\Quorvale.lnk" "$INSTDIR\quorvale.exe"
  CreateShortcut "$SMPROGRAMS\Quorvale\Quorvale server.lnk" "$INSTDIR\quorvale-server.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quorvale"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Quorvale developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorvale.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Quorvale\Quorvale.lnk"
  Delete "$SMPROGRAMS\Quorvale\Quorvale server.lnk"
  RMDir "$SMPROGRAMS\Quorvale"
  ; Only what the installer put there, listed at build time (uninstall_files.nsh).
  !include "${STAGE}/../uninstall_files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
