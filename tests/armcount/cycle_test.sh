#!/usr/bin/env bash
# The cycle model counts by hand: the routines of cycle_programs.S (a loop of
# data processing, a chain of loads used at once, taken branches, LDM and
# STM, a read stream through 64 KB and one within 4 KB) run under qemu-arm
# with the plugin's cycle model, and each part between two marks must take
# exactly the core cycles and interlocks worked out beside its routine, the
# 64 KB stream one line fill for every 32 bytes and the 4 KB one only for its
# first pass, each fill waiting its share beside another master on the bus.
# newer_programs.S's 16 instructions of ARMv5 and ARMv6 must be counted as
# the ones the ARM920T lacks, and nothing else.
#
#   cycle_test.sh ARMCOUNT_SO
set -euo pipefail
plugin=${1:?usage: cycle_test.sh ARMCOUNT_SO}
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../arm_programs.sh"
armProgramsNeed qemu-arm arm-linux-gnueabi-gcc
arm-linux-gnueabi-gcc -O1 -march=armv4t -marm -fno-pie -no-pie -o "$work/cycles" \
  "$here/cycle_main.c" "$here/cycle_programs.S" "$here/counted_loop.S" "$here/newer_programs.S"
mark=$(arm-linux-gnueabi-nm "$work/cycles" | awk '$3 == "armcountTestMark" { print $1 }')

fail() {
  echo "cycle_test: $*"
  exit 1
}

n=1000
qemu-arm -cpu max -L /usr/arm-linux-gnueabi \
  -plugin "$plugin,mark=$mark,out=$work/counts,cycles=on,fill=24:16:40,other=2500" "$work/cycles" "$n" ||
  fail "the program failed under qemu-arm"

# field PART NAME: NAME= on the line of part PART (part 1 runs from the
# first mark to the second).
field() { sed -n "$(($1 + 1))p" "$work/counts" | tr ' ' '\n' | sed -n "s/^$2=//p"; }
expect() { # PART NAME VALUE WHAT
  local got
  got=$(field "$1" "$2")
  [[ $got == "$3" ]] || fail "$4: $2 $got, expected $3"
}

lines=$((65536 / 32))
for run in 0 1; do
  base=$((run * 12))
  expect $((base + 1)) core $((6 * n + 4)) "data loop, run $run"
  expect $((base + 1)) interlock 0 "data loop, run $run"
  expect $((base + 3)) core $((15 * n + 4)) "load-use chain, run $run"
  expect $((base + 3)) interlock $((4 * n)) "load-use chain, run $run"
  expect $((base + 5)) core $((12 * n + 5)) "branches, run $run"
  expect $((base + 7)) core $((28 * n + 4)) "LDM and STM, run $run"
  expect $((base + 7)) interlock $((2 * n)) "LDM and STM, run $run"
  expect $((base + 9)) core $((4 * (5 * lines + 4) + 4)) "64 KB stream, run $run"
  expect $((base + 9)) dmiss $((4 * lines)) "64 KB stream, run $run"
  expect $((base + 9)) dcache $((4 * lines * 24)) "64 KB stream, run $run"
  # The 64 KB stream before it evicted it: only its first pass misses.
  expect $((base + 11)) core $((4 * (5 * 128 + 4) + 4)) "4 KB stream, run $run"
  expect $((base + 11)) dmiss 128 "4 KB stream, run $run"
  for part in 1 3 5 7 9 11; do expect $((base + part)) newer 0 "ARMv4T part $part, run $run"; done
done
# Cached, nothing but the core's own cycles; a fill of 16 or 40 cycles changes
# only the fills' share.
for part in 13 17; do
  expect "$part" cycles "$(($(field "$part" core) + $(field "$part" interlock)))" "cached part $part"
done
core4k=$(field 23 core)
expect 23 cycles $((core4k + 128 * 24)) "4 KB stream"
expect 23 fill16 $((core4k + 128 * 16)) "4 KB stream with 16-cycle fills"
expect 23 fill40 $((core4k + 128 * 40)) "4 KB stream with 40-cycle fills"
# Another master on the bus: every fill first waits 2.5 cycles on average.
expect 23 other1 $((core4k + 128 * 24 + 320)) "4 KB stream beside another master"
expect 17 other1 "$(field 17 cycles)" "cached part 17 beside another master"
expect 25 newer 16 "ARMv5 and ARMv6 instructions"

echo "cycle_test: data, load-use, branch, LDM/STM and stream parts as worked out by hand;" \
  "16 instructions newer than ARMv4T found"
