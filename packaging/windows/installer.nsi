; SPDX-License-Identifier: GPL-3.0-or-later
; The Windows installer (makensis, from packaging/windows/make_package.cmake, which defines KVX_STAGE,
; KVX_OUTFILE, KVX_VERSION, KVX_VERSION_TEXT, KVX_VERSION_QUAD and, with presets, KVX_HAS_PRESETS).
; KVX_STAGE is the zip's folder: every file installed comes from there, so the two hold the same files.
;
; Where each part goes (64-bit Windows; on 32-bit Windows the 32-bit parts go to the only Program Files):
;   VST 2.4, 64-bit   KVX-Tovik-x64.dll    a folder the user picks   (default %PROGRAMFILES%\VSTPlugins)
;   VST 2.4, 32-bit   KVX-Tovik.dll        a folder the user picks   (default %PROGRAMFILES(X86)%\VSTPlugins)
;   VST3              KVX Tovik.vst3\      %COMMONPROGRAMFILES%\VST3, both architectures; the 32-bit part
;                                          also in %COMMONPROGRAMFILES(X86)%\VST3 for 32-bit hosts
;   CLAP              kvx-tovik.clap       %COMMONPROGRAMFILES%\CLAP (64-bit), (X86)\CLAP (32-bit)
;   Presets           *.fxp                %PROGRAMDATA%\Brellmoor\KVX Tovik\Presets
;                     *.vstpreset          %PROGRAMDATA%\VST3 Presets\Brellmoor\KVX Tovik
;   always            uninstall.exe, README.txt, LICENSE.txt, THIRD-PARTY.txt in the program folder
;                     (default %PROGRAMFILES%\Brellmoor\KVX Tovik; /D= chooses another)
; Silent: /S, /D=FOLDER (last), /VST2DIR64=FOLDER, /VST2DIR32=FOLDER. The uninstaller is listed in
; Add/Remove Programs; it removes exactly these files, and each folder the install made once it is empty.
Unicode true
!ifdef KVX_TARGET_AMD64
  ; Only for the tests: the same installer as a 64-bit program, for a Wine without its 32-bit half.
  Target amd64-unicode
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include x64.nsh
!include Sections.nsh
!ifdef KVX_HAS_PRESETS
  !include "${KVX_STAGE}/../presets.nsh"
!endif

!define PRODUCT "KVX Tovik"
!define VENDOR "Brellmoor"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KVX Tovik"
!define BUNDLE "KVX Tovik.vst3"

Name "${PRODUCT} ${KVX_VERSION}"
OutFile "${KVX_OUTFILE}"
; No InstallDir: $INSTDIR is then empty in .onInit unless /D= gave it, and .onInit picks the default.
BrandingText "${VENDOR} ${PRODUCT} ${KVX_VERSION_TEXT}"
VIProductVersion ${KVX_VERSION_QUAD}
VIAddVersionKey /LANG=1033 ProductName "${PRODUCT}"
VIAddVersionKey /LANG=1033 CompanyName "${VENDOR}"
VIAddVersionKey /LANG=1033 FileDescription "${PRODUCT} ${KVX_VERSION} setup"
VIAddVersionKey /LANG=1033 FileVersion "${KVX_VERSION_TEXT}"
VIAddVersionKey /LANG=1033 ProductVersion "${KVX_VERSION_TEXT}"
VIAddVersionKey /LANG=1033 LegalCopyright "Copyright (C) 2026 ${VENDOR}. Licence: GNU GPL version 3 or later"

Var Vst2Dir64
Var Vst2Dir32
; Program Files and Common Files for 64-bit and for 32-bit programs (the same folders on 32-bit Windows),
; read from the registry rather than NSIS's own constants, which a 64-bit build of NSIS resolves to the
; native folders for both: so the tests' 64-bit build puts every file where this 32-bit one does.
Var Pf64
Var Pf32
Var Cf64
Var Cf32

