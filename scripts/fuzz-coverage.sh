#!/usr/bin/env bash
# What the kept fuzz corpora reach in the source: builds each target's replay program with
# clang's source-based coverage (no sanitizers), replays fuzz/corpus/<target>/ and the kept
# findings through it, and prints line and branch coverage of every project file the
# target entered. The edge counts libFuzzer prints also hold the sanitizers' never-taken
# failure branches and inlined library code; this says how much of the code itself a
# corpus runs. Usage: scripts/fuzz-coverage.sh [TARGET...]   (build dir: build-fuzz-cov/)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh clang llvm
build=build-fuzz-cov
cmake -S . -B $build -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" >/dev/null

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=($(ls fuzz/corpus))
cmake --build $build --target "${targets[@]/#/replay_}"

export QT_QPA_PLATFORM=offscreen
for t in "${targets[@]}"; do
    inputs=(fuzz/corpus/$t)
    [ -d tests/fuzz-regressions/$t ] && inputs+=(tests/fuzz-regressions/$t)
    raw=$build/profiles/$t.profraw data=$build/profiles/$t.profdata
    mkdir -p $build/profiles
    LLVM_PROFILE_FILE=$raw "$build/fuzz/replay_$t" "${inputs[@]}" >/dev/null
    llvm-profdata merge -sparse "$raw" -o "$data"
    echo "== $t ($(ls "${inputs[@]}" | wc -l) inputs)"
    # Project files only (not Qt, the standard library or the fuzz harness), and only
    # those the target ran at all.
    llvm-cov report "$build/fuzz/replay_$t" -instr-profile="$data" \
        -ignore-filename-regex='^/usr/|/fuzz/|/build' -show-region-summary=false \
        -show-instantiation-summary=false -show-functions=false |
        awk 'NR <= 2 || ($1 == "TOTAL") { print; next }
             { executed = $5 - $6 } executed > 0 { print }'
done
