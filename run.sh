#!/usr/bin/env bash
# Sets up the machine, builds the demo and its assets, and plays it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
cd build/run
exec ../demo
