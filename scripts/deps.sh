#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build (and, with "test", to test) the program.
# It never stops, disables or replaces a service of the machine's.
set -euo pipefail
cd "$(dirname "$0")/.."
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

packages=(cmake make g++ pkg-config libssl-dev qtbase5-dev qtbase5-dev-tools libqt5network5 libqt5gui5 libqt5dbus5)
# The Windows program: Qt and OpenSSL built from Debian's source packages with MinGW-w64; its installer by NSIS.
windows=(cmake make g++ perl dpkg-dev g++-mingw-w64-x86-64-posix nsis)
[ "${1:-}" != windows ] || packages+=("${windows[@]}")
if [ "${1:-}" = test ]; then
    # chronyd's own libraries, for the copy unpacked below; an X server with a notification area.
    packages+=(openssl faketime clang clang-format poppler-utils dbus-daemon libclang-rt-14-dev util-linux iproute2 xvfb trayer xdotool
               libedit2 libgnutls30 libnettle8 libseccomp2 libcap2)
    # The .deb: built by CPack, checked by lintian, its maintainer scripts run in a throwaway root;
    # the Windows program and its tests run under Wine.
    packages+=(dpkg-dev file lintian adduser passwd libcap2-bin procps "${windows[@]}" wine wine64)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# The tests run chronyd in namespaces of their own. The chrony package is not installed for that: it
# would replace the machine's own time service (systemd-timesyncd, ntp...) and start one of its own.
# Its chronyd is unpacked into .deps/ instead, unless the machine has one already.
need_chronyd=false
if [ "${1:-}" = test ] && [ ! -x /usr/sbin/chronyd ] && [ ! -x .deps/usr/sbin/chronyd ]; then
    need_chronyd=true
fi
if [ ${#missing[@]} -gt 0 ] || $need_chronyd; then
    "${sudo_cmd[@]}" apt-get update
fi
if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
if $need_chronyd; then
    download=$(mktemp -d)
    (cd "$download" && apt-get download chrony)
    dpkg-deb -x "$download"/chrony_*.deb .deps
    rm -rf "$download"
fi
