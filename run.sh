#!/usr/bin/env bash
# Sets up the machine, builds the demo and its assets, and plays it. Without a
# display (no DISPLAY) it renders the demo to build/demo.mp4 with capture instead.
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
./scripts/setup
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
if $web; then
  scripts/build-web
  port=${PORT:-8000}
  echo "run.sh: the page is at http://127.0.0.1:$port/ (Ctrl-C stops the server; build-web/ can be hosted anywhere)"
  exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web
fi
cd build/run
if [[ -z "${DISPLAY:-}" ]]; then
  echo "run.sh: no display here: rendering the demo to a video instead"
  ../capture --out ../demo.mp4
  echo "run.sh: the demo is in $(cd .. && pwd)/demo.mp4 (build/capture --help for frames, hashes, larger sizes)"
  exit 0
fi
exec ../demo
