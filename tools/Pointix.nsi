; Pointix-Setup.exe: installs the modules that match the system (on 64-bit
; Windows the one of the machine's own architecture, x64 or ARM64, for the
; Mouse control panel, and the 32-bit one for 32-bit hosts), lets each
; register itself in its own registry view and leaves an uninstaller that
; takes everything back.
;
; makensis -DX86_DLL=<32-bit Pointix.dll> -DX64_DLL=<x64 Pointix.dll>
;          [-DARM64_DLL=<ARM64 Pointix.dll>]
;          -DOUTFILE=<Pointix-Setup.exe> -DVERSION=<a.b.c.d> -DPUBLISHER=<name>
;          -DCLSID=<{class id}> -DCLASS_NAME=<its name> -DSIGN=<sign.sh> Pointix.nsi
; SIGN signs the installer and the uninstaller when a certificate is given
; (see sign.sh) and leaves them as they are otherwise.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
; No file dates in the installer: the same sources pack to the same bytes.
SetDateSave off
!finalize '"${SIGN}" "%1"'
!uninstfinalize '"${SIGN}" "%1"'

!include LogicLib.nsh
!include x64.nsh

!define PRODUCT "Pointix"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pointix"
; Where an administrator lets only approved shell extensions load.
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Pointix"
ShowInstDetails show
ShowUninstDetails show

; English, and German for German users: the rule the pages choose by.
LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\German.nlf"
LangString RegisterFailed ${LANG_ENGLISH} "Pointix.dll could not be registered."
LangString RegisterFailed ${LANG_GERMAN} "Pointix.dll konnte nicht registriert werden."

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "Pointix Setup"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright © 2026 ${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The installer itself is a 32-bit program: the 64-bit module is registered
; by the system's own regsvr32 (in the real System32, hence no file system
; redirection around it; on ARM64 Windows an ARM64 program), the 32-bit
; module in this process.
!macro RegisterNative Switches Result
    ${DisableX64FSRedirection}
    ExecWait '"$SYSDIR\regsvr32.exe" ${Switches} "$INSTDIR\Pointix.dll"' ${Result}
    ${EnableX64FSRedirection}
!macroend

; German for every German display language (de-DE, de-AT, de-CH, …),
; English for all others.
!macro ChooseLanguage
    System::Call 'kernel32::GetUserDefaultUILanguage() i .r0'
    IntOp $0 $0 & 0x3FF
    ${If} $0 = 7
        StrCpy $LANGUAGE ${LANG_GERMAN}
    ${Else}
        StrCpy $LANGUAGE ${LANG_ENGLISH}
    ${EndIf}
!macroend

Function .onInit
    !insertmacro ChooseLanguage
    ${If} ${RunningX64}
        SetRegView 64
        StrCpy $INSTDIR "$PROGRAMFILES64\Pointix"
    ${EndIf}
FunctionEnd

Function un.onInit
    !insertmacro ChooseLanguage
    ${If} ${RunningX64}
        SetRegView 64
    ${EndIf}
FunctionEnd

; The approved value of each installed module, in its registry view: on
; 64-bit Windows the 64-bit view (where this installer has set it) and the
; 32-bit one beside it. Only ours goes again; every other approved shell
; extension stays.
!macro ApproveModules
    ${If} ${RunningX64}
        SetRegView 32
        WriteRegStr HKLM "${APPROVED_KEY}" "${CLSID}" "${CLASS_NAME}"
        SetRegView 64
    ${EndIf}
    WriteRegStr HKLM "${APPROVED_KEY}" "${CLSID}" "${CLASS_NAME}"
!macroend

!macro WithdrawApprovals
    ${If} ${RunningX64}
        SetRegView 32
        DeleteRegValue HKLM "${APPROVED_KEY}" "${CLSID}"
        SetRegView 64
    ${EndIf}
    DeleteRegValue HKLM "${APPROVED_KEY}" "${CLSID}"
!macroend

; Unregisters and removes the modules and the uninstaller: the uninstaller's
; work, and the installer's way back when a module refused to register.
; A module still loaded by an open Mouse control panel cannot be deleted at
; once; it goes at the next restart.
!macro RemoveModules
    ${If} ${RunningX64}
        !insertmacro RegisterNative "/u /s" $1
        UnRegDLL "$INSTDIR\x86\Pointix.dll"
        Delete /REBOOTOK "$INSTDIR\x86\Pointix.dll"
        RMDir /REBOOTOK "$INSTDIR\x86"
    ${Else}
        UnRegDLL "$INSTDIR\Pointix.dll"
    ${EndIf}
    !insertmacro WithdrawApprovals
    Delete /REBOOTOK "$INSTDIR\Pointix.dll"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir /REBOOTOK "$INSTDIR"
!macroend

; A module refused to register (it has rolled its own keys back): take back
; what was done so far and end with exit code 2.
Function Fail
    SetOutPath "$TEMP"
    !insertmacro RemoveModules
    SetErrorLevel 2
    MessageBox MB_OK|MB_ICONSTOP "$(RegisterFailed)" /SD IDOK
    Abort
FunctionEnd

Section "Pointix"
    SetOutPath "$INSTDIR"
    ${If} ${RunningX64}
        ; The machine's own architecture, asked with IsWow64Process2; where
        ; Windows lacks that (before Windows 10 1511, never on ARM64) the
        ; answer comes from the system's shared data.
        !ifdef ARM64_DLL
        ${If} ${IsNativeARM64}
            File "/oname=Pointix.dll" "${ARM64_DLL}"
        ${Else}
            File "/oname=Pointix.dll" "${X64_DLL}"
        ${EndIf}
        !else
        File "/oname=Pointix.dll" "${X64_DLL}"
        !endif
        SetOutPath "$INSTDIR\x86"
        File "/oname=Pointix.dll" "${X86_DLL}"
        SetOutPath "$INSTDIR"
        WriteUninstaller "$INSTDIR\Uninstall.exe"
        !insertmacro RegisterNative "/s" $0
        ${If} $0 != 0
            Call Fail
        ${EndIf}
        ClearErrors
        RegDLL "$INSTDIR\x86\Pointix.dll"
        ${If} ${Errors}
            Call Fail
        ${EndIf}
    ${Else}
        File "/oname=Pointix.dll" "${X86_DLL}"
        WriteUninstaller "$INSTDIR\Uninstall.exe"
        ClearErrors
        RegDLL "$INSTDIR\Pointix.dll"
        ${If} ${Errors}
            Call Fail
        ${EndIf}
    ${EndIf}

    !insertmacro ApproveModules
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    !insertmacro RemoveModules
    DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
