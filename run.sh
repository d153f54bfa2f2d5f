#!/usr/bin/env bash
# Installs what playing needs, builds the demo and its files, and plays it.
# Without a display (no DISPLAY) it renders the demo to build/demo.mp4 with
# capture instead. It builds only what playing needs: ./test.sh builds the rest.
#
#   ./run.sh             the desktop player
#   ./run.sh --web       the web page, built into build-web/ and served on
#                        http://127.0.0.1:8000/ (PORT=... for another port)
set -euo pipefail
cd "$(dirname "$0")"
web=false
case "${1:-}" in
  "") ;;
  --web) web=true ;;
  *) echo "usage: ./run.sh [--web]" >&2; exit 2 ;;
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
