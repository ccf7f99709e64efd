; The Windows installer: per machine, into Program Files, a Start-menu shortcut (and, if chosen, a
; desktop one) that starts the program in its own folder, where data.cvx is, and an uninstaller
; registered with Windows. Built by scripts/windows-package.sh:
;   makensis -DVERSION=1.0.0 -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> cifrovex.nsi
; A 64-bit installer for a 64-bit program (and Wine's wine64 runs it without 32-bit support).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "x64.nsh"

!define PRODUCT "Cifrovex"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Cifrovex"
!define SHORTCUT "Цифроведческий зачёт"
!define EDITOR_SHORTCUT "Редактор банка задач Cifrovex"

Name "Cifrovex ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Cifrovex"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Cifrovex ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductName" "Cifrovex"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка Cifrovex"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "CompanyName" "Cifrovex"
VIAddVersionKey /LANG=1049 "LegalCopyright" "Cifrovex"

!define MUI_ICON "${STAGE}\..\cifrovex.ico"
!define MUI_UNICON "${STAGE}\..\cifrovex.ico"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP "Cifrovex работает только в 64-разрядной Windows." /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function StartProgram
    ; The program reads data.cvx from its current folder.
    SetOutPath "$INSTDIR"
    Exec '"$INSTDIR\cifrovex.exe"'
FunctionEnd

Section "Cifrovex" SecMain
    SectionIn RO
    SetOutPath "$INSTDIR"
    File "${STAGE}\cifrovex.exe"
    File "${STAGE}\cifrovex-bank.exe"
    File "${STAGE}\data.cvx"
    File "${STAGE}\ПРОЧТИ.txt"
!if /FileExists "${STAGE}\cifrovex-editor.exe"
    File "${STAGE}\cifrovex-editor.exe"
    ; Qt's Russian texts for the editor's file dialogs and buttons.
    SetOutPath "$INSTDIR\translations"
    File "${STAGE}\translations\qtbase_ru.qm"
    SetOutPath "$INSTDIR"
!endif
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; A shortcut's working folder is the output folder at the time it is made: the install folder.
    SetOutPath "$INSTDIR"
    CreateShortCut "$SMPROGRAMS\${SHORTCUT}.lnk" "$INSTDIR\cifrovex.exe" "" "$INSTDIR\cifrovex.exe" 0
!if /FileExists "${STAGE}\cifrovex-editor.exe"
    CreateShortCut "$SMPROGRAMS\${EDITOR_SHORTCUT}.lnk" "$INSTDIR\cifrovex-editor.exe" "" "$INSTDIR\cifrovex-editor.exe" 0
!endif

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Cifrovex"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Cifrovex"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\cifrovex.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section /o "Ярлык на рабочем столе" SecDesktop
    SetOutPath "$INSTDIR"
    CreateShortCut "$DESKTOP\${SHORTCUT}.lnk" "$INSTDIR\cifrovex.exe" "" "$INSTDIR\cifrovex.exe" 0
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\${SHORTCUT}.lnk"
    Delete "$SMPROGRAMS\${EDITOR_SHORTCUT}.lnk"
    Delete "$DESKTOP\${SHORTCUT}.lnk"
    Delete "$INSTDIR\cifrovex.exe"
    Delete "$INSTDIR\cifrovex-bank.exe"
    Delete "$INSTDIR\cifrovex-editor.exe"
    Delete "$INSTDIR\translations\qtbase_ru.qm"
    RMDir "$INSTDIR\translations"
    Delete "$INSTDIR\data.cvx"
    Delete "$INSTDIR\ПРОЧТИ.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
