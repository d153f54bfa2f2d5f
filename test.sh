#!/usr/bin/env bash
# Installs what the tests need (scripts/setup, all of it), builds everything,
# runs every test with ctest, then builds and runs the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the scripts of scripts/test.d/.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup

jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMO_TESTS=ON -DDEMO_BENCHMARKS=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

# The sanitizer build reuses the assets of the first build: generating them again
# under the sanitizers would only repeat the same bytes more slowly.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDEMO_SANITIZE=ON \
  -DDEMO_BENCHMARKS=OFF -DDEMO_ASSETS_FROM="$PWD/build/run"
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

for extra in scripts/test.d/*.sh; do
  [[ -e "$extra" ]] || continue
  echo "== $extra"
  bash "$extra"
done
