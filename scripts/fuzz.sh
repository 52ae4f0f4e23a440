#!/usr/bin/env bash
# Builds the fuzz targets with clang (coverage and sanitizers on every library they link),
# runs each for SECONDS (default 60), then merges what the run found into fuzz/corpus/.
# A finding stops nothing else: it is kept under build-fuzz/findings/<target>/ and the
# script fails at the end. Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

scripts/deps.sh
need=()
for p in clang libclang-rt-dev patch; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

build=build-fuzz
cmake -S . -B $build -G Ninja -DVK_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build $build --target fuzz_all

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=($(ls fuzz/corpus))

# Inputs longer than a target's family ever is only slow the search down.
max_len() {
    case $1 in
        ieee754_entry) echo 64 ;;
        hex_pairs) echo 128 ;; # 45 characters of text, then the drawn fields
        sim_request) echo 512 ;;
        jpeg) echo 8192 ;;
        profile) echo 10240 ;; # a complete profile as the tool writes it: 9 KB
        *) echo 300 ;;
    esac
}

# One table row from a run's log: inputs, seconds, cov / ft when the seeds were loaded, at
# 60 s, at 120 s and at the end, and resident memory from the start to the end.
summarize() {
    awk -v target="$1" -v seconds="$seconds" '
        # Lines of the run start with its seconds; the merge appended after it does not.
        $1 !~ /^[0-9]+$/ { next }
        match($0, /cov: [0-9]+ ft: [0-9]+/) {
            now = substr($0, RSTART + 5, RLENGTH - 5); sub(/ ft: /, " / ", now)
            if (match($0, /rss: [0-9]+Mb/)) rss = substr($0, RSTART + 5, RLENGTH - 7)
            if (/INITED/) { start = now; rss0 = rss }
            if ($1 <= 60) at60 = now
            if ($1 <= 120) at120 = now
            end = now
        }
        /number_of_executed_units/ { runs = $NF }
        END {
            if (seconds < 120) at120 = "-"
            if (seconds < 60) at60 = "-"
            grouped = ""
            for (n = length(runs); n > 3; n -= 3) grouped = "," substr(runs, n - 2, 3) grouped
            printf "| `%s` | %s | %d | %s | %s | %s | %s | %s → %s MB |\n",
                   target, substr(runs, 1, n) grouped, seconds, start, at60, at120, end, rss0, rss
        }' "$2"
}

export QT_QPA_PLATFORM=offscreen
# ASan holds freed memory back to catch use after free; at its default 256 MB that
# quarantine alone grows a run by 500 MB. ASan also keeps every distinct allocation stack
# it sees; Debian's Qt is built without frame pointers, so the fast unwinder reads garbage
# past the first Qt frame, nearly every input adds "new" stacks, and a five-minute run
# grew by 300 MB. Two frames (the allocator and its caller) keep memory flat. To see whole
# allocation stacks for a finding, replay it with
# ASAN_OPTIONS=fast_unwind_on_malloc=0 build-fuzz/fuzz/fuzz_<target> <input>.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16:malloc_context_size=2:detect_leaks=1}
failed=()
summary=()
for t in "${targets[@]}"; do
    work=$build/corpus/$t findings=$build/findings/$t log=$build/logs/$t.log
    rm -rf "$work" && mkdir -p "$work" "$findings" "$(dirname "$log")"
    echo "== $t: ${seconds} s"
    # New entries go to the work folder; the kept corpus is read as seeds. Each line of the
    # log starts with the seconds since the run began.
    start=$SECONDS
    status=0
    "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=10 \
        -rss_limit_mb=1024 -malloc_limit_mb=512 \
        -dict="fuzz/dict/$t.dict" -artifact_prefix="$findings/" -print_final_stats=1 \
        "$work" "fuzz/corpus/$t" 2>&1 |
        while IFS= read -r line; do printf '%d %s\n' $((SECONDS - start)) "$line"; done >"$log" ||
        status=$?
    if [ $status -ne 0 ]; then failed+=("$t"); fi
    summary+=("$(summarize "$t" "$log")")

    # Keep a minimal corpus: the kept entries and the new ones, merged down to those that
    # add coverage. Against an uninstrumented libjpeg that would be nearly nothing.
    if [ "$t" = jpeg ] && ! grep -q '^VK_LIBJPEG_INSTRUMENTED:INTERNAL=ON' $build/CMakeCache.txt; then
        echo "jpeg: libjpeg is not instrumented here; fuzz/corpus/jpeg/ left as it was"
        continue
    fi
    merged=$build/merged/$t
    rm -rf "$merged" && mkdir -p "$merged"
    if "$build/fuzz/fuzz_$t" -merge=1 -max_len="$(max_len "$t")" "$merged" "fuzz/corpus/$t" "$work" \
        >>"$log" 2>&1 && [ -n "$(ls -A "$merged")" ]; then
        rm -rf "fuzz/corpus/$t" && mv "$merged" "fuzz/corpus/$t"
    fi
done

echo "| target | inputs | seconds | cov / ft on the seeds | at 60 s | at 120 s | at the end | memory (RSS) |"
echo "|---|---|---|---|---|---|---|---|"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
    echo "findings in: ${failed[*]} (inputs under $build/findings/, logs under $build/logs/)"
    exit 1
fi
