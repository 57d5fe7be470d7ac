#!/bin/sh
# Checks the .deb (lintian, files, control data), then installs it with dpkg in a throwaway root: an overlay
# of / in namespaces of its own, so this machine's packages, groups and files stay as they are. Needs root.
set -eu
deb=$(realpath "$1")/chronvale_$2_$(dpkg --print-architecture).deb
fail() { echo "FAIL: $*" >&2; exit 1; }
if [ -z "${CHRONVALE_PACKAGE_ROOT:-}" ]; then
    [ "$(id -u)" -eq 0 ] || { echo "SKIP: the throwaway root needs root"; exit 77; }
    dir=$(mktemp -d) status=0
    CHRONVALE_PACKAGE_ROOT=$dir unshare --mount --net --pid --fork --kill-child --mount-proc --propagation private "$0" "$@" || status=$?
    rmdir "$dir" && exit $status
fi

[ -f "$deb" ] || fail "no $deb"
lintian --fail-on error "$deb"
expected=$({ for size in 16 32 48 64 128 256; do echo "-rw-r--r-- ./usr/share/icons/hicolor/${size}x$size/apps/chronvale.png"; done
    echo '-rwxr-xr-x ./usr/bin/chronvale
-rw-r--r-- ./usr/lib/chronvale/libntpclient.so
-rw-r--r-- ./usr/share/applications/chronvale.desktop
-rw-r--r-- ./usr/share/doc/chronvale/changelog.gz
-rw-r--r-- ./usr/share/doc/chronvale/copyright
-rw-r--r-- ./usr/share/man/man1/chronvale.1.gz'; } | LC_ALL=C sort -k2)
files=$(dpkg-deb -c "$deb" | awk '!/\/$/ { print $1, $6 }' | LC_ALL=C sort -k2)
[ "$files" = "$expected" ] || fail "files: $files"
dpkg-deb -f "$deb" Depends | grep -Eq '^libcap2-bin, adduser, .*libqt5widgets5 ' || fail "depends"
dpkg-deb -I "$deb" postinst postrm >/dev/null || fail "no maintainer scripts"

# The overlay's upper layer is a tmpfs of this namespace: whatever is written goes with it.
t=$CHRONVALE_PACKAGE_ROOT r=$CHRONVALE_PACKAGE_ROOT/root
mount -t tmpfs tmpfs "$t" && mkdir "$t/upper" "$t/work" "$r"
mount -t overlay overlay -o "lowerdir=/,upperdir=$t/upper,workdir=$t/work" "$r"
mount -t proc proc "$r/proc"
touch "$r/dev/null" && mount --bind /dev/null "$r/dev/null"
ip link set lo up
cp "$deb" "$r/tmp/chronvale.deb"
# Nothing run in the throwaway root can set this machine's clock.
inroot() { setpriv --bounding-set=-sys_time chroot "$r" "$@"; }
inroot dpkg -i /tmp/chronvale.deb >/dev/null
[ "$(inroot stat -c '%U:%G %a' /usr/bin/chronvale)" = "root:chronvale 750" ] || fail "owner and mode"
inroot getcap /usr/bin/chronvale | tee /dev/stderr | grep -q ' cap_sys_time=ep$' || fail "no capability"

# The installed program with QT_PLUGIN_PATH at the test's folder, in a user namespace of its own (its right to
# set the clock stops there) as unshare's arguments say.
mkdir -m 700 "$r/tmp/plugins"
printf '[mainWindow]\nlocalPort=9527\nobjIp=127.0.0.1\nobjPort=9\nserverListCurrent=0\n[serverIplist]\n1\\serverList_0=127.0.0.1 1 10 0\nsize=1\n' >"$r/usr/bin/ntp.ini"
start() {
    # A runtime folder of its own: the lock the last one left names the same pid, 1.
    rm -rf "$r/tmp/run" && mkdir -m 700 "$r/tmp/run"
    unshare "$@" --mount --pid --fork --kill-child --mount-proc --root="$r" \
        env QT_QPA_PLATFORM=offscreen QT_DEBUG_PLUGINS=1 QT_PLUGIN_PATH=/tmp/plugins QT_QPA_PLATFORM_PLUGIN_PATH=/tmp/plugins \
        XDG_RUNTIME_DIR=/tmp/run XDG_CONFIG_HOME=/tmp /usr/bin/chronvale >"$t/log" 2>&1 &
    while kill -0 $! 2>/dev/null && ! grep -q '^exe dir' "$t/log"; do sleep 0.1; done
    # The program, not unshare: a capability at exec clears the death signal unshare would send it.
    kill -KILL $(pgrep -P $!) $! 2>/dev/null || true; wait $! 2>/dev/null || true
    grep -q '^exe dir' "$t/log" || { cat "$t/log"; fail "the program did not start"; }
}
# As root of its namespace it holds every capability already and gains none: Qt reads the variables.
start --map-root-user
grep -q '/tmp/plugins' "$t/log" || fail "Qt ignored QT_PLUGIN_PATH even without a capability"
# As another user it gains the file's capability at start.
start --map-user=1000 --map-group=1000
grep '/tmp/plugins' "$t/log" && fail "looked into QT_PLUGIN_PATH with a capability"

inroot dpkg --purge chronvale >/dev/null
inroot getent group chronvale && fail "group left after purge"
# An administrator's statoverride is kept, and no capability is given.
inroot dpkg-statoverride --add root root 0755 /usr/bin/chronvale
inroot dpkg -i /tmp/chronvale.deb >/dev/null
[ "$(inroot stat -c '%U:%G %a' /usr/bin/chronvale)" = "root:root 755" ] || fail "statoverride not kept"
[ -z "$(inroot getcap /usr/bin/chronvale)" ] || fail "capability despite a statoverride"
