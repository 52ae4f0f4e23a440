#!/usr/bin/env bash
# The serial core on Windows: cross-builds the core and its Windows test programs with
# mingw-w64 (build-win/) and runs them under wine, without a display, against the stand-in
# on pseudo-terminals that wine serves as COM ports. Ends with "N passed, N failed" and
# exits non-zero when any test failed. Uses the stand-in scripts/test.sh built (build/),
# or builds it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS

scripts/deps.sh g++-mingw-w64-x86-64-posix wine64
export PATH=/usr/lib/wine:$PATH # where Debian's wine64 keeps its programs
export WINEPREFIX=$root/build-win/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

if [ ! -x build/vk742b-sim ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build --target vk742b-sim
fi
cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVK_SERIAL_CORE_ONLY=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build-win
g++ -O1 -o build-win/far-end tests/windows/far_end.cpp -lutil

ports=$root/build-win/ports
rm -rf "$ports"
mkdir -p "$ports"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# The ports test_win_exchange expects (see its head comment).
standin() { build/vk742b-sim --link "$ports/$1" "${@:2}" >"$ports/$1.log" 2>&1 & pids+=($!); }
standin com1
standin com2 --split 150
standin com3
away_pid=$!
build-win/far-end "$ports/com4" & pids+=($!)
standin com5
for n in 1 2 3 4 5; do
    for _ in $(seq 50); do [ -L "$ports/com$n" ] && break; sleep 0.05; done
done
# The stand-in on COM3 goes away once the test asks for it, by creating this file.
export STANDIN_AWAY_FILE="Z:${ports//\//\\}\\away"
(while [ ! -e "$ports/away" ]; do sleep 0.05; done; kill "$away_pid") & pids+=($!)

# wine creates its prefix at the first start and makes the COM port links from the
# registry when it starts; links made by hand are rewritten.
wineserver -k 2>/dev/null || true
for n in 1 2 3 4 5; do
    wine64 reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /d "$ports/com$n" /f >/dev/null 2>&1
done
wineserver -k 2>/dev/null || true
wineserver -p >/dev/null 2>&1 # one quiet server for every test: each starts in well under a second
# wine's own services start with the first program and keep its output open; started here,
# they do not hold the first test's output (and CTest with it) until they end.
wine64 cmd /c exit >/dev/null 2>&1

status=0
ctest --test-dir build-win --output-on-failure -j2 | tee build-win/ctest.log || status=$?
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' build-win/ctest.log || true)
if [ -n "$summary" ]; then
    failed=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+)/\1/' <<<"$summary")
    total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+)/\2/' <<<"$summary")
else
    failed=1 total=1 # CTest itself did not run
fi
[ "$status" -ne 0 ] && [ "$failed" -eq 0 ] && failed=1 && total=$((total + 1))
echo "Windows step: $((SECONDS - started)) s"
echo "$((total - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
