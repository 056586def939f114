; The Windows installer of the Korvatone desktop companion. src/CMakeLists.txt (target
; installer_win32) builds it with
;   makensis -DVERSION=1.00 -DBIN_DIR=<ktprog.exe, ktboot.exe> -DDATA_DIR=<data/>
;            -DPROGRAMS_NSH=<list of the example programs> -DOUTFILE=<setup.exe> korvatone.nsi
;
; What goes where:
;   the program folder ($INSTDIR, Program Files\Korvatone by default): the two programs, the
;     data files, the example programs, README-Windows.txt and the uninstaller; replaced by
;     each install, removed by the uninstaller file by file.
;   the start directory ($DOCUMENTS\Korvatone of the user who installs): the programs take the
;     current directory of their first start as their start directory and keep its name in
;     C:\Qrdxpath\KtProg.pth (KTboot.pth), which they write themselves. It must be writable by
;     the user and outlive the program folder, so the shortcuts start the programs there. It
;     gets the data files and the example programs where they are missing, never over the
;     user's own; the uninstaller leaves it alone, and C:\Qrdxpath too.
;   the Start menu folder Korvatone of that user, next to the start directory it points into.
;   the uninstall key in HKLM, for Settings > Apps and Programs and Features.

; The programs are 64-bit, so is the installer; it needs no 32-bit subsystem.
Target amd64-unicode
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include "${PROGRAMS_NSH}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvatone"
!define PUBLISHER "Korvatone desktop companion developers"
!define EDITOR_LINK "Korvatone Preset Editor.lnk"
!define UPDATER_LINK "Korvatone Firmware Updater.lnk"
!define UNINSTALL_LINK "Uninstall Korvatone.lnk"

Name "Korvatone desktop companion ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Korvatone"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ManifestDPIAware true

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "Korvatone desktop companion"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Korvatone desktop companion setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

!define MUI_ICON "${DATA_DIR}/icons/ktprog.ico"
!define MUI_UNICON "${DATA_DIR}/icons/ktprog.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; One example program, from the source's data/programs into the current output folder.
!macro InstallProgram NAME
    File "${DATA_DIR}/programs/${NAME}"
!macroend
!macro UninstallProgram NAME
    Delete "$INSTDIR\programs\${NAME}"
!macroend

Function .onInit
    SetRegView 64
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

Section "Korvatone desktop companion"
    SectionIn RO

    ; The program folder: everything replaced, an older install's files included.
    SetOverwrite on
    SetOutPath "$INSTDIR"
    File "${BIN_DIR}/ktprog.exe"
    File "${BIN_DIR}/ktboot.exe"
    File "${DATA_DIR}/KtProg.DAT"
    File "${DATA_DIR}/CHR4.BIN"
    File "${DATA_DIR}/CHR6.BIN"
    File "${DATA_DIR}/windows/README-Windows.txt"
    SetOutPath "$INSTDIR\programs"
    !insertmacro KT_EACH_PROGRAM InstallProgram
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    ; The start directory: only what is missing, the user's own files stay as they are.
    SetShellVarContext current
    SetOverwrite off
    SetOutPath "$DOCUMENTS\Korvatone"
    File "${DATA_DIR}/KtProg.DAT"
    File "${DATA_DIR}/CHR4.BIN"
    File "${DATA_DIR}/CHR6.BIN"
    SetOutPath "$DOCUMENTS\Korvatone\programs"
    !insertmacro KT_EACH_PROGRAM InstallProgram
    SetOverwrite on

    ; The shortcuts start the programs in the start directory (the output folder at the time
    ; a shortcut is made is its working directory).
    CreateDirectory "$SMPROGRAMS\Korvatone"
    SetOutPath "$DOCUMENTS\Korvatone"
    CreateShortCut "$SMPROGRAMS\Korvatone\${EDITOR_LINK}" "$INSTDIR\ktprog.exe" "" "$INSTDIR\ktprog.exe" 0 \
        SW_SHOWNORMAL "" "Korvatone Preset Editor"
    CreateShortCut "$SMPROGRAMS\Korvatone\${UPDATER_LINK}" "$INSTDIR\ktboot.exe" "" "$INSTDIR\ktboot.exe" 0 \
        SW_SHOWNORMAL "" "Korvatone Firmware Updater"
    SetOutPath "$INSTDIR"
    CreateShortCut "$SMPROGRAMS\Korvatone\${UNINSTALL_LINK}" "$INSTDIR\Uninstall.exe"

    ; Programs and Features. The Start menu folder is kept too: the uninstaller may run as
    ; another user, whose own Start menu is not the one that holds the shortcuts.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Korvatone desktop companion"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ktprog.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "StartMenuFolder" "$SMPROGRAMS\Korvatone"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "StartMenuFolder"
    ${If} $0 == ""
        SetShellVarContext current
        StrCpy $0 "$SMPROGRAMS\Korvatone"
    ${EndIf}
    Delete "$0\${EDITOR_LINK}"
    Delete "$0\${UPDATER_LINK}"
    Delete "$0\${UNINSTALL_LINK}"
    RMDir "$0"

    ; Exactly what the installer put into the program folder; the folder goes only if that
    ; leaves it empty.
    Delete "$INSTDIR\ktprog.exe"
    Delete "$INSTDIR\ktboot.exe"
    Delete "$INSTDIR\KtProg.DAT"
    Delete "$INSTDIR\CHR4.BIN"
    Delete "$INSTDIR\CHR6.BIN"
    Delete "$INSTDIR\README-Windows.txt"
    !insertmacro KT_EACH_PROGRAM UninstallProgram
    RMDir "$INSTDIR\programs"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
