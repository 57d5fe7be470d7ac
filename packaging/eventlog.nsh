; The event source "Chronvale" of the Application log, under which the program writes its changes of sync
; (a set, the first failure, the first success again, a stop by the limit). The program itself holds the
; message table the log's viewers read those lines with.

!define CHRONVALE_EVENT_SOURCE "SYSTEM\CurrentControlSet\Services\EventLog\Application\Chronvale"

!macro ChronvaleEventLogInstall
  WriteRegExpandStr HKLM "${CHRONVALE_EVENT_SOURCE}" "EventMessageFile" "$INSTDIR\chronvale.exe"
  WriteRegDWORD HKLM "${CHRONVALE_EVENT_SOURCE}" "TypesSupported" 7
!macroend

!macro ChronvaleEventLogUninstall
  DeleteRegKey HKLM "${CHRONVALE_EVENT_SOURCE}"
!macroend
