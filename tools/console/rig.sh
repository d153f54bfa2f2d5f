#!/usr/bin/env bash
# The console program on this machine: run under qemu-arm in a mount
# namespace of its own whose /proc/cpuinfo (an ARM920T's), "/dev/mem",
# /dev/fb0, "/dev/dsp" and /usr/gp2x/gp2xmenu are the test's files, with the
# device requests answered by device_supervisor, the second processor
# emulated by second_cpu_process over the same "/dev/mem" file, and the
# screens (and, if asked, the clock) through clock_shim.
#
#   tools/console/rig.sh BUILD_DIR CARD_DIR WORK [QEMU_OPTION...]
#
# BUILD_DIR holds the desktop build's harness (device_supervisor,
# second_cpu_process, console_clock_shim.so); CARD_DIR the card's folder
# (ondrivale.gpe, data/, code940.bin); WORK is an empty folder that gets what
# the run left: stdout.txt, stderr.txt, status (the program's exit status),
# screens.txt (clock_shim), devices.log, second_cpu.log, sound.raw (all the
# program wrote to "/dev/dsp"), menu.txt (what the stand-in menu program
# found), syscalls.txt (the program's system calls, qemu-arm -strace).
# CONSOLE_CLOCK_STEP_US in the environment gives the program the stepping
# clock (clock_shim.c); RIG_STDIN names its standard input (/dev/null by
# default), RIG_TIMEOUT the seconds it may take (600), RIG_FB_BYTES the size
# of the screen's memory (640x480 at 32 bits). And the console as it goes
# wrong: RIG_DSP "missing" or "directory" for a "/dev/dsp" that is not there
# or is a directory, RIG_DSP_STALLS_AFTER a number of bytes after which the
# sound device takes no more (its reader stops), RIG_SUPERVISOR options for
# the sound device's answers (device_supervisor.cpp: --dsp-busy, ...),
# RIG_MENU=missing for a console without its menu program, RIG_CWD the
# folder the program is started from (the card's folder by default, as
# ./ondrivale.gpe; from elsewhere by its whole path). The host's own devices
# are out of the namespace's reach (/dev is a tmpfs there), and the run is
# refused unless every path the program opens is the test's file.
set -euo pipefail
build=$(realpath "${1:?usage: rig.sh BUILD_DIR CARD_DIR WORK [QEMU_OPTION...]}")
card=$(realpath "${2:?}")
work=$(realpath "${3:?}")
shift 3

# The console's memory device: physical addresses up to the register window
# at 0xC0000000 + 64 KiB, sparse; the screen's memory, 640x480 at 32 bits
# (the mode the supervisor starts in); the sound device, a FIFO.
truncate -s $((0xC0010000)) "$work/mem"
truncate -s "${RIG_FB_BYTES:-$((640 * 480 * 4))}" "$work/fb0"
mkfifo "$work/dsp"
cat >"$work/cpuinfo" <<'CPUINFO'
Processor	: ARM920Tid(wb) rev 0 (v4l)
BogoMIPS	: 199.47
Features	: swp half thumb
CPU implementer	: 0x41
CPU architecture: 4T
CPU variant	: 0x1
CPU part	: 0x920
CPU revision	: 0
Cache type	: write-back
Hardware	: GP2X
Revision	: 0000
Serial		: 0000000000000000
CPUINFO
cat >"$work/gp2xmenu" <<MENU
#!/bin/sh
echo "\$(pwd) \$0 \$#" >"$work/menu.txt"
MENU
chmod +x "$work/gp2xmenu"
mkdir -p "$work/usr-upper" "$work/usr-work"
touch "$work/null"

privileges=()
((EUID == 0)) || privileges=(--user --map-root-user)
export RIG_BUILD=$build RIG_CARD=$card RIG_WORK=$work
# Inside: the namespace's mounts, checked, then the run.
unshare --mount --propagation private "${privileges[@]}" \
  bash "$(dirname "$0")/rig_namespace.sh" "$@"
