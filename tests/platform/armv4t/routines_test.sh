#!/usr/bin/env bash
# The console's ARMv4T block copies, fills and divisions (platform/armv4t/)
# give what plain loops give (routines_check.c, under qemu-arm), and hold no
# instruction newer than ARMv4T (the assembler is told ARMv4T).
#
#   routines_test.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
routines=$here/../../../platform/armv4t
for tool in qemu-arm arm-linux-gnueabi-gcc; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is missing (scripts/setup installs it)"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
arm-linux-gnueabi-gcc -O2 -march=armv4t -marm -fno-builtin -Wa,-march=armv4t -o "$work/check" \
  "$here/routines_check.c" "$routines"/*.S
qemu-arm -cpu arm926 -L /usr/arm-linux-gnueabi "$work/check"
