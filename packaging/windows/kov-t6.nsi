; The KOV-T6 installer: per user, no administrator rights needed.
; makensis -DVERSION=x.y.z -DSRCDIR=folder -DOUTFILE=setup.exe kov-t6.nsi
; A 64-bit installer for a 64-bit program (and one that Wine's wine64 runs).
Target amd64-unicode
!include "MUI2.nsh"

Name "KOV-T6 ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\KOV-T6"
InstallDirRegKey HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\KOV-T6" "InstallLocation"
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\kov-t6.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

!define UNINST "Software\Microsoft\Windows\CurrentVersion\Uninstall\KOV-T6"

Section "KOV-T6"
  SetOutPath "$INSTDIR"
  File /r "${SRCDIR}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\KOV-T6"
  CreateShortcut "$SMPROGRAMS\KOV-T6\KOV-T6.lnk" "$INSTDIR\kov-t6.exe"
  CreateShortcut "$SMPROGRAMS\KOV-T6\KOV-T6 (simulator).lnk" "$INSTDIR\kov-t6.exe" "--simulator"
  CreateShortcut "$SMPROGRAMS\KOV-T6\Uninstall KOV-T6.lnk" "$INSTDIR\uninstall.exe"
  ; Programs and Features
  WriteRegStr HKCU "${UNINST}" "DisplayName" "KOV-T6"
  WriteRegStr HKCU "${UNINST}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST}" "Publisher" "KOV-T6"
  WriteRegStr HKCU "${UNINST}" "DisplayIcon" "$INSTDIR\kov-t6.exe"
  WriteRegStr HKCU "${UNINST}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKCU "${UNINST}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST}" "NoRepair" 1
SectionEnd

; The operator's settings (HKCU\Software\KOV-T6) stay for a later install.
Section "Uninstall"
  RMDir /r "$SMPROGRAMS\KOV-T6"
  RMDir /r "$INSTDIR"
  DeleteRegKey HKCU "${UNINST}"
SectionEnd
