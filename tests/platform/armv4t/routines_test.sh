#!/usr/bin/env bash
# The console's ARMv4T block copies, fills and divisions (platform/armv4t/)
# give what plain loops give (routines_check.c, under qemu-arm), and hold no
# instruction newer than ARMv4T (the assembler is told ARMv4T).
#
#   routines_test.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
routines=$here/../../../platform/armv4t
source "$here/../../arm_programs.sh"
armProgramsNeed qemu-arm arm-linux-gnueabi-gcc
arm-linux-gnueabi-gcc -O2 -march=armv4t -marm -fno-builtin -Wa,-march=armv4t -o "$work/check" \
  "$here/routines_check.c" "$routines"/*.S
qemu-arm -cpu arm926 -L /usr/arm-linux-gnueabi "$work/check"
