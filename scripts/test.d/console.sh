#!/usr/bin/env bash
# The demo as the console runs it, end to end on this machine: the static
# ARMv4T program under qemu-arm, first where this machine's /proc/cpuinfo
# makes it refuse, then in a mount namespace of its own whose devices are
# the test's files, with the second processor emulated as a process of its
# own (tools/console/end_to_end.py says what is checked).
set -euo pipefail
cd "$(dirname "$0")/../.."
python3 tools/console/end_to_end.py build
