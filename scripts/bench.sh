#!/usr/bin/env bash
# Builds and runs the benchmarks (about 17 minutes); pass --quick for a short run, or
# section names (delivery, throughput, idle, exchange, converter, startup, stream, soak,
# faults) to run only those.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target vk742b-bench
build/bench/vk742b-bench "$@"
