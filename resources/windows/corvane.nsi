; The Corvane installer. scripts/windows/package fills the folder STAGE,
; writes uninstall-files.nsh (a Delete for each file it holds) beside a copy
; of this file and calls makensis with -DVERSION=... -DSTAGE=... -DOUTFILE=...
;
; Installed for the user alone, under %LOCALAPPDATA%\Programs\Corvane, so
; that Update.exe can replace the program without asking for elevation.
; The uninstaller keeps the user's profiles (%APPDATA%\Corvane) unless the
; user ticks them.

; A 64-bit installer for 64-bit programs (it also runs where only 64-bit
; Windows programs can, such as a Wine without its 32-bit half).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!ifndef STAGE
  !error "STAGE is not defined"
!endif
!ifndef OUTFILE
  !define OUTFILE "Corvane-Setup-${VERSION}.exe"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "Corvane"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Corvane"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
Icon "corvane.ico"
UninstallIcon "corvane.ico"
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "Corvane"
VIAddVersionKey /LANG=0 "FileDescription" "Corvane Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "Corvane"
VIAddVersionKey /LANG=0 "LegalCopyright" "Corvane"

LoadLanguageFile "${NSISDIR}\Contrib\Language files\SimpChinese.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"

LangString SecProgram ${LANG_SIMPCHINESE} "Corvane 程序"
LangString SecProgram ${LANG_ENGLISH} "Corvane program"
LangString SecProfiles ${LANG_SIMPCHINESE} "同时删除我的配置文件和设置"
LangString SecProfiles ${LANG_ENGLISH} "Also remove my profiles and settings"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage components
UninstPage instfiles

Section "!$(SecProgram)" SecMain
  SectionIn RO
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Corvane.lnk" "$INSTDIR\Corvane.exe" "" "$INSTDIR\Corvane.exe" 0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Corvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Corvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Corvane.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "un.$(SecProgram)" UnSecMain
  SectionIn RO
  SetShellVarContext current
  ; Files the installer put there, and what Update set aside; nothing else.
  Delete "$SMPROGRAMS\Corvane.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "Corvane"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  Delete "$INSTDIR\*.exe.old*"
  Delete "$INSTDIR\*.exe.backup"
  Delete "$INSTDIR\*.exe.new"
  !include "uninstall-files.nsh"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd

Section /o "un.$(SecProfiles)" UnSecProfiles
  SetShellVarContext current
  RMDir /r "$APPDATA\Corvane"
  RMDir /r "$LOCALAPPDATA\Corvane"
SectionEnd
