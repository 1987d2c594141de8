; The Windows installer: both DLLs, for all users (administrator) or the
; current user only, each DLL registered in its own registry view by its own
; registration (regsvr32 of its word size), an entry under installed
; programs, and an uninstaller that leaves the user's settings alone.
; build.sh passes VERSION (the project's), DIST (the folder `dist` fills:
; x64\ and x86\) and OUTFILE.
;
; Silent use: setup.exe /S /AllUsers | /CurrentUser [/D=folder]
;             uninstall.exe /S /AllUsers | /CurrentUser

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestSupportedOS all
ManifestDPIAware true

!define PRODUCT "Quorvix Transmitter"
!define PUBLISHER "Quorvix"
; Where the folder and scope of this installation are remembered, in the
; scope's own hive (SHCTX).
!define SETUP_KEY "Software\Quorvix\Transmitter"
!define UNINSTALL_KEY \
  "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorvixTransmitter"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Quorvix"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${SETUP_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${SETUP_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ABORTWARNING
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first is the fallback for any other system language.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"

LangString InUse ${LANG_ENGLISH} \
  "A program has the Quorvix driver loaded:$\r$\n$R9$\r$\n$\r$\nClose every lighting program that uses it, then choose Retry."
LangString InUse ${LANG_GERMAN} \
  "Ein Programm hat den Quorvix-Treiber geladen:$\r$\n$R9$\r$\n$\r$\nSchließen Sie jedes Lichtsteuerprogramm, das ihn verwendet, und wählen Sie dann Wiederholen."
LangString PreviousFailed ${LANG_ENGLISH} \
  "The installed version in $R0 could not be removed completely (code $R1). Remove it under installed programs, then run this installer again."
LangString PreviousFailed ${LANG_GERMAN} \
  "Die installierte Version in $R0 ließ sich nicht vollständig entfernen (Code $R1). Entfernen Sie sie unter den installierten Programmen und starten Sie dann dieses Installationsprogramm erneut."
LangString RegisterFailed ${LANG_ENGLISH} \
  "$R9 could not be registered (regsvr32 code $R1). The installation was undone."
LangString RegisterFailed ${LANG_GERMAN} \
  "$R9 ließ sich nicht registrieren (regsvr32-Code $R1). Die Installation wurde rückgängig gemacht."
LangString No32Bit ${LANG_ENGLISH} \
  "This Windows runs no 32-bit programs: only the 64-bit driver is installed."
LangString No32Bit ${LANG_GERMAN} \
  "Dieses Windows führt keine 32-Bit-Programme aus: nur der 64-Bit-Treiber wird installiert."
LangString UnregisterFailed ${LANG_ENGLISH} \
  "$R9 could not be unregistered (regsvr32 code $R1); its files were removed all the same."
LangString UnregisterFailed ${LANG_GERMAN} \
  "$R9 ließ sich nicht abmelden (regsvr32-Code $R1); seine Dateien wurden trotzdem entfernt."

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${PUBLISHER}"

; regsvr32 of each word size registers its DLL through the DLL's own
; registration: DllRegisterServer for all users, DllInstall "user" for the
; current user (the 64-bit one from System32, the 32-bit one from SysWOW64,
; each writing its own registry view). $R2 is set by Scope.
!define REGSVR64 "$SYSDIR\regsvr32.exe"
!define REGSVR32 "$WINDIR\SysWOW64\regsvr32.exe"

!macro SHARED un
  ; $R2: the switches that pick the scope of this installation.
  Function ${un}Scope
    ${If} $MultiUser.InstallMode == "AllUsers"
      StrCpy $R2 "/s"
    ${Else}
      StrCpy $R2 "/s /n /i:user"
    ${EndIf}
  FunctionEnd

  ; A DLL a host has loaded cannot be opened for writing. Asks until it is
  ; free or the user gives up (a silent run gives up at once: exit code 3).
  ; $INSTDIR: the folder to check.
  Function ${un}WaitUntilFree
    again:
    StrCpy $R9 "$INSTDIR\x64\quorvix.dll"
    Call ${un}IsFree
    StrCmp $R8 "busy" busy
    StrCpy $R9 "$INSTDIR\x86\quorvix.dll"
    Call ${un}IsFree
    StrCmp $R8 "busy" busy
    Return
    busy:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(InUse)" /SD IDCANCEL IDRETRY again
    DetailPrint "$(InUse)"
    SetErrorLevel 3
    Quit
  FunctionEnd

  ; $R9: a file; $R8: "busy" when it exists and cannot be written.
  Function ${un}IsFree
    StrCpy $R8 ""
    IfFileExists "$R9" 0 done
    ClearErrors
    FileOpen $R7 "$R9" a
    IfErrors 0 +3
    StrCpy $R8 "busy"
    Return
    FileClose $R7
    done:
  FunctionEnd

  ; Runs regsvr32 $R6 with the scope's switches and $R5 ("" or "/u") on
  ; $R9; $R1: its exit code, "not started" when it could not run.
  Function ${un}Regsvr
    ClearErrors
    ExecWait '"$R6" $R5 $R2 "$R9"' $R1
    IfErrors 0 +2
    StrCpy $R1 "not started"
  FunctionEnd

  ; Unregisters both DLLs of $INSTDIR (those present); $R3 is "failed" when
  ; one refused.
  Function ${un}UnregisterBoth
    Call ${un}Scope
    StrCpy $R3 ""
    StrCpy $R5 "/u"
    IfFileExists "$INSTDIR\x64\quorvix.dll" 0 x86
    StrCpy $R9 "$INSTDIR\x64\quorvix.dll"
    StrCpy $R6 "${REGSVR64}"
    Call ${un}Regsvr
    ${If} $R1 != 0
      DetailPrint "$(UnregisterFailed)"
      StrCpy $R3 "failed"
    ${EndIf}
    x86:
    IfFileExists "$INSTDIR\x86\quorvix.dll" 0 done
    StrCpy $R9 "$INSTDIR\x86\quorvix.dll"
    StrCpy $R6 "${REGSVR32}"
    Call ${un}Regsvr
    ${If} $R1 != 0
      DetailPrint "$(UnregisterFailed)"
      StrCpy $R3 "failed"
    ${EndIf}
    done:
  FunctionEnd

  Function ${un}RemoveFiles
    Delete "$INSTDIR\x64\quorvix.dll"
    Delete "$INSTDIR\x86\quorvix.dll"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR\x64"
    RMDir "$INSTDIR\x86"
    RMDir "$INSTDIR"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    DeleteRegKey SHCTX "${SETUP_KEY}"
    DeleteRegKey /ifempty SHCTX "Software\Quorvix"
  FunctionEnd
