#!/bin/sh
# Runs a test in user, network (loopback only) and process namespaces of its own, with its own temporary and
# configuration folders: nothing it starts reaches another host, sets the clock or outlives it. Its local time is
# neither UTC nor the UTC+8 of the time datagram and the dispose time, so that no two of them can be confused.
dir=$(mktemp -d "${TMPDIR:-/tmp}/chronvale-test.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/config" "$dir/runtime" && chmod 700 "$dir/runtime" || exit 1
# No system bus either: a test that wants one starts its own. Broadcasts go out on lo, and names are asked of
# a resolver on 127.0.0.1, which a test may play. A read-only folder holds an administrator's ntp.ini, as an
# installed program's folder would.
TZ=XST+5 TMPDIR=$dir XDG_CONFIG_HOME=$dir/config XDG_RUNTIME_DIR=$dir/runtime DBUS_SYSTEM_BUS_ADDRESS=unix:path=$dir/none unshare --user --map-root-user --net --pid --fork --mount-proc sh -c 'ip link set lo up && ip route replace 255.255.255.255/32 dev lo &&
    printf "nameserver 127.0.0.1\noptions timeout:4 attempts:1\n" >"$TMPDIR/resolv.conf" &&
    mount --bind "$TMPDIR/resolv.conf" /etc/resolv.conf && mkdir "$TMPDIR/readonly" && echo preset >"$TMPDIR/readonly/ntp.ini" &&
    mount --bind -o ro "$TMPDIR/readonly" "$TMPDIR/readonly" && exec "$@"' netns-run "$@"