!define MUI_ABORTWARNING
; The GPL grants rights and asks nothing to be accepted: the page informs, Next goes on.
!define MUI_LICENSEPAGE_TEXT_TOP "${PRODUCT} is free software under the GNU General Public License, version 3 or later."
!define MUI_LICENSEPAGE_TEXT_BOTTOM "You may use ${PRODUCT} for any purpose. You may share and change it under the terms above; it comes with no warranty."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "${KVX_STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_PRE Vst2Dir64Pre
!define MUI_PAGE_HEADER_TEXT "VST 2.4 plug-in folder, 64-bit"
!define MUI_PAGE_HEADER_SUBTEXT "Where your 64-bit hosts look for VST plug-ins"
!define MUI_DIRECTORYPAGE_TEXT_TOP "KVX-Tovik-x64.dll goes into this folder. Choose the folder your 64-bit host scans for VST 2.4 plug-ins."
!define MUI_DIRECTORYPAGE_VARIABLE $Vst2Dir64
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_CUSTOMFUNCTION_PRE Vst2Dir32Pre
!define MUI_PAGE_HEADER_TEXT "VST 2.4 plug-in folder, 32-bit"
!define MUI_PAGE_HEADER_SUBTEXT "Where your 32-bit hosts look for VST plug-ins"
!define MUI_DIRECTORYPAGE_TEXT_TOP "KVX-Tovik.dll goes into this folder. Choose the folder your 32-bit host scans for VST 2.4 plug-ins."
!define MUI_DIRECTORYPAGE_VARIABLE $Vst2Dir32
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

!define WINDOWS_KEY "Software\Microsoft\Windows\CurrentVersion"
!macro ReadFolder VAR NAME FALLBACK
  ReadRegStr ${VAR} HKLM "${WINDOWS_KEY}" "${NAME}"
  ${If} ${VAR} == ""
    StrCpy ${VAR} "${FALLBACK}"
  ${EndIf}
!macroend

; Leaves the native registry view selected: the uninstall entry and the folders chosen live there,
; whatever this program's own bitness (Add/Remove Programs lists both views), so that the tests' 64-bit
; build acts as this one does.
!macro ReadFolders
  ${If} ${RunningX64}
    SetRegView 64
    !insertmacro ReadFolder $Pf64 "ProgramFilesDir" "$PROGRAMFILES64"
    !insertmacro ReadFolder $Cf64 "CommonFilesDir" "$COMMONFILES64"
    !insertmacro ReadFolder $Pf32 "ProgramFilesDir (x86)" "$PROGRAMFILES32"
    !insertmacro ReadFolder $Cf32 "CommonFilesDir (x86)" "$COMMONFILES32"
  ${Else}
    StrCpy $Pf32 "$PROGRAMFILES"
    StrCpy $Cf32 "$COMMONFILES"
    StrCpy $Pf64 "$PROGRAMFILES"
    StrCpy $Cf64 "$COMMONFILES"
  ${EndIf}
!macroend

; Removes a folder and then its parents, DEPTH folders in all, each only when empty: a folder that holds
; anything else stays, and so do those above it.
!macro RemoveEmptyFolders FOLDER DEPTH
  StrCpy $R9 "${FOLDER}"
  StrCpy $R8 ${DEPTH}
  ${DoWhile} $R8 > 0
    RMDir "$R9"
    ${GetParent} "$R9" $R9
    IntOp $R8 $R8 - 1
  ${Loop}
!macroend

; How many folders, from FOLDER up, do not exist yet and so will be made for it: the uninstaller removes
; those (when empty) and no folder that was there before. Kept in the uninstall entry as NAME.
!macro RecordFoldersMade FOLDER NAME
  StrCpy $R9 "${FOLDER}"
  StrCpy $R8 0
  ${DoUntil} $R9 == ""
    ${If} ${FileExists} "$R9\*.*"
      ${Break}
    ${EndIf}
    IntOp $R8 $R8 + 1
    ${GetParent} "$R9" $R9
  ${Loop}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "${NAME}" $R8
!macroend

Section "-Program folder" SecProgram
  ; An earlier install goes first, so that a plug-in left in a folder no longer chosen cannot stay.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    ; Run in place (_?=), it cannot remove itself nor its folder: that is done here.
    ReadRegDWORD $1 HKLM "${UNINSTALL_KEY}" "InstallLocationMade"
    ExecWait '"$0\uninstall.exe" /S _?=$0'
    Delete "$0\uninstall.exe"
    !insertmacro RemoveEmptyFolders "$0" $1
  ${EndIf}
  !insertmacro RecordFoldersMade "$INSTDIR" "InstallLocationMade"
  SetOutPath "$INSTDIR"
  File "${KVX_STAGE}/README.txt"
  File "${KVX_STAGE}/LICENSE.txt"
  File "${KVX_STAGE}/THIRD-PARTY.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
