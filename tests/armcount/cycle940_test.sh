#!/usr/bin/env bash
# The ARM940T model counts by hand: programs940.S runs under count940 and
# each of its parts must take the cycles worked out beside its routine, with
# everything off and with the caches its own MCRs switch on, and show the
# faults it commits on purpose (a control block written back, a main-side
# word read from the cache, a flag set with no drain, a stale song line, an
# access outside every region) and no other. Then code940.bin itself plays
# two seconds of the song under the model: its protection unit and caches
# on, and none of those faults.
#
#   cycle940_test.sh COUNT940 CODE940_BIN SONG
set -euo pipefail
count940=${1:?usage: cycle940_test.sh COUNT940 CODE940_BIN SONG}
image=${2:?usage: cycle940_test.sh COUNT940 CODE940_BIN SONG}
song=${3:?usage: cycle940_test.sh COUNT940 CODE940_BIN SONG}
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../arm_programs.sh"
armProgramsNeed arm-none-eabi-gcc arm-none-eabi-objcopy arm-none-eabi-nm
arm-none-eabi-gcc -nostdlib -march=armv4t -marm -Wl,-Ttext=0 -Wl,-e,_start \
  -o "$work/programs.elf" "$here/programs940.S"
arm-none-eabi-objcopy -O binary "$work/programs.elf" "$work/programs.bin"
mark=$(arm-none-eabi-nm "$work/programs.elf" | awk '$3 == "mark940" { print $1 }')

fail() {
  echo "cycle940_test: $*"
  exit 1
}

"$count940" --mark "$mark" --touch 24:700000:16 --timings 12/8,8/4,20/12 \
  --out "$work/counts" "$work/programs.bin" || fail "count940 failed on the test program"

# field MARK NAME: NAME= on the line of that mark.
field() { grep "^mark $1 " "$work/counts" | tr ' ' '\n' | sed -n "s|^$2=||p"; }
expect() { # MARK NAME VALUE WHAT
  local got
  got=$(field "$1" "$2")
  [[ $got == "$3" ]] || fail "$4: $2 $got, expected $3"
}

n=1000
for timing in 12/8 8/4 20/12; do
  f=${timing%/*} u=${timing#*/}
  # Everything off, as out of reset; the view with everything off ignores
  # the caches switched on since.
  expect 2 "c$timing" $(((6 * n + 4) * u + 2 * (n + 1))) "the loop uncached"
  expect 8 "o$timing" $(((6 * n + 4) * u + 2 * (n + 1))) "the loop with everything off"
  # Cached: the core's own cycles and a fill for each line fetched anew.
  expect 6 "c$timing" $(($(field 6 core) + $(field 6 ifills) * f)) "the loop's first run cached"
  expect 8 "c$timing" $((6 * n + 4)) "the loop cached"
  for m in 10 12; do
    fills=$(($(field $m ifills) + $(field $m dfills) + $(field $m writes)))
    expect $m "c$timing" $(($(field $m core) + fills * f)) "stream $m (a dirty line cast out costs a fill)"
  done
  expect 14 "c$timing" 101 "64 bytes streamed again"
  # Six words through the write buffer, then a drain.
  expect 18 "c$timing" $((11 * 100 + 5 + 1 + 100 * (2 * u + f - 6))) "stores and drains"
done
expect 6 core $((6 * n + 4)) "the loop cached"
expect 6 ifills 1 "the loop's first run cached"
expect 10 core $((4 * (5 * 4096 + 4) + 5)) "64 KB stream"
expect 10 dfills $((4 * 4096)) "64 KB stream"
expect 12 dfills 4 "64 bytes streamed"
expect 18 writes 300 "stores and drains"
expect 18 interlock 1 "stores and drains"
# The faults, where they are committed and nowhere else.
for m in $(seq 1 28); do
  want_held=0 want_cached=0 want_undrained=0 want_aborts=0
  case $m in
    20) want_held=1 want_cached=1 want_undrained=1 ;;
    26) want_cached=1 ;;
    28) want_aborts=1 ;;
  esac
  expect $m held $want_held "part $m"
  expect $m cached $want_cached "part $m"
  expect $m undrained $want_undrained "part $m"
  expect $m aborts $want_aborts "part $m"
done
grep -q "^checks .* protection=1 icache=1 dcache=1$" "$work/counts" ||
  fail "the program's caches are not on at its end: $(grep '^checks' "$work/counts")"

# The second processor's own program.
"$count940" --song "$song" --seconds 2 --out "$work/song" "$image" ||
  fail "count940 failed on $image"
checks=$(grep '^checks' "$work/song")
[[ $checks == "checks held=0 cached=0 undrained=0 aborts=0 protection=1 icache=1 dcache=1" ]] ||
  fail "code940.bin under the model: $checks"
blocks=$(grep -c '^block ' "$work/song")
[[ $blocks == 44 ]] || fail "code940.bin handed over $blocks blocks for 2 s of music, expected 44"

echo "cycle940_test: every part as worked out by hand, the faults where committed;" \
  "code940.bin with its caches on and no fault"
