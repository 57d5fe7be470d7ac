#!/bin/sh
# The Windows installer under Wine (tests/wine-run.sh), silent, with the logon task asked for: the program
# in Program Files with its Start-menu entry, the task and its event source, the program started from there
# and shown, then uninstalled: nothing of it left but the ntp.ini and the sync record it did not install. Wine
# runs no task at logon and keeps no trigger, account or command of one: the definition the installer gave it
# is read instead.
# usage: windows-installer.sh INSTALLER
set -e
c=$WINEPREFIX/drive_c
folder="$c/Program Files/Chronvale"
menu="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Chronvale"
task=$c/windows/system32/tasks/Chronvale
uninstallKey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Chronvale'
eventSource='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Chronvale'
fail() { echo "FAIL: $*" >&2; exit 1; }
waitFor() { # a condition, checked for 20 s
    for _ in $(seq 100); do eval "$1" && return; sleep 0.2; done
    fail "$2"
}

wine "$1" /S /LOGONTASK
[ -f "$folder/chronvale.exe" ] && [ -f "$folder/manual.pdf" ] && grep -aq 'chronvale\.exe' "$menu/Chronvale.lnk" || fail "no program, manual or Start-menu entry"
wine reg query "$uninstallKey" >/dev/null || fail "not among the installed programs"
wine reg query "$eventSource" /v EventMessageFile | grep -q 'Chronvale\\chronvale.exe' || fail "no event source"
tr -d '\0' <"$task" | grep -q '<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>' || fail "no task from the installer"
tr -d '\0\r\n' <"$folder/logontask.xml" >"$TMPDIR/task"
for part in "<LogonTrigger><UserId>[^<]*$(id -un)</UserId>" '<RunLevel>HighestAvailable</RunLevel>' \
    '<Command>C:\\Program Files\\Chronvale\\chronvale.exe</Command>'; do
    grep -q "$part" "$TMPDIR/task" || fail "task without $part: $(cat "$TMPDIR/task")"
done

printf '[serverIplist]\n1\\serverList_0=127.0.0.1 1000 1000 0\nsize=1\n[mainWindow]\nobjIp=127.0.0.1\n' >"$folder/ntp.ini"
wine "$folder/chronvale.exe" &
waitFor 'xdotool search --onlyvisible --name Chronvale >/dev/null' "the installed program shows no window"
wineserver -k

wine "$folder/Uninstall.exe" /S && wineserver -w
[ "$(ls -A "$folder" | grep -v '^sync-log')" = ntp.ini ] || fail "left in the program's folder: $(ls -A "$folder")"
[ ! -e "$menu" ] && [ ! -e "$task" ] || fail "Start-menu entry or task left"
! wine reg query "$uninstallKey" >/dev/null 2>&1 || fail "still among the installed programs"
! wine reg query "$eventSource" >/dev/null 2>&1 || fail "event source left"
