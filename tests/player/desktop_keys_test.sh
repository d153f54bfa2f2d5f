#!/usr/bin/env bash
# The live player on a real X display (Xvfb, 1280x1024): its window is the
# 320x240 screen times 3; Alt+Enter switches to full screen, the picture 4
# times larger and centred between black bands, and back; Space pauses, and
# Home then Right twice shows capture's frame of the start of position 2; Escape
# ends the demo. Run by ctest in the run folder with the player's and
# capture's paths as arguments.
set -euo pipefail
player=$1
capture=$2
work=$(mktemp -d)
demo=""
xvfb=""
cleanup() {
  if [[ -n $demo ]]; then kill "$demo" 2>/dev/null || true; fi
  if [[ -n $xvfb ]]; then kill "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "desktop-keys: $*"
  echo "--- player output"
  cat "$work/demo.log" 2>/dev/null || true
  exit 1
}
within() {  # within SECONDS COMMAND...: true once COMMAND succeeds
  local tries=$(($1 * 10))
  shift
  for ((i = 0; i < tries; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# Xvfb picks a free display and names it on descriptor 3. Without -noreset
# it resets itself whenever its last client leaves, refusing connections
# meanwhile: the probe below is such a client, and the player, connecting just
# after it on a busy machine, found no display.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
within 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -1 "$work/display")"
# The display is named before it takes clients on a loaded machine; and SDL
# must not fall back to another driver (a terminal's) if X refuses it.
within 10 xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb takes no clients"

# X's own library keeps a few bytes for the life of the process; under the
# leak checker they are not the demo's.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/x11_leaks.supp:${LSAN_OPTIONS:-}"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$player" >"$work/demo.log" 2>&1 &
demo=$!
window=""
find_window() { window=$(xdotool search --name '^Ondrivale$' 2>/dev/null | head -1) && [[ -n $window ]]; }
within 30 find_window || fail "no window appeared"
geometry() { xdotool getwindowgeometry "$window" | awk '/Geometry/ {print $2}'; }
is_size() { [[ $(geometry) == "$1" ]]; }
within 5 is_size 960x720 || fail "the window is $(geometry), not 960x720"

# A screenshot of a region as raw RGB, and the same region after shrinking it
# by a whole factor and growing it back (nearest neighbour): they are equal
# exactly when the picture is made of factor x factor blocks from its corner.
grab() {  # grab NAME WIDTH HEIGHT X Y
  ffmpeg -v error -y -f x11grab -video_size "$2x$3" -i "$DISPLAY+$4,$5" -frames:v 1 \
    -f rawvideo -pix_fmt rgb24 "$work/$1.rgb"
}
blocky() {  # blocky NAME WIDTH HEIGHT FACTOR
  local w=$(($2 / $4)) h=$(($3 / $4))
  ffmpeg -v error -y -f rawvideo -pix_fmt rgb24 -video_size "$2x$3" -i "$work/$1.rgb" \
    -vf "scale=$w:$h:flags=neighbor,scale=$2:$3:flags=neighbor" -f rawvideo -pix_fmt rgb24 \
    "$work/$1.back.rgb"
  cmp -s "$work/$1.rgb" "$work/$1.back.rgb"
}
black() { [[ $(tr -d '\000' <"$work/$1.rgb" | wc -c) -eq 0 ]]; }

sleep 1
grab window 960 720 0 0
blocky window 960 720 3 || fail "the window does not show the screen 3 times larger"

# Keys pressed while it loads wait in the queue for the first frame, however
# long loading takes on this machine: the waits below bound only a failure.
xdotool windowfocus --sync "$window"
xdotool key alt+Return
within 60 is_size 1280x1024 || fail "Alt+Enter: the window is $(geometry), not full screen 1280x1024"
sleep 0.5
grab top 1280 32 0 0
grab bottom 1280 32 0 992
grab picture 1280 960 0 32
black top && black bottom || fail "full screen: the bands above and below the picture are not black"
blocky picture 1280 960 4 || fail "full screen: the picture is not the screen 4 times larger at row 32"

xdotool key alt+Return
within 30 is_size 960x720 || fail "second Alt+Enter: the window is $(geometry), not 960x720"

# Compared at the screen's own 5, 6 and 5 bits: X and the PNG widen the
# channels to 8 bits differently.
screen_bits="lutrgb=r='bitand(val,248)':g='bitand(val,252)':b='bitand(val,248)'"
# 10650 ms is the first millisecond of position 2 (row 256 at 41.6 ms a row).
"$capture" --frames "$work/expected" --at 10650 2>"$work/capture.log" ||
  fail "capture failed: $(cat "$work/capture.log")"
ffmpeg -v error -y -i "$work"/expected/frame_*.png -vf "$screen_bits" -f rawvideo -pix_fmt rgb24 \
  "$work/expected.rgb"
shows_expected() {
  grab shown 960 720 0 0
  ffmpeg -v error -y -f rawvideo -pix_fmt rgb24 -video_size 960x720 -i "$work/shown.rgb" \
    -vf "scale=320:240:flags=neighbor,$screen_bits" -f rawvideo -pix_fmt rgb24 "$work/shown565.rgb"
  cmp -s "$work/shown565.rgb" "$work/expected.rgb"
}
# Home first: the music has played for as long as the steps above took,
# which on a busy machine is past the end of position 0; the jumps asked for
# before the next frame add up to one, to the start of position 2.
xdotool windowfocus --sync "$window"
xdotool key space Home Right Right
within 60 shows_expected || fail "paused at position 2, the window does not show capture's frame"
sleep 1
shows_expected || fail "paused, the picture changed"
xdotool key space

xdotool windowfocus --sync "$window"
xdotool key Escape
player_ended() { ! kill -0 "$demo" 2>/dev/null; }
within 30 player_ended || fail "Escape did not end the demo"
status=0
wait "$demo" || status=$?
demo=""
[[ $status -eq 0 ]] || fail "the demo ended with status $status"
echo "desktop-keys: 960x720 window, centred 4x full screen and back, a paused jump shows capture's frame, Escape ends the demo"
