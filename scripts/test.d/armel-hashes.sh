#!/usr/bin/env bash
# The demo on the console's kind of processor: builds the demo and capture for
# 32-bit ARM (ARMv4T code against Debian armel's libraries, scripts/build-armel),
# runs capture --hashes over
# the whole demo under qemu-arm, and compares every frame's hash with the
# desktop build's. ARM's char is unsigned and its ABI and alignment differ:
# any different hash is a fault. Prints both run times.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

# Also checks that the objects hold only the console's ARMv4T instructions.
scripts/build-armel capture demo bench_frames

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
seconds() { date +%s.%N; }
cd build/run
start=$(seconds)
"$root/build/capture" --hashes "$scratch/desktop.txt"
middle=$(seconds)
qemu-arm -cpu arm926 -L "$root/build-armel-sysroot" "$root/build-armel/capture" --hashes "$scratch/arm.txt"
end=$(seconds)

frames=$(wc -l <"$scratch/desktop.txt")
if ! cmp -s "$scratch/desktop.txt" "$scratch/arm.txt"; then
  diff "$scratch/desktop.txt" "$scratch/arm.txt" | head -n 10
  echo "armel-hashes: the ARM build's frames differ from the desktop's"
  exit 1
fi
awk -v n="$frames" -v a="$start" -v b="$middle" -v c="$end" 'BEGIN {
  printf "armel-hashes: %d frames, the same hashes; desktop %.1f s, ARM under qemu-arm %.1f s\n",
    n, b - a, c - b }'
