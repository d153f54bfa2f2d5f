#!/usr/bin/env bash
# Sets up the machine, builds the demo and its assets, and plays it. Without a
# display (no DISPLAY) it renders the demo to build/demo.mp4 with capture instead.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
cd build/run
if [[ -z "${DISPLAY:-}" ]]; then
  echo "run.sh: no display here: rendering the demo to a video instead"
  ../capture --out ../demo.mp4
  echo "run.sh: the demo is in $(cd .. && pwd)/demo.mp4 (build/capture --help for frames, hashes, larger sizes)"
  exit 0
fi
exec ../demo
