#!/usr/bin/env bash
# The inside of tools/console/rig.sh, in its mount namespace: the test's files
# mounted over the paths the console program opens, checked, then the run.
# RIG_BUILD, RIG_CARD, RIG_WORK come from rig.sh; the arguments go to qemu-arm.
set -euo pipefail
# The program's standard input, opened before /dev is replaced (a terminal's
# /dev/pts path goes with it).
exec 9<"${RIG_STDIN:-/dev/null}"
w=$RIG_WORK
mount --bind /dev/null "$w/null"
mount -t tmpfs -o mode=755 console-dev /dev
touch /dev/null /dev/mem /dev/fb0
mount --bind "$w/null" /dev/null
mount --bind "$w/mem" /dev/mem
mount --bind "$w/fb0" /dev/fb0
checked=(/dev/mem:mem /dev/fb0:fb0 /proc/cpuinfo:cpuinfo)
case ${RIG_DSP:-fifo} in
  fifo)
    touch /dev/dsp
    mount --bind "$w/dsp" /dev/dsp
    checked+=(/dev/dsp:dsp)
    ;;
  directory) mkdir /dev/dsp ;;
  missing) ;;
esac
mount --bind "$w/cpuinfo" /proc/cpuinfo
mount -t overlay console-usr -o "lowerdir=/usr,upperdir=$w/usr-upper,workdir=$w/usr-work" /usr
mkdir -p /usr/gp2x
rm -f /usr/gp2x/gp2xmenu
[[ ${RIG_MENU:-present} == missing ]] || cp "$w/gp2xmenu" /usr/gp2x/gp2xmenu
# Fails closed: nothing runs unless each path is the test's own file.
for pair in "${checked[@]}"; do
  path=${pair%%:*} file=$w/${pair#*:}
  if [[ $(stat -c %d:%i "$path") != $(stat -c %d:%i "$file") ]]; then
    echo "rig: $path is not the test's $file in this namespace: nothing was run"
    exit 1
  fi
done
if ! cmp -s /proc/cpuinfo "$w/cpuinfo"; then
  echo "rig: /proc/cpuinfo does not read as the test's in this namespace: nothing was run"
  exit 1
fi

"$RIG_BUILD/second_cpu_process" "$w/mem" "$w/second_cpu.log" &
processor=$!
if [[ -n ${RIG_DSP_STALLS_AFTER:-} ]]; then
  # Takes so many bytes, then nothing more, holding the device open.
  (head -c "$RIG_DSP_STALLS_AFTER" >"$w/sound.raw" && exec sleep infinity) <"$w/dsp" &
else
  cat "$w/dsp" >"$w/sound.raw" &
fi
reader=$!
program=./ondrivale.gpe
if [[ -n ${RIG_CWD:-} ]]; then
  cd "$RIG_CWD"
  program=$RIG_CARD/ondrivale.gpe
else
  cd "$RIG_CARD"
fi
read -ra supervisor_options <<<"${RIG_SUPERVISOR:-}"
status=0
"$RIG_BUILD/device_supervisor" --fb "$w/fb0" --dsp "$w/dsp" --log "$w/devices.log" \
  "${supervisor_options[@]}" -- \
  timeout "${RIG_TIMEOUT:-600}" env LD_PRELOAD="$RIG_BUILD/console_clock_shim.so" \
  CONSOLE_SCREEN="$w/fb0" CONSOLE_SCREEN_BYTES=$((320 * 240 * 2)) CONSOLE_SCREEN_LOG="$w/screens.txt" \
  qemu-arm -cpu ti925t -strace -D "$w/syscalls.txt" "$@" "$program" \
  <&9 >"$w/stdout.txt" 2>"$w/stderr.txt" || status=$?
echo "$status" >"$w/status"
kill "$processor" 2>/dev/null || true
wait "$processor" || true
# The reader ends at the sound's end, once it has read every byte written: a
# reader still waiting for a writer (a program that never opened the sound
# device) is given one that writes nothing (opened read-write, which never
# waits), and is not killed, which could cut the last blocks off.
[[ -z ${RIG_DSP_STALLS_AFTER:-} ]] || kill "$reader" 2>/dev/null || true
exec 7<>"$w/dsp"
exec 7>&-
wait "$reader" || true
