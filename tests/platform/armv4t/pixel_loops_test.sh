#!/usr/bin/env bash
# The console's ARMv4T pixel loops (platform/armv4t/) give what the C++ they
# stand in for gives (pixel_loops_check.cpp, under qemu-arm), and hold no
# instruction newer than ARMv4T (the assembler is told ARMv4T).
#
#   pixel_loops_test.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../../..
source "$here/../../arm_programs.sh"
armProgramsNeed qemu-arm arm-linux-gnueabi-g++
arm-linux-gnueabi-g++ -std=c++20 -O2 -march=armv4t -marm -Wa,-march=armv4t -Wno-psabi \
  -DDEMO_ARMV4T_ROUTINES=1 -I "$root" -o "$work/check" "$here/pixel_loops_check.cpp" \
  "$root/engine3d/textured_rows.cpp" "$root/platform/armv4t/textured_rows.S" \
  "$root/scenes/feedback_picture.cpp" "$root/platform/armv4t/feedback_blur.S" \
  "$root/platform/armv4t/feedback_zoom.S" "$root/scenes/glow_sprite.cpp" \
  "$root/platform/armv4t/glow_words.S" "$root/scenes/magnified_rows.cpp" \
  "$root/platform/armv4t/magnified_rows.S" "$root/platform/armv4t/block_fill.S"
qemu-arm -cpu arm926 -L /usr/arm-linux-gnueabi "$work/check"
