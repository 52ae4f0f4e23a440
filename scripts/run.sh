#!/usr/bin/env bash
# Installs what is missing, builds, starts the converter stand-in and then the tool.
# In the tool, pick the stand-in's port (the last entries of "Serial Port:") and Open.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target vk742b-config vk742b-sim
build/vk742b-sim &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
sleep 0.3
build/vk742b-config
