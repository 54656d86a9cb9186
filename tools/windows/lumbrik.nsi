; The installer a parent double-clicks: the game into Program Files, a
; Start-menu shortcut, a desktop shortcut on offer, an entry in Apps &
; features, an uninstaller that removes exactly the installed files and
; keeps the children's settings. /S installs silently with the defaults.
; Defined by scripts/make-windows.sh: VERSION, STAGE, ICON, OUTFILE, ARCH
; (x86 or amd64) and UNINSTALL (the generated list of what to delete).
Unicode true
Target ${ARCH}-unicode
SetCompressor /SOLID lzma
# One dictionary wide enough to span the archives that share their outlines.
SetCompressorDictSize 64
RequestExecutionLevel admin

!include MUI2.nsh
!include x64.nsh

!define NAME "lumbrik"
!define PUBLISHER "lumbrik games"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\lumbrik"
; The game's settings file, shared by every user of the computer.
; $APPDATA is the all-users folder here: SetShellVarContext all.
!define SETTINGS_FILE "$APPDATA\pelnovo_lumbrik_cfg"

Name "${NAME}"
OutFile "${OUTFILE}"
!if ${ARCH} == amd64
InstallDir "$PROGRAMFILES64\${NAME}"
!else
InstallDir "$PROGRAMFILES\${NAME}"
!endif
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${NAME}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${NAME} installer"
VIAddVersionKey /LANG=0 "LegalCopyright" "Free software under the GNU GPL, version 3 or later"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_LANGDLL_ALLLANGUAGES
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\lumbrik.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The game's languages, as far as NSIS has them; English first is the default.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Arabic"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "Italian"
!insertmacro MUI_LANGUAGE "Dutch"
!insertmacro MUI_LANGUAGE "Polish"
!insertmacro MUI_LANGUAGE "PortugueseBR"
!insertmacro MUI_LANGUAGE "Russian"
!insertmacro MUI_LANGUAGE "Swedish"
!insertmacro MUI_LANGUAGE "Turkish"
!insertmacro MUI_LANGUAGE "Ukrainian"

Function .onInit
    SetShellVarContext all
!if ${ARCH} == amd64
    SetRegView 64
!endif
    !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Function un.onInit
    SetShellVarContext all
!if ${ARCH} == amd64
    SetRegView 64
!endif
    !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "${NAME}" SecGame
    SectionIn RO
    SetOutPath "$INSTDIR"
    File /r "${STAGE}/*"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\lumbrik.exe" "" "$INSTDIR\lumbrik.exe" 0
    ; The two other ways to play: one switch (the highlight steps by itself),
    ; and keys that cannot leave the game.
    CreateShortcut "$SMPROGRAMS\${NAME} - One-switch play.lnk" "$INSTDIR\lumbrik.exe" "--scan=1.5" "$INSTDIR\lumbrik.exe" 0
    CreateShortcut "$SMPROGRAMS\${NAME} - Play with child lock.lnk" "$INSTDIR\lumbrik.exe" "--child-lock" "$INSTDIR\lumbrik.exe" 0
    ; Every user saves into the one settings file: a file made by one user
    ; in the all-users folder is read-only to the others, so the Users group
    ; gets write access to a file an earlier version left (the game creates
    ; a new one with that access itself).
    IfFileExists "${SETTINGS_FILE}" 0 +2
        nsExec::Exec 'icacls "${SETTINGS_FILE}" /grant *S-1-5-32-545:M'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\lumbrik.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    SectionGetSize ${SecGame} $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Desktop shortcut" SecDesktop
    CreateShortcut "$DESKTOP\${NAME}.lnk" "$INSTDIR\lumbrik.exe" "" "$INSTDIR\lumbrik.exe" 0
SectionEnd

; Removes exactly what the installer wrote; the settings file stays.
Section "Uninstall"
    !include "${UNINSTALL}"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${NAME}.lnk"
    Delete "$SMPROGRAMS\${NAME} - One-switch play.lnk"
    Delete "$SMPROGRAMS\${NAME} - Play with child lock.lnk"
    Delete "$DESKTOP\${NAME}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
