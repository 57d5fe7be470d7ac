#!/bin/sh
# Runs a Windows test program, or a script that runs some, under Wine inside the test's namespaces (netns-run.sh):
# in a copy of the build's Wine prefix (linked, but for the registry Wine rewrites), with Windows' temporary
# folder in the test's own, its own X server, and test output on stdout (Wine hands QT_ variables over by that
# name). Alone, it makes the prefix once. Wine starts every program elevated: a test program runs, as a user's
# program on Windows does, with the limited token (unelevated.exe, built beside the prefix, named to a script
# as $UNELEVATED); what a script runs with plain `wine` is elevated.
# usage: wine-run.sh PREFIX [PROGRAM.exe | SCRIPT] [ARGUMENT...]
template=$1
shift
export WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= WINEQT_FORCE_STDERR_LOGGING=1
if [ $# -eq 0 ]; then
    [ -f "$template/system.reg" ] || WINEPREFIX=$template sh -c 'wineboot --init && wineserver --wait' 2>/dev/null
    exit
fi
WINEPREFIX=$(mktemp -d "$template.XXXXXX") && export WINEPREFIX && trap 'rm -rf "$WINEPREFIX"' EXIT || exit 1
cp -al "$template/." "$WINEPREFIX" 2>/dev/null || cp -a "$template/." "$WINEPREFIX" || exit 1
(cd "$template" && cp --remove-destination system.reg user.reg userdef.reg "$WINEPREFIX/") && rm -f "$WINEPREFIX/wineserver" &&
    perl -pi -e '($w = "Z:$ENV{TMPDIR}") =~ s{/}{\\\\}g; s/^"(TEMP|TMP)"=.*/"$1"="$w"/' "$WINEPREFIX/user.reg" || exit 1
Xvfb -displayfd 3 -nolisten tcp -noreset 3>"$TMPDIR/display" 2>/dev/null &
while [ ! -s "$TMPDIR/display" ]; do sleep 0.1; done
export DISPLAY=":$(cat "$TMPDIR/display")"
export UNELEVATED="${template%/*}/unelevated.exe"
case $1 in
*.exe) program=$1 && shift && wine "$UNELEVATED" "Z:$program" "$@" ;;
*) "$@" ;;
esac
