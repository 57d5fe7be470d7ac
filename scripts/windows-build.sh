#!/usr/bin/env bash
# Builds the Windows program, build-windows/chronvale.exe, and its installer with the manual,
# build-windows/installer/chronvale-<version>-win64.exe, with MinGW-w64 against a static Qt and OpenSSL that
# scripts/windows-toolchain.sh builds once per machine. With "test", it builds the Windows tests instead of
# the installer: the test command runs them, and makes the installer, under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh windows
mapfile -t prefixes < <(scripts/windows-toolchain.sh)
[ ${#prefixes[@]} -eq 2 ]
testing=OFF
[ "${1:-}" != test ] || testing=ON
# The manual is made by running the program's own code, so by the Linux build.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target manual
cmake -S . -B build-windows -DCHRONVALE_MANUAL_PDF="$PWD/build/manual.pdf" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCHRONVALE_WINDOWS_PREFIXES="${prefixes[0]};${prefixes[1]}" \
    -DCMAKE_BUILD_TYPE=Release -DCHRONVALE_WERROR=ON -DCHRONVALE_BUILD_TESTS=$testing -DCHRONVALE_DIST_TESTS=$testing
cmake --build build-windows -j"$(nproc)"
if [ $testing = OFF ]; then
    (cd build-windows && cpack -G NSIS -B installer)
fi