SectionEnd

Section "VST 2.4, 64-bit" SecVst2x64
  !insertmacro RecordFoldersMade "$Vst2Dir64" "Vst2Folder64Made"
  SetOutPath "$Vst2Dir64"
  File "${KVX_STAGE}/VST2/64-bit/KVX-Tovik-x64.dll"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Vst2Folder64" "$Vst2Dir64"
SectionEnd

Section "VST 2.4, 32-bit" SecVst2x86
  !insertmacro RecordFoldersMade "$Vst2Dir32" "Vst2Folder32Made"
  SetOutPath "$Vst2Dir32"
  File "${KVX_STAGE}/VST2/32-bit/KVX-Tovik.dll"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Vst2Folder32" "$Vst2Dir32"
SectionEnd

Section "VST3" SecVst3
  ; On 32-bit Windows $Cf64 is the only Common Files folder.
  SetOutPath "$Cf64\VST3\${BUNDLE}\Contents\x86_64-win"
  File "${KVX_STAGE}/VST3/${BUNDLE}/Contents/x86_64-win/${BUNDLE}"
  SetOutPath "$Cf64\VST3\${BUNDLE}\Contents\x86-win"
  File "${KVX_STAGE}/VST3/${BUNDLE}/Contents/x86-win/${BUNDLE}"
  ${If} ${RunningX64}
    SetOutPath "$Cf32\VST3\${BUNDLE}\Contents\x86-win"
    File "${KVX_STAGE}/VST3/${BUNDLE}/Contents/x86-win/${BUNDLE}"
  ${EndIf}
SectionEnd

Section "CLAP" SecClap
  ${If} ${RunningX64}
    SetOutPath "$Cf64\CLAP"
    File "${KVX_STAGE}/CLAP/64-bit/kvx-tovik.clap"
  ${EndIf}
  SetOutPath "$Cf32\CLAP"
  File "${KVX_STAGE}/CLAP/32-bit/kvx-tovik.clap"
SectionEnd

!ifdef KVX_HAS_PRESETS
Section "Factory presets" SecPresets
  SetShellVarContext all
  SetOutPath "$APPDATA\${VENDOR}\${PRODUCT}\Presets"
  !insertmacro KvxFxpFiles
  SetOutPath "$APPDATA\VST3 Presets\${VENDOR}\${PRODUCT}"
  !insertmacro KvxVstPresetFiles
SectionEnd
!endif

Section "-Uninstall entry" SecRegister
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${KVX_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${KVX_VERSION_TEXT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "https://brellmoor.example/kvx-tovik"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecVst2x64} $0
  SectionGetSize ${SecVst2x86} $1
  IntOp $0 $0 + $1
  SectionGetSize ${SecVst3} $1
  IntOp $0 $0 + $1
  SectionGetSize ${SecClap} $1
  IntOp $0 $0 + $1
!ifdef KVX_HAS_PRESETS
  SectionGetSize ${SecPresets} $1
  IntOp $0 $0 + $1
!endif
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecVst2x64} "The VST 2.4 plug-in for 64-bit hosts (KVX-Tovik-x64.dll)."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecVst2x86} "The VST 2.4 plug-in for 32-bit hosts (KVX-Tovik.dll)."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecVst3} "The VST3 plug-in, 32- and 64-bit, in the common VST3 folder."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecClap} "The CLAP plug-in in the common CLAP folder."
!ifdef KVX_HAS_PRESETS
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPresets} "Factory presets as FXP files and as VST3 presets."
!endif
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; A folder from the command line (/NAME=FOLDER), else the one the registry names for VST plug-ins (the
; key many hosts and installers share), else the default.
!macro Vst2Folder VAR OPTION DEFAULT
  ReadRegStr ${VAR} HKLM "Software\VST" "VSTPluginsPath"
  ${If} ${VAR} == ""
    StrCpy ${VAR} "${DEFAULT}"
  ${EndIf}
  ${GetOptions} $R0 "${OPTION}" $R1
  ${IfNot} ${Errors}
  ${AndIf} $R1 != ""
    StrCpy ${VAR} $R1
  ${EndIf}
