#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzzers of the NTP reply parser, of the
# set-time helper's argument and of the Windows set-time service's request for a bounded time each.
# The normal build also makes the .deb and checks it. Then the Windows program, its tests and its
# installer, built with MinGW-w64 (the first run on a machine builds Qt and OpenSSL for it, once) and
# run under Wine. Warnings are errors here.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
jobs=$(nproc)

# The Windows toolchain (once per machine, at low priority) builds while the Linux stages run; they wait
# on timers and sockets much of the time.
scripts/windows-toolchain.sh >/dev/null 2> >(sed -u 's/^/[windows toolchain] /' >&2) &
toolchain=$!

echo "== check that every source is formatted by .clang-format"
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

echo "== build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHRONVALE_WERROR=ON -DCHRONVALE_DIST_TESTS=ON
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j2)

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCHRONVALE_SANITIZE=ON -DCHRONVALE_WERROR=ON
# The build runs the program's own code to make the manual; Qt's platform plugins keep memory to the end.
ASAN_OPTIONS=detect_leaks=0 cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -j2)

echo "== fuzz the NTP reply parser, the set-time helper's argument and the set-time service's request"
CXX=clang++ cmake -S . -B build-fuzz -DCHRONVALE_FUZZ=ON -DCHRONVALE_BUILD_TESTS=OFF -DCHRONVALE_WERROR=ON
cmake --build build-fuzz -j"$jobs" --target fuzz_ntpreply fuzz_offsetargument fuzz_setrequest
for fuzzer in fuzz_ntpreply fuzz_offsetargument fuzz_setrequest; do
    mkdir -p "build-fuzz/corpus-$fuzzer"
    "build-fuzz/$fuzzer" -max_total_time="${FUZZ_SECONDS:-30}" -print_final_stats=1 "build-fuzz/corpus-$fuzzer"
done

echo "== build the Windows program and its tests, run them and the installer under Wine"
wait "$toolchain"
scripts/windows-build.sh test
# One at a time: under Wine each test brings a Wine server and an X server of its own, and chronyd ends an NTS
# key exchange that is slow to finish.
(cd build-windows && ctest --output-on-failure)