!macroend
!insertmacro SHARED ""
!insertmacro SHARED "un."

Function .onInit
  ; /D= has set $INSTDIR already; MultiUser would put its default over it.
  StrCpy $R0 $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $R0 != ""
    StrCpy $INSTDIR $R0
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

; An installation of this scope, in whatever folder, is removed by its own
; uninstaller first, so upgrading keeps one entry and one registration. Its
; DLLs must be free before anything changes.
Function RemovePrevious
  ReadRegStr $R0 SHCTX "${SETUP_KEY}" "InstallLocation"
  StrCmp $R0 "" done
  IfFileExists "$R0\uninstall.exe" 0 done
  Push $INSTDIR
  StrCpy $INSTDIR $R0
  Call WaitUntilFree
  Pop $INSTDIR
  ; _?= runs it in place and waits for it.
  ClearErrors
  ExecWait '"$R0\uninstall.exe" /S /$MultiUser.InstallMode _?=$R0' $R1
  IfErrors 0 +2
  StrCpy $R1 "not started"
  ${If} $R1 != 0
    MessageBox MB_OK|MB_ICONSTOP "$(PreviousFailed)" /SD IDOK
    DetailPrint "$(PreviousFailed)"
    SetErrorLevel 2
    Quit
  ${EndIf}
  Delete "$R0\uninstall.exe"
  RMDir "$R0"
  done:
FunctionEnd

; Undoes this run's work and ends with exit code 2: nothing half-installed
; stays behind.
Function Undo
  MessageBox MB_OK|MB_ICONSTOP "$(RegisterFailed)" /SD IDOK
  DetailPrint "$(RegisterFailed)"
  Call UnregisterBoth
  Call RemoveFiles
  SetErrorLevel 2
  Quit
FunctionEnd

Section "Install"
  Call WaitUntilFree
  Call RemovePrevious
  Call Scope

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetOutPath "$INSTDIR\x64"
  File "${DIST}/x64/quorvix.dll"
  StrCpy $R5 ""
  StrCpy $R6 "${REGSVR64}"
  StrCpy $R9 "$INSTDIR\x64\quorvix.dll"
  Call Regsvr
  ${If} $R1 != 0
    Call Undo
  ${EndIf}

  ; Without a 32-bit subsystem (WOW64 removed) no host could load it.
  ${If} ${FileExists} "${REGSVR32}"
    SetOutPath "$INSTDIR\x86"
    File "${DIST}/x86/quorvix.dll"
    StrCpy $R5 ""
    StrCpy $R6 "${REGSVR32}"
    StrCpy $R9 "$INSTDIR\x86\quorvix.dll"
    Call Regsvr
    ${If} $R1 != 0
      Call Undo
    ${EndIf}
  ${Else}
    DetailPrint "$(No32Bit)"
  ${EndIf}
  SetOutPath "$INSTDIR"

  WriteRegStr SHCTX "${SETUP_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${SETUP_KEY}" "InstallMode" "$MultiUser.InstallMode"
  WriteRegStr SHCTX "${SETUP_KEY}" "Version" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\uninstall.exe" /S /$MultiUser.InstallMode'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $R4 $R5 $R6
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $R4
SectionEnd

; The settings the plug-in keeps per host under HKEY_CURRENT_USER are the
; user's data and stay.
Section "Uninstall"
  Call un.WaitUntilFree
  Call un.UnregisterBoth
  Call un.RemoveFiles
  ${If} $R3 == "failed"
    SetErrorLevel 2
  ${EndIf}
SectionEnd
