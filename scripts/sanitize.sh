#!/usr/bin/env bash
# Builds with clang under AddressSanitizer + UndefinedBehaviorSanitizer and runs the whole
# suite, then builds the serial-component and exchange tests under ThreadSanitizer and runs
# them. Run after scripts/test.sh (CI does); needs clang (apt-get install clang).
#   scripts/sanitize.sh [asan|tsan]   # both when no argument is given
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
export QT_QPA_PLATFORM=offscreen
common=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++)

if [ "$what" = all ] || [ "$what" = asan ]; then
    cmake -S . -B build-asan "${common[@]}" \
        -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
    nice cmake --build build-asan
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir build-asan --output-on-failure -j2 --timeout 600
fi

if [ "$what" = all ] || [ "$what" = tsan ]; then
    tsan_tests=(test_comm test_serial_units test_serial_core test_rs485 test_reply_timing test_session)
    cmake -S . -B build-tsan "${common[@]}" \
        -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
    nice cmake --build build-tsan --target "${tsan_tests[@]}"
    tsan=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/sanitize-tsan.supp
    TSAN_OPTIONS=$tsan ctest --test-dir build-tsan --output-on-failure -j2 --timeout 600 \
        -R "^($(IFS='|'; echo "${tsan_tests[*]}"))\$" -E '^test_reply_timing$'
    # The window's pages paint (the HART status line learns its pane's colour that way), and
    # Qt paints through thread pools of its own that are not instrumented: what they do is
    # left to Qt, what our code does is still checked.
    TSAN_OPTIONS=$tsan:ignore_noninstrumented_modules=1 ctest --test-dir build-tsan --output-on-failure \
        --timeout 600 -R '^test_reply_timing$'
fi
