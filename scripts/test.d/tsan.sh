#!/usr/bin/env bash
# Builds the tests under ThreadSanitizer and runs those that exercise the audio
# thread, the simulated second processor and the sound device. Any report fails.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMO_TSAN=ON \
  -DDEMO_BENCHMARKS=OFF -DDEMO_ASSETS_FROM="$PWD/build/run"
cmake --build build-tsan -j "$(nproc)" --target demo_tests

# halt_on_error makes the first report end the test with a failure status.
TSAN_OPTIONS="halt_on_error=1:exitcode=66:second_deadlock_stack=1" \
  ctest --test-dir build-tsan --output-on-failure -j "$(nproc)" \
  -R '^(Audio|SecondCpu|SoundDevice|MemDevice)'
