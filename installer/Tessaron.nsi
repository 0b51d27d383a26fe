; Setup of Tessaron: the program folder into Program Files\Tessaron, a Start-menu shortcut, the
; uninstall entry, and VXCOMMON made writable for the machine's users.
;
; scripts/package compiles it with
;   TESS_ARCH      x64 or x86 (the stub and plugins of that target, the registry view, Program Files)
;   TESS_BUILD     the build folder: generated/TessaronVersion.nsh and setup/files-<arch>.nsh
;   TESS_SOURCE    the source tree (the program's icon)
;   TESS_OUTFILE   the setup file to write
; files-<arch>.nsh is written by scripts/package from the program folder, so a file added to the
; program folder is installed and uninstalled without touching this script.
;
; Silent use:  setup.exe /S [/D=C:\Some Folder]       exit code 0 on success, 2 when aborted
;              Uninstall.exe /S [/PURGE]             /PURGE also removes VXCOMMON and the run data

Unicode true
!if "${TESS_ARCH}" == "x64"
  Target amd64-unicode
!else
  Target x86-unicode
!endif

!include "${TESS_BUILD}/generated/TessaronVersion.nsh"
!include "${TESS_BUILD}/setup/files-${TESS_ARCH}.nsh"
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Tessaron"
!define PUBLISHER "Ostrova"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaron"
!define UNINSTALLER "Uninstall.exe"
; Users in any language: the well-known SID of BUILTIN\Users, not its localized name.
!define USERS_SID "*S-1-5-32-545"

Name "${PRODUCT}"
OutFile "${TESS_OUTFILE}"
!if "${TESS_ARCH}" == "x64"
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
; An upgrade goes where the installed copy is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; A file that cannot be written (the program still running, say) must stop the setup, not be skipped.
AllowSkipFiles off
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${TESS_VERSION}"

VIProductVersion "${TESS_VERSION_RC}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${TESS_VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${TESS_VERSION_RC}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${TESS_VERSION_RC}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "© ${PUBLISHER}"

!define MUI_ICON "${TESS_SOURCE}/assets/Tessaron.ico"
!define MUI_UNICON "${TESS_SOURCE}/assets/Tessaron.ico"
!define MUI_ABORTWARNING
; The details stay on screen, so that a warning of the access rule can be read.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var Purge

; The program holds the machine-wide mutex while it runs; its files cannot be replaced or removed
; then. Silent runs give up with exit code 2.
!macro REFUSE_WHILE_RUNNING un
Function ${un}RefuseWhileRunning
  retry:
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Global\Tessaron") p .r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is running. Close it, then choose Retry." \
      /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd
!macroend
!insertmacro REFUSE_WHILE_RUNNING ""
!insertmacro REFUSE_WHILE_RUNNING "un."

!macro USE_MACHINE_VIEWS
  !if "${TESS_ARCH}" == "x64"
    SetRegView 64
  !endif
  SetShellVarContext all
!macroend

Function .onInit
  !insertmacro USE_MACHINE_VIEWS
  Call RefuseWhileRunning
FunctionEnd

; The program writes its logs and settings into VXCOMMON beside itself and its manifest asks for
; no elevation, so under Program Files that folder must be writable for every user who runs it.
Function GrantUsersVXCOMMON
  CreateDirectory "$INSTDIR\VXCOMMON"
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\VXCOMMON" /grant ${USERS_SID}:(OI)(CI)M /T /C /Q'
  Pop $0
  ${If} $0 != 0
    DetailPrint "icacls returned $0: VXCOMMON may not be writable for users who do not run ${PRODUCT} elevated."
  ${EndIf}
FunctionEnd

Function WriteUninstallEntry
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${TESS_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tessaron.exe"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${TESS_SIZE_KB}
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
FunctionEnd

Section "${PRODUCT}"
  !insertmacro TESS_INSTALL_FILES
  Call GrantUsersVXCOMMON
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Tessaron.exe"
  Call WriteUninstallEntry
SectionEnd

Function un.onInit
  !insertmacro USE_MACHINE_VIEWS
  Call un.RefuseWhileRunning
  StrCpy $Purge 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/PURGE" $R1
  ${IfNot} ${Errors}
    StrCpy $Purge 1
  ${EndIf}
FunctionEnd

; VXCOMMON holds the logs and settings of earlier runs; the Exchange result file and the default
; Exchange work folder are the program's run data too. They stay unless the user wants them gone.
Function un.RemoveRunData
  ${If} $Purge != 1
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "Also remove the logs and settings of earlier runs (the VXCOMMON folder)?" /SD IDNO IDYES purge
    Return
  ${EndIf}
  purge:
  RMDir /r "$INSTDIR\VXCOMMON"
  RMDir /r "$INSTDIR\EXCHANGETEMP"
  Delete "$INSTDIR\ExchTreeInfo.ini"
FunctionEnd

Section "Uninstall"
  !insertmacro TESS_REMOVE_FILES
  Delete "$INSTDIR\${UNINSTALLER}"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Call un.RemoveRunData
  RMDir "$INSTDIR"
  ; Last, so that an uninstall that stops half-way can be run again from Apps and Features.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
