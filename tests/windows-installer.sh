#!/bin/sh
# The Windows installer under Wine (tests/wine-run.sh), silent. A folder with a file of someone else's is
# refused. Over what the previous version left (its logon task, made as its installer made it): the program
# and the set-time service in Program Files, the service registered as LocalService with the one privilege
# and running, the program's event source, the group asked for with the installing user in it and without
# INTERACTIVE, the task gone; the program started unelevated, and an elevated copy that ignores a plugin folder
# on its command line; INTERACTIVE added when asked for. Then uninstalled: nothing left but the ntp.ini and the
# sync record it did not install, no service, event source, group, Start-menu entry, or "razudori" that starts
# it. Wine keeps no groups (its netapi32 only reports the calls, which are read from its log) and gives every
# program it starts an elevated token.
# usage: windows-installer.sh INSTALLER
set -e
c=$WINEPREFIX/drive_c
folder="$c/Program Files/Chronvale"
menu="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Chronvale"
task=$c/windows/system32/tasks/Chronvale
service='HKLM\System\CurrentControlSet\Services\ChronvaleSetTime'
run='Software\Microsoft\Windows\CurrentVersion\Run'
uninstallKey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Chronvale'
eventSource='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Chronvale'
fail() { echo "FAIL: $*" >&2; exit 1; }
waitFor() { # a condition, checked for 20 s
    for _ in $(seq 100); do eval "$1" && return; sleep 0.2; done
    fail "$2"
}
groupCall() { grep -aqF "NetLocalGroup$2 ((null) $3" "$TMPDIR/$1" || fail "$1: no NetLocalGroup$2 $3"; }

mkdir -p "$c/Custom" && touch "$c/Custom/version.dll"
! wine "$1" /S '/D=C:\Custom' && [ ! -e "$c/Custom/chronvale.exe" ] || fail "installed beside someone else's DLL"

printf '<?xml version="1.0"?><Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task"><Triggers><LogonTrigger/></Triggers><Actions><Exec><Command>C:\\Program Files\\Chronvale\\chronvale.exe</Command></Exec></Actions></Task>' >"$TMPDIR/task.xml"
wine schtasks /Create /F /TN Chronvale /XML "Z:$TMPDIR/task.xml" >/dev/null && [ -e "$task" ] || fail "no earlier task"
WINEDEBUG=fixme+netapi32 wine "$1" /S 2>"$TMPDIR/install"
[ -f "$folder/chronvale.exe" ] && [ -f "$folder/manual.pdf" ] && grep -aq 'chronvale\.exe' "$menu/Chronvale.lnk" || fail "no program, manual or Start-menu entry"
wine reg query "$uninstallKey" >/dev/null || fail "not among the installed programs"
wine reg query "$eventSource" /v EventMessageFile | grep -q 'Chronvale\\chronvale.exe' || fail "no event source"
[ ! -e "$task" ] || fail "the earlier version's logon task is left"
wine reg query "$service" | tr -d '\r' >"$TMPDIR/service"
for part in 'ImagePath    REG_SZ    "C:\\Program Files\\Chronvale\\chronvale-settime.exe"$' 'Start    REG_DWORD    0x2$' \
    'ObjectName    REG_SZ    NT AUTHORITY\\LocalService$' 'RequiredPrivileges    REG_MULTI_SZ    SeSystemtimePrivilege$'; do
    grep -q "$part" "$TMPDIR/service" || fail "service without $part: $(cat "$TMPDIR/service")"
done
wine sc query ChronvaleSetTime | grep -q RUNNING || fail "the service does not run"
groupCall install Add 1 && groupCall install AddMembers 'L"Chronvale" 3' && groupCall install DelMembers 'L"Chronvale" 0'

printf '[serverIplist]\n1\\serverList_0=127.0.0.1 1000 1000 0\nsize=1\n[mainWindow]\nobjIp=127.0.0.1\n' >"$folder/ntp.ini"
# Qt built statically loads no plugin from any folder; an elevated copy also drops its command line, where Qt's
# own options name plugin folders: started while an unelevated copy runs, it hands over no argument.
wine "$UNELEVATED" 'C:\Program Files\Chronvale\chronvale.exe' 2>"$TMPDIR/first" &
waitFor 'xdotool search --onlyvisible --name Chronvale >/dev/null' "the installed program shows no window"
wine "$folder/chronvale.exe" -platformpluginpath 'Z:\planted' planted 2>/dev/null &
waitFor 'grep -q "The value is: " "$TMPDIR/first"' "nothing handed over by a second copy"
! grep -q planted "$TMPDIR/first" || fail "an elevated copy took an option: $(cat "$TMPDIR/first")"
wine taskkill /F /IM chronvale.exe >/dev/null 2>&1

WINEDEBUG=fixme+netapi32 wine "$1" /S /INTERACTIVE 2>"$TMPDIR/again" && groupCall again AddMembers 'L"Chronvale" 0'
wine sc query ChronvaleSetTime | grep -q RUNNING || fail "the service does not run after installing again"

wine reg add "HKCU\\$run" /v razudori /d '"C:\Program Files\Chronvale\chronvale.exe"' /f >/dev/null
wine reg add "HKU\\.DEFAULT\\$run" /v razudori /d 'C:\Elsewhere\chronvale.exe' /f >/dev/null
WINEDEBUG=fixme+netapi32 wine "$folder/Uninstall.exe" /S 2>"$TMPDIR/uninstall" && wineserver -w
[ "$(ls -A "$folder" | grep -v '^sync-log')" = ntp.ini ] || fail "left in the program's folder: $(ls -A "$folder")"
[ ! -e "$menu" ] || fail "Start-menu entry left"
! wine reg query "$uninstallKey" >/dev/null 2>&1 || fail "still among the installed programs"
! wine reg query "$service" >/dev/null 2>&1 || fail "the service is left"
! wine reg query "$eventSource" >/dev/null 2>&1 || fail "event source left"
groupCall uninstall Del 'L"Chronvale")'
! wine reg query "HKCU\\$run" /v razudori >/dev/null 2>&1 || fail "razudori left"
wine reg query "HKU\\.DEFAULT\\$run" /v razudori >/dev/null || fail "another program's razudori removed"
