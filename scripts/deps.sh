#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build (and, with "test", to test) the program.
set -euo pipefail
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

packages=(cmake make g++ pkg-config qtbase5-dev qtbase5-dev-tools libqt5network5 libqt5gui5)
if [ "${1:-}" = test ]; then
    packages+=(xvfb xauth x11-utils xdotool trayer chrony faketime clang libclang-rt-14-dev
               util-linux libcap2-bin iproute2 fonts-wqy-microhei fonttools)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
# The test suite starts its own chronyd; the packaged service must not hold port 123 or touch the clock.
if [ "${1:-}" = test ] && command -v systemctl >/dev/null 2>&1; then
    "${sudo_cmd[@]}" systemctl disable --now chrony >/dev/null 2>&1 || true
fi
if [ "${1:-}" = test ]; then
    "${sudo_cmd[@]}" pkill -x chronyd 2>/dev/null || true
fi
