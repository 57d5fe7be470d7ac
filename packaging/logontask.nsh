; "登录时以管理员权限运行并自动对时": a scheduled task that starts the program at the installing user's
; logon with the highest privileges that user holds. Setting the clock needs an elevated process, and
; nothing started from the Run key ever is. /LOGONTASK on the command line ticks it for a silent install.
; The task runs in the user's session, on battery too, and is never stopped after a time limit. Its
; definition stays beside the program (logontask.xml), for an administrator to read or import again.

!macro ChronvaleLogonTaskInstall
  SectionGetFlags ${logontask} $0
  IntOp $0 $0 & ${SF_SELECTED}
  Push $CMDLINE
  Push "/LOGONTASK"
  Call StrStr
  Pop $1
  StrCmp "$0$1" "0" chronvale_no_task
  ReadEnvStr $2 USERNAME
  ReadEnvStr $3 USERDOMAIN
  StrCmp $3 "" +2
  StrCpy $2 "$3\$2"
  FileOpen $4 "$INSTDIR\logontask.xml" w
  FileWriteWord $4 0xFEFF
  FileWriteUTF16LE $4 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  FileWriteUTF16LE $4 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
  FileWriteUTF16LE $4 '<RegistrationInfo><Description>Chronvale: 登录时以管理员权限运行并自动对时</Description></RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $4 '<Triggers><LogonTrigger><UserId>$2</UserId></LogonTrigger></Triggers>$\r$\n'
  FileWriteUTF16LE $4 '<Principals><Principal id="Author"><UserId>$2</UserId><LogonType>InteractiveToken</LogonType>'
  FileWriteUTF16LE $4 '<RunLevel>HighestAvailable</RunLevel></Principal></Principals>$\r$\n'
  FileWriteUTF16LE $4 '<Settings><MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>'
  FileWriteUTF16LE $4 '<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>'
  FileWriteUTF16LE $4 '<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>'
  FileWriteUTF16LE $4 '<ExecutionTimeLimit>PT0S</ExecutionTimeLimit><Priority>5</Priority></Settings>$\r$\n'
  FileWriteUTF16LE $4 '<Actions Context="Author"><Exec><Command>$INSTDIR\chronvale.exe</Command></Exec></Actions>$\r$\n'
  FileWriteUTF16LE $4 '</Task>$\r$\n'
  FileClose $4
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Create /F /TN Chronvale /XML "$INSTDIR\logontask.xml"'
  Pop $0
  StrCmp $0 0 chronvale_no_task
  MessageBox MB_ICONEXCLAMATION|MB_OK "无法创建计划任务（$0）：登录时不会以管理员权限自动运行。" /SD IDOK
  chronvale_no_task:
!macroend

!macro ChronvaleLogonTaskUninstall
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /F /TN Chronvale'
  Pop $0
  Delete "$INSTDIR\logontask.xml"
!macroend