!macroend

Function .onInit
  SetShellVarContext all
  !insertmacro ReadFolders
  ; Without quotes, so that /VST2DIR64="C:\My VST" and "/VST2DIR64=C:\My VST" both read the same.
  ${GetParameters} $R0
  ${WordReplace} $R0 '"' '' '+' $R0
  ${If} ${RunningX64}
    SetRegView 32
    !insertmacro Vst2Folder $Vst2Dir32 "/VST2DIR32=" "$Pf32\VSTPlugins"
    SetRegView 64
    !insertmacro Vst2Folder $Vst2Dir64 "/VST2DIR64=" "$Pf64\VSTPlugins"
  ${Else}
    !insertmacro Vst2Folder $Vst2Dir32 "/VST2DIR32=" "$Pf32\VSTPlugins"
    ; No 64-bit plug-in on 32-bit Windows: shown, but neither selected nor selectable.
    SectionSetFlags ${SecVst2x64} ${SF_RO}
    SectionSetText ${SecVst2x64} "VST 2.4, 64-bit (64-bit Windows only)"
  ${EndIf}
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR "$Pf64\${VENDOR}\${PRODUCT}"
  ${EndIf}
FunctionEnd

Function Vst2Dir64Pre
  ${IfNot} ${SectionIsSelected} ${SecVst2x64}
    Abort
  ${EndIf}
FunctionEnd

Function Vst2Dir32Pre
  ${IfNot} ${SectionIsSelected} ${SecVst2x86}
    Abort
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext all
  !insertmacro ReadFolders
FunctionEnd


Section "Uninstall"
  ; In the reverse order of the install, so that a folder made for the first is empty by its turn.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "Vst2Folder32"
  ${If} $0 != ""
    Delete "$0\KVX-Tovik.dll"
    ReadRegDWORD $1 HKLM "${UNINSTALL_KEY}" "Vst2Folder32Made"
    !insertmacro RemoveEmptyFolders "$0" $1
  ${EndIf}
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "Vst2Folder64"
  ${If} $0 != ""
    Delete "$0\KVX-Tovik-x64.dll"
    ReadRegDWORD $1 HKLM "${UNINSTALL_KEY}" "Vst2Folder64Made"
    !insertmacro RemoveEmptyFolders "$0" $1
  ${EndIf}

  Delete "$Cf64\VST3\${BUNDLE}\Contents\x86_64-win\${BUNDLE}"
  Delete "$Cf64\VST3\${BUNDLE}\Contents\x86-win\${BUNDLE}"
  RMDir "$Cf64\VST3\${BUNDLE}\Contents\x86_64-win"
  !insertmacro RemoveEmptyFolders "$Cf64\VST3\${BUNDLE}\Contents\x86-win" 4
  ${If} ${RunningX64}
    Delete "$Cf32\VST3\${BUNDLE}\Contents\x86-win\${BUNDLE}"
    !insertmacro RemoveEmptyFolders "$Cf32\VST3\${BUNDLE}\Contents\x86-win" 4
    Delete "$Cf64\CLAP\kvx-tovik.clap"
    RMDir "$Cf64\CLAP"
  ${EndIf}
  Delete "$Cf32\CLAP\kvx-tovik.clap"
  RMDir "$Cf32\CLAP"

!ifdef KVX_HAS_PRESETS
  !insertmacro KvxUnFxpFiles "$APPDATA\${VENDOR}\${PRODUCT}\Presets"
  !insertmacro RemoveEmptyFolders "$APPDATA\${VENDOR}\${PRODUCT}\Presets" 3
  !insertmacro KvxUnVstPresetFiles "$APPDATA\VST3 Presets\${VENDOR}\${PRODUCT}"
  !insertmacro RemoveEmptyFolders "$APPDATA\VST3 Presets\${VENDOR}\${PRODUCT}" 3
!endif

  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY.txt"
  Delete "$INSTDIR\uninstall.exe"
  ReadRegDWORD $1 HKLM "${UNINSTALL_KEY}" "InstallLocationMade"
  !insertmacro RemoveEmptyFolders "$INSTDIR" $1
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
