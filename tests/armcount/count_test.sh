#!/usr/bin/env bash
# The ARM instruction counter counts exactly: a small ARM program runs two
# loops of known length (2n + 2 instructions between its marks) while a
# second thread spins beside it, under qemu-arm with the plugin. The counts
# between the marks and the loop block's runs in the profile must be exact,
# whatever the other thread does.
#
#   count_test.sh ARMCOUNT_SO
set -euo pipefail
plugin=${1:?usage: count_test.sh ARMCOUNT_SO}
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../arm_programs.sh"
armProgramsNeed qemu-arm arm-linux-gnueabi-gcc
arm-linux-gnueabi-gcc -O1 -march=armv4t -marm -fno-pie -no-pie -pthread -o "$work/counted" \
  "$here/counted_main.c" "$here/counted_loop.S"
address() { arm-linux-gnueabi-nm "$work/counted" | awk -v s="$1" '$3 == s { print $1 }'; }
mark=$(address armcountTestMark)
body=$(address countedLoopBody)

fail() {
  echo "count_test: $*"
  exit 1
}

first=1000
second=123457
qemu-arm -cpu arm926 -L /usr/arm-linux-gnueabi \
  -plugin "$plugin,mark=$mark,out=$work/counts,profile=$work/profile,cuts=2:4" \
  "$work/counted" "$first" "$second" || fail "the program failed under qemu-arm"

# Marks 2 and 4 end the loops; marks 1 and 3 end the C code before them.
expect=("mark $((2 * first + 2))" "mark $((2 * second + 2))")
got=("$(sed -n 2p "$work/counts")" "$(sed -n 4p "$work/counts")")
for i in 0 1; do
  [[ ${got[$i]} == "${expect[$i]}" ]] || fail "loop $((i + 1)): '${got[$i]}', expected '${expect[$i]}'"
done
[[ $(grep -c '^mark ' "$work/counts") == 4 && $(grep -c '^exit ' "$work/counts") == 1 ]] ||
  fail "expected 4 marks and an exit line, got: $(tr '\n' ' ' <"$work/counts")"

# The profile's parts end at marks 2 and 4: the loop body (subs, bne) runs n
# times in each part, and the main thread's library calls (pthread_create)
# are named by the block they came from.
runs() {
  awk -v part="$1" -v b="$(sed "s/^0*//" <<<"$body")" '$1 == "part" { p = $2 } p == part && $1 == "block" &&
    $2 == b && $3 == 2 { n += $4 } END { print n + 0 }' "$work/profile"
}
[[ $(runs 1) == "$first" && $(runs 2) == "$second" ]] ||
  fail "loop body runs by part: $(runs 1), $(runs 2); expected $first, $second"
grep -q '^from ' "$work/profile" || fail "no library instructions named by their caller"
grep -q "^map .* $work/counted\$" "$work/profile" || fail "the program's mapping is not listed"

echo "count_test: loops of $((2 * first + 2)) and $((2 * second + 2)) instructions counted exactly"
