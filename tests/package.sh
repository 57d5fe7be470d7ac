#!/bin/sh
# Checks the .deb (lintian, files, control data), then installs it with dpkg in a throwaway root: an overlay
# of / in namespaces of its own, so this machine's packages, groups and files stay as they are. Needs root.
# Arguments: the folder of the .deb, its version, and chronyd, which serves the time there.
set -eu
deb=$(realpath "$1")/chronvale_$2_$(dpkg --print-architecture).deb chronyd=$3
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
    printf -- '-rwxr-xr-x ./usr/%s\n' bin/chronvale lib/chronvale/chronvale-settime
    printf -- '-rw-r--r-- ./usr/%s\n' lib/chronvale/libntpclient.so share/applications/chronvale.desktop share/man/man1/chronvale.1.gz \
        share/doc/chronvale/changelog.gz share/doc/chronvale/copyright share/doc/chronvale/manual.pdf; } | LC_ALL=C sort -k2)
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
# An upgrade over the first package, which gave the program itself the capability: none is left on it,
# and a user's ntp.ini stays as it was.
old=$t/old && mkdir -p "$old/DEBIAN" "$old/usr/bin" && cp "$r/bin/true" "$old/usr/bin/chronvale"
printf 'Package: chronvale\nVersion: 1.0\nArchitecture: %s\nMaintainer: x <x@example.org>\nDescription: x\n' \
    "$(dpkg --print-architecture)" >"$old/DEBIAN/control"
printf '#!/bin/sh\naddgroup --quiet --system chronvale\nchown root:chronvale /usr/bin/chronvale\nchmod 0750 /usr/bin/chronvale\nsetcap cap_sys_time+ep /usr/bin/chronvale\n' >"$old/DEBIAN/postinst"
chmod 755 "$old/DEBIAN/postinst" && dpkg-deb --build "$old" "$r/tmp/old.deb" >/dev/null
inroot dpkg -i /tmp/old.deb >/dev/null && inroot getcap /usr/bin/chronvale | grep -q cap_sys_time || fail "the first package"
mkdir -p "$r/home/u/.config/Orvelisk/SChronvaleS" && echo kept >"$r/home/u/.config/Orvelisk/SChronvaleS/ntp.ini"
inroot dpkg -i /tmp/chronvale.deb >/dev/null
dpkg --compare-versions "$2" gt 1.0 && [ "$(inroot dpkg-query -W -f '${Version}' chronvale)" = "$2" ] && [ "$(cat "$r/home/u/.config/Orvelisk/SChronvaleS/ntp.ini")" = kept ] ||
    fail "not upgraded, or a user's ntp.ini changed"
helper=/usr/lib/chronvale/chronvale-settime
[ "$(inroot stat -c '%U:%G %a' /usr/bin/chronvale)" = "root:root 755" ] || fail "the program's owner and mode"
[ -z "$(inroot getcap /usr/bin/chronvale)" ] || fail "a capability on the program"
[ "$(inroot stat -c '%U:%G %a' $helper)" = "root:chronvale 750" ] || fail "the helper's owner and mode"
inroot getcap $helper | grep -q ' cap_sys_time=ep$' || fail "no capability on the helper"

# chronyd serves this namespace's loopback (-x: it never touches the clock). A member of the group and
# another user start the installed program as themselves, without the right to set the clock in their
# bounding set, so that the kernel refuses to start the helper with its capability rather than grant it.
printf 'port 123\nbindaddress 127.0.0.1\nallow 127.0.0.1\nlocal stratum 8\ncmdport 0\nbindcmdaddress /\npidfile %s/chronyd.pid\n' "$t" >"$t/chrony.conf"
"$chronyd" -f "$t/chrony.conf" -x -u root >/dev/null 2>&1
# An administrator's ntp.ini beside the program: each user's first start begins from it.
printf '[mainWindow]\nlocalPort=9527\nobjIp=127.0.0.1\nobjPort=9\nserverListCurrent=0\n[serverIplist]\n1\\serverList_0=127.0.0.1 10 10 0\nsize=1\n' >"$r/usr/bin/ntp.ini"
sync_as() { # user, groups: what the sync line's tooltip said, in the log
    rm -rf "$r/tmp/run" "$r/tmp/home" && install -d -o "$1" -m 700 "$r/tmp/run" "$r/tmp/home"
    unshare --pid --fork --kill-child --mount-proc --root="$r" setpriv --reuid="$1" --regid="$1" --groups="$2" \
        --bounding-set=-sys_time --inh-caps=-all env HOME=/tmp/home XDG_CONFIG_HOME=/tmp/home QT_QPA_PLATFORM=offscreen \
        XDG_RUNTIME_DIR=/tmp/run /usr/bin/chronvale >"$t/log" 2>&1 &
    for _ in $(seq 300); do grep -q 'set system clock failed' "$t/log" && break; sleep 0.1; done
    # The program, not unshare: a change of user clears the death signal unshare would send it.
    kill -KILL $(pgrep -P $!) $! 2>/dev/null || true; wait $! 2>/dev/null || true
    grep -A1 'set system clock failed' "$t/log" || { cat "$t/log"; fail "no sync"; }
}
# A member is told that the helper may not set the clock here; another user, to join the group.
member=$(sync_as 1000 "$(inroot getent group chronvale | cut -d: -f3)")
echo "$member" | grep -Eq 'exec[a-z]*: Operation not permitted' || fail "a member's sync did not reach the helper"
echo "$member" | grep -q "没有设置时钟的权限.*setcap cap_sys_time+ep $helper" || fail "a member not told the helper lacks the right"
echo "$member" | grep -q 请把用户加入chronvale组 && fail "a member told to join the group"
other=$(sync_as 1000 1000)
echo "$other" | grep -q 'Permission denied' && echo "$other" | grep -q 请把用户加入chronvale组 || fail "no hint for another user"
# Root's copy of the installed program, which could write beside itself, keeps root's own ntp.ini too.
sync_as 0 0 >/dev/null
grep -q '127.0.0.1 10 10 0' "$r/tmp/home/Orvelisk/SChronvaleS/ntp.ini" && grep -q 'localPort=9527' "$r/usr/bin/ntp.ini" ||
    fail "root's settings not in root's folder"
kill "$(cat "$t/chronyd.pid")"

inroot dpkg --purge chronvale >/dev/null
inroot getent group chronvale && fail "group left after purge"
# An administrator's statoverride is kept, and no capability is given.
inroot dpkg-statoverride --add root root 0755 $helper
inroot dpkg -i /tmp/chronvale.deb >/dev/null
[ "$(inroot stat -c '%U:%G %a' $helper)" = "root:root 755" ] || fail "statoverride not kept"
[ -z "$(inroot getcap $helper)" ] || fail "capability despite a statoverride"
