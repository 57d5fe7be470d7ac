; Who may set the clock: the service ChronvaleSetTime (chronvale-settime.exe beside the program) does it
; for administrators and the members of the local group Chronvale; the program holds no right of its own.
; The installer makes the group with the person who installs in it, registers and starts the service, and
; removes what an earlier version left (its logon task). /INTERACTIVE on the command line ticks
; "所有用户都可设置时钟" for a silent install.

; (The template's Modern UI 1 takes "\r\n" for a new line in this text.)
!define MUI_WELCOMEPAGE_TEXT "本向导安装 Chronvale 和设置时钟的服务 ChronvaleSetTime。\r\n\r\n每个用户都可以打开 Chronvale、查看和输出时间；只有服务 ChronvaleSetTime 能设置系统时钟，它只为管理员和本机 Chronvale 组的成员设置。安装的人被加入这个组（重新登录后生效），管理员可以用 net localgroup Chronvale 用户名 /add 加入其他用户；组件页上的“所有用户都可设置时钟”（默认不勾选）把每个在本机登录的用户都加入。\r\n\r\n不再创建登录时以管理员权限运行的计划任务，早先版本的任务被删除。\r\n\r\n请先关闭正在运行的 Chronvale，再单击“下一步”。"
!define CHRONVALE_SERVICE ChronvaleSetTime
!define CHRONVALE_RUN "Software\Microsoft\Windows\CurrentVersion\Run"

; Program Files keeps ordinary users out. Another folder may hold nothing but Chronvale's own files (anyone
; may have put a DLL there that the program would load), and it gets Program Files' permissions:
; administrators and SYSTEM change it, users read and run it. The service runs from here.
!macro ChronvaleOwnFolder
  StrLen $1 "$PROGRAMFILES64\"
  StrCpy $2 "$INSTDIR" $1
  StrCmp $2 "$PROGRAMFILES64\" chronvale_folder_done
  FindFirst $1 $2 "$INSTDIR\*"
  chronvale_folder_next:
    StrCmp $2 "" chronvale_folder_listed
    StrCmp $2 "." chronvale_folder_known
    StrCmp $2 ".." chronvale_folder_known
    StrCmp $2 "chronvale.exe" chronvale_folder_known
    StrCmp $2 "chronvale-settime.exe" chronvale_folder_known
    StrCmp $2 "manual.pdf" chronvale_folder_known
    StrCmp $2 "ntp.ini" chronvale_folder_known
    StrCmp $2 "Uninstall.exe" chronvale_folder_known
    StrCmp $2 "logontask.xml" chronvale_folder_known
    StrCmp $2 "logontask.txt" chronvale_folder_known
    FindClose $1
    MessageBox MB_ICONSTOP|MB_OK "安装文件夹$INSTDIR中已有其他文件（$2）：请选择一个新的文件夹，或 Program Files 中的文件夹。" /SD IDOK
    Abort
  chronvale_folder_known:
    FindNext $1 $2
    Goto chronvale_folder_next
  chronvale_folder_listed:
  FindClose $1
  CreateDirectory "$INSTDIR"
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR" /setowner *S-1-5-32-544 /T /C /Q'
  Pop $1
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR" /reset /T /C /Q'
  Pop $2
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX /Q'
  Pop $3
  StrCmp "$1$2$3" "000" chronvale_folder_done
  MessageBox MB_ICONSTOP|MB_OK "无法为安装文件夹$INSTDIR设置权限（icacls：$1 $2 $3）：请选择 Program Files 中的文件夹。" /SD IDOK
  Abort
  chronvale_folder_done:
!macroend

; Before the files, in the first section of all: a folder outside Program Files made the program's own, the
; running service stopped so that its program can be replaced, and an earlier version's logon task gone.
!macro ChronvaleSections
; Unticked: INTERACTIVE (everyone who logs on here) joins the group.
Section /o "所有用户都可设置时钟" users
SectionEnd
Section -ChronvaleBeforeFiles
  !insertmacro ChronvaleOwnFolder
  nsExec::ExecToLog '"$SYSDIR\net.exe" stop ${CHRONVALE_SERVICE}'
  Pop $0
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /F /TN Chronvale'
  Pop $0
  Delete "$INSTDIR\logontask.xml"
  Delete "$INSTDIR\logontask.txt"
SectionEnd
!macroend

