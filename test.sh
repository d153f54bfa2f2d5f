#!/usr/bin/env bash
# ./test.sh: installs what the tests need, builds everything and runs every
# test. It takes no options; ./test.sh --help prints this and does nothing.
#
# Installs through apt-get (with sudo when not root) what scripts/setup lists
# for the tests and is missing: the compilers (clang, the ARM cross-compilers),
# SDL, GoogleTest, valgrind, qemu-user, Chromium, emscripten, ..., and adds
# Debian's armel architecture (on a fresh Debian machine 472 packages, 743
# MB; nothing once they are in place).
#
# Then, stopping at the first failure with its status:
#   build/        everything, and every suite run with ctest
#   build-asan/   the suites again under AddressSanitizer and
#                 UndefinedBehaviorSanitizer
# and the scripts of scripts/test.d/: the audio tests under ThreadSanitizer
# (build-tsan/), a short fuzz run (build-fuzz/), the song and picture
# generators twice, the demo built for ARM against the desktop's frames
# (build-armel/), the console program end to end under qemu-arm
# (build-console/), the web page in headless Chromium (build-web/), and the
# includes. What each checks: docs/testing.md.
#
# On a fresh two-core Debian machine with nothing else to do it takes about
# 20 minutes (4 of them installing), up to 45 on a busy one; run again, with
# the builds brought up to date, 6 to 14. It writes into those build folders
# and the system's temporary folder; what it runs reports on this terminal,
# and its status is 0 when every test passed.
set -euo pipefail
cd "$(dirname "$0")"
case "${1:-}" in
  "") ;;
  -h | --help)
    sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
    exit 0
    ;;
  *)
    echo "usage: ./test.sh [--help]" >&2
    exit 2
    ;;
esac
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
