; The Windows installer of the data center (makensis; scripts/windows-package.sh
; lays out the files in STAGE and writes the uninstall lists before it runs).
;   STAGE      folder holding KOVA_VazivoZeRurov_2\ and KOVA_VazivoZeRurov_1\
;   OUTFILE    the installer to write
;   VERSION    the version shown
; Edition 2 (datacenter2, datacenter-setup, the three companion tools) goes to
; C:\KOVA_VazivoZeRurov_2, edition 1 (datacenter1) to C:\KOVA_VazivoZeRurov_1,
; each with the Qt libraries, plugins and Spanish translations beside it. The
; data-center databases are laid out by datacenter-setup: on a first install
; it makes them, on an upgrade it keeps them (and adds the tables they lack);
; it also gives both folders their access lists (programs: only
; administrators change them; databases and outbox: only the accounts that
; run the programs, the installing one and those of /CUENTAS=a,b), and an
; upgrade repairs them. The uninstaller removes the programs and keeps the
; databases and the outbox, and says so.
Unicode true
; TARGET: amd64-unicode for the x86_64 package (a 64-bit installer, for a
; 64-bit program); the i686 package's installer is 32-bit, as its programs.
!ifdef TARGET
  Target ${TARGET}
!endif
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "FileFunc.nsh"

!define PRODUCT "KOVA Vazivo ze Rurov"
!define DIR2 "C:\KOVA_VazivoZeRurov_2"
!define DIR1 "C:\KOVA_VazivoZeRurov_1"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KOVA_VazivoZeRurov"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
!ifdef SIGN_UNINSTALLER
  ; The uninstaller is signed as it is written (windows-package.sh's hook).
  !uninstfinalize '"${SIGN_UNINSTALLER}" "%1"'
!endif
; As an administrator: the folders go under C:\ with access lists of their
; own, which only an administrator may set. The programs themselves run as
; the user who starts them (their manifests say asInvoker).
RequestExecutionLevel admin
ManifestSupportedOS all
ManifestDPIAware true
ManifestLongPathAware true
InstallDir "${DIR2}"
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1034 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1034 "FileDescription" "Instalador de ${PRODUCT}"
VIAddVersionKey /LANG=1034 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1034 "CompanyName" "KOVA Sistemas"
VIAddVersionKey /LANG=1034 "LegalCopyright" "KOVA Sistemas"

; Started by the shell, as the user of the desktop: not with the installer's
; administrator rights.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartAsTheUser
!define MUI_FINISHPAGE_RUN_TEXT "Iniciar Vazivo ze Rurov"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Spanish"

Function StartAsTheUser
  Exec '"$WINDIR\explorer.exe" "${DIR2}\datacenter2.exe"'
FunctionEnd

; The accounts that run the programs besides the installing one, from
; /CUENTAS=a,b (quoted when a name has blanks: /CUENTAS="Ana Ruiz,caja"), as
; datacenter-setup's arguments in $AccountArgs: ' --cuenta "a" --cuenta "b"'.
Var AccountArgs
Function AccountArguments
  StrCpy $AccountArgs ""
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/CUENTAS=" $R1
  IfErrors accountsDone
  accountsNext:
    StrCpy $R2 0
    accountsScan:
      StrCpy $R3 $R1 1 $R2
      StrCmp $R3 "" accountsCut
      StrCmp $R3 "," accountsCut
      IntOp $R2 $R2 + 1
      Goto accountsScan
    accountsCut:
      IntCmp $R2 0 accountsEmpty
      StrCpy $R4 $R1 $R2
      StrCpy $AccountArgs '$AccountArgs --cuenta "$R4"'
    accountsEmpty:
      IntOp $R2 $R2 + 1
      StrCpy $R1 $R1 "" $R2
      StrCmp $R3 "" accountsDone accountsNext
  accountsDone:
FunctionEnd

; Programs that are running keep their files: they are ended first, only the
; installed ones (an upgrade replaces them).
!macro EndRunning PROGRAM
  nsExec::ExecToLog 'taskkill /F /IM "${PROGRAM}"'
  Pop $0
!macroend

Section "Programas"
  SetShellVarContext current
  !insertmacro EndRunning "datacenter2.exe"
  !insertmacro EndRunning "datacenter1.exe"
  SetOverwrite on
  SetOutPath "${DIR2}"
  File /r "${STAGE}/KOVA_VazivoZeRurov_2/*.*"
  SetOutPath "${DIR1}"
  File /r "${STAGE}/KOVA_VazivoZeRurov_1/*.*"

  ; The databases, the outbox and the companion tools' places: made when
  ; missing, kept when there; then the folders' access lists. Status 2: an
  ; account or an access list failed.
  DetailPrint "Preparando las bases de datos y los permisos de las carpetas..."
  SetOutPath "${DIR2}"
  Call AccountArguments
  nsExec::ExecToLog '"${DIR2}\datacenter-setup.exe" --root C:\$AccountArgs'
  Pop $0
  StrCmp $0 "0" setupDone
  StrCmp $0 "2" 0 setupFailed
    MessageBox MB_OK|MB_ICONSTOP "No se pudieron fijar los permisos de las carpetas de ${PRODUCT} (código $0): sin ellos, otras cuentas de este equipo podrían cambiar los programas o leer las bases de datos. Los detalles de la instalación dicen qué cuenta o qué carpeta falló." /SD IDOK
    SetErrorLevel 2
    Abort
  setupFailed:
    MessageBox MB_OK|MB_ICONSTOP "No se pudieron preparar las bases de datos de ${PRODUCT} (código $0). Los detalles de la instalación dicen por qué." /SD IDOK
    SetErrorLevel 2
    Abort
  setupDone:

  WriteUninstaller "${DIR2}\Desinstalar.exe"
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\Vazivo ze Rurov.lnk" "${DIR2}\datacenter2.exe" "" "${DIR2}\datacenter2.exe" 0
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\Desinstalar.lnk" "${DIR2}\Desinstalar.exe"
  ; Lives in the tray from log-in on.
  WriteRegStr HKCU "${RUN_KEY}" "KOVA_VazivoZeRurov_2" '"${DIR2}\datacenter2.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "KOVA Sistemas"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "${DIR2}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"${DIR2}\Desinstalar.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"${DIR2}\Desinstalar.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  !insertmacro EndRunning "datacenter2.exe"
  !insertmacro EndRunning "datacenter1.exe"
  !insertmacro EndRunning "KOVA_BackUp.exe"
  ; Exactly the installed files (listed by windows-package.sh); the
  ; databases (Db\), the outbox and anything else of the shop's stay, and so
  ; do the folders that still hold them.
  !include "${STAGE}/uninstall-files.nsh"
  Delete "${DIR2}\Desinstalar.exe"
  RMDir "${DIR2}"
  RMDir "${DIR1}"
  Delete "$SMPROGRAMS\${PRODUCT}\Vazivo ze Rurov.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Desinstalar.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  DeleteRegValue HKCU "${RUN_KEY}" "KOVA_VazivoZeRurov_2"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  IfFileExists "${DIR2}\Db\*.*" 0 keptDone
    DetailPrint "Se conservaron los datos de la tienda: ${DIR2}\Db, ${DIR1}\Db y ${DIR2}\Bandeja_De_Salida. Una nueva instalación los vuelve a usar."
    MessageBox MB_OK|MB_ICONINFORMATION "Se desinstalaron los programas. Los datos de la tienda (bases de datos, configuración y bandeja de salida) se conservaron en ${DIR2} y ${DIR1}: una nueva instalación los vuelve a usar." /SD IDOK
  keptDone:
SectionEnd