; After the files: the group, its members, and the service.
!macro ChronvaleInstall
  ; 0, or the group exists already.
  System::Call '*(w "Chronvale", w "可以通过 Chronvale 设置系统时钟的用户")p.r1'
  System::Call 'netapi32::NetLocalGroupAdd(p 0, i 1, p r1, p 0)i.r0'
  System::Free $1
  ; The user of this session, who may have elevated the installer with an administrator's password.
  System::Call 'wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 5, *p .r1, *i .r2)i.r0'
  StrCmp $0 0 chronvale_no_user
  System::Call '*$1(&w256 .r3)'
  System::Call 'wtsapi32::WTSFreeMemory(p r1)'
  System::Call 'wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 7, *p .r1, *i .r2)i.r0'
  StrCmp $0 0 chronvale_no_user
  System::Call '*$1(&w256 .r4)'
  System::Call 'wtsapi32::WTSFreeMemory(p r1)'
  System::Call '*(w "$4\$3")p.r1'
  System::Call 'netapi32::NetLocalGroupAddMembers(p 0, w "Chronvale", i 3, p r1, i 1)i.r0'
  System::Free $1
  chronvale_no_user:
  ; Everyone who logs on here (INTERACTIVE, S-1-5-4), when asked for; not any more, when not.
  System::Call 'advapi32::ConvertStringSidToSidW(w "S-1-5-4", *p .r5)i.r0'
  System::Call '*(p r5)p.r1'
  SectionGetFlags ${users} $0
  IntOp $0 $0 & ${SF_SELECTED}
  Push $CMDLINE
  Push "/INTERACTIVE"
  Call StrStr
  Pop $2
  StrCmp "$0$2" "0" chronvale_not_interactive
  System::Call 'netapi32::NetLocalGroupAddMembers(p 0, w "Chronvale", i 0, p r1, i 1)i.r0'
  Goto chronvale_interactive_done
  chronvale_not_interactive:
  System::Call 'netapi32::NetLocalGroupDelMembers(p 0, w "Chronvale", i 0, p r1, i 1)i.r0'
  chronvale_interactive_done:
  System::Free $1
  System::Call 'kernel32::LocalFree(p r5)'

  ; Started at boot, as LocalService, with the right to set the time as its one privilege.
  nsExec::ExecToLog '"$SYSDIR\sc.exe" create ${CHRONVALE_SERVICE} binPath= "\"$INSTDIR\chronvale-settime.exe\"" start= auto obj= "NT AUTHORITY\LocalService" DisplayName= "Chronvale 时钟设置服务"'
  Pop $0
  StrCmp $0 0 chronvale_service_made
  nsExec::ExecToLog '"$SYSDIR\sc.exe" config ${CHRONVALE_SERVICE} binPath= "\"$INSTDIR\chronvale-settime.exe\"" start= auto obj= "NT AUTHORITY\LocalService"'
  Pop $0
  chronvale_service_made:
  nsExec::ExecToLog '"$SYSDIR\sc.exe" description ${CHRONVALE_SERVICE} "为管理员和本机 Chronvale 组的成员按 Chronvale 测得的偏差设置系统时钟。"'
  Pop $0
  nsExec::ExecToLog '"$SYSDIR\sc.exe" privs ${CHRONVALE_SERVICE} SeSystemtimePrivilege'
  Pop $0
  ; An sc.exe without "privs" (Wine's): the list where the service manager keeps it.
  StrCmp $0 0 +2
  WriteRegMultiStr /REGEDIT5 HKLM "SYSTEM\CurrentControlSet\Services\${CHRONVALE_SERVICE}" RequiredPrivileges 53,00,65,00,53,00,79,00,73,00,74,00,65,00,6d,00,74,00,69,00,6d,00,65,00,50,00,72,00,69,00,76,00,69,00,6c,00,65,00,67,00,65,00,00,00,00,00
  nsExec::ExecToLog '"$SYSDIR\net.exe" start ${CHRONVALE_SERVICE}'
  Pop $0
  StrCmp $0 0 chronvale_service_started
  MessageBox MB_ICONEXCLAMATION|MB_OK "无法启动设置时钟的服务${CHRONVALE_SERVICE}（$0）：程序可以显示和输出时间，但不能设置时钟。" /SD IDOK
  chronvale_service_started:
!macroend

; The service and the group go; so does "razudori" of every user logged on, where it starts this program.
; Every ntp.ini stays.
!macro ChronvaleUninstall
  nsExec::ExecToLog '"$SYSDIR\net.exe" stop ${CHRONVALE_SERVICE}'
  Pop $0
  nsExec::ExecToLog '"$SYSDIR\sc.exe" delete ${CHRONVALE_SERVICE}'
  Pop $0
  System::Call 'netapi32::NetLocalGroupDel(p 0, w "Chronvale")i.r0'
  StrCpy $1 0
  chronvale_next_user:
    EnumRegKey $2 HKU "" $1
    StrCmp $2 "" chronvale_users_done
    IntOp $1 $1 + 1
    ReadRegStr $3 HKU "$2\${CHRONVALE_RUN}" razudori
    StrCmp $3 '"$INSTDIR\chronvale.exe"' +2
    StrCmp $3 "$INSTDIR\chronvale.exe" 0 chronvale_next_user
    DeleteRegValue HKU "$2\${CHRONVALE_RUN}" razudori
    Goto chronvale_next_user
  chronvale_users_done:
!macroend
