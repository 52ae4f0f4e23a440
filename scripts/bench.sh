#!/usr/bin/env bash
# Builds and runs the benchmarks (about two minutes); pass --quick for a short run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target vk742b-bench
build/bench/vk742b-bench "$@"
