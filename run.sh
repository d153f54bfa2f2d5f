#!/usr/bin/env bash
# ./run.sh: installs what playing needs, builds the demo and its files, and
# plays it. It builds only what playing needs: ./test.sh builds the rest.
#
#   ./run.sh             the desktop player, in a 320x240 window (keys: the
#                        README); on a machine without a display (no
#                        DISPLAY) it renders the demo to build/demo.mp4
#                        with capture instead, and says where it is
#   ./run.sh --web       the web page, built into build-web/ and served on
#                        http://127.0.0.1:8000/ until Ctrl-C; PORT=8080
#                        ./run.sh --web serves it on port 8080
#   ./run.sh --help      this, and nothing else
#
# Installs through apt-get (with sudo when not root) what scripts/setup lists
# for playing and is missing: the C++ compiler, CMake and Ninja, SDL 1.2, the
# asset generators' libraries, the ARM cross-compiler for the second
# processor's program; ffmpeg without a display; emscripten for --web (on a
# fresh Debian machine 263 MB, 335 without a display, 181 more for --web;
# nothing once they are in place). It builds into build/ (the player, capture
# and the demo's files in build/run/, where the demo runs).
#
# On a fresh two-core Debian machine the first run takes 3 to 5 minutes
# before the demo starts (1 to 2 of them installing), about 7 without a
# display (1.5 of them rendering), and --web about 1.5 more after ./run.sh;
# later runs rebuild only what changed and start at once. The demo lasts 3
# min 6 s.
set -euo pipefail
cd "$(dirname "$0")"
web=false
case "${1:-}" in
  "") ;;
  --web) web=true ;;
  -h | --help)
    sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
    exit 0
    ;;
  *)
    echo "usage: ./run.sh [--web | --help]" >&2
    exit 2
    ;;
esac
if $web; then
  ./scripts/setup play web
elif [[ -z "${DISPLAY:-}" ]]; then
  ./scripts/setup play capture
else
  ./scripts/setup play
fi
# A first configuration leaves out the tests and benchmarks, whose libraries
# ./test.sh installs; a build they are already in keeps them.
first=()
[[ -e build/CMakeCache.txt ]] || first=(-DDEMO_TESTS=OFF -DDEMO_BENCHMARKS=OFF)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${first[@]}" >/dev/null
cmake --build build -j "$(nproc)" --target play
if $web; then
  scripts/build-web
  exec scripts/serve-page "${PORT:-8000}" build-web
fi
cd build/run
if [[ -z "${DISPLAY:-}" ]]; then
  echo "run.sh: no display here: rendering the demo to a video instead"
  ../capture --out ../demo.mp4
  echo "run.sh: the demo is in $(cd .. && pwd)/demo.mp4 (build/capture --help for frames, hashes, larger sizes)"
  exit 0
fi
exec ../demo
