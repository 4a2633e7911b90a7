#!/usr/bin/env bash
# Records a real screen: a terminal filling a 1920x1080 private X server, with commands typed into
# it and their output scrolling, captured by FFmpeg's x11grab at 60 fps the way a screen recorder
# writes it (x264, 4:2:0). Text is what product videos mostly show and what a soft resampling
# kernel spoils first, so the sharpness and export benchmarks feed on this.
#
#   bench/rendering/record_terminal.sh OUTPUT.mp4 [SECONDS] [WIDTHxHEIGHT]
set -euo pipefail
out=${1:?usage: record_terminal.sh OUTPUT.mp4 [SECONDS] [WIDTHxHEIGHT]}
seconds=${2:-12}
size=${3:-1920x1080}
if ! command -v xterm >/dev/null; then
  echo "installing xterm for the recording"
  apt-get install -y xterm >/dev/null
fi

# A display number nobody holds.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
pids=()
trap 'kill "${pids[@]}" "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY=":$display"
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done

# The terminal covers the whole screen; what it prints is ordinary source text.
xterm -fa 'DejaVu Sans Mono' -fs 11 -bg '#1e1e1e' -fg '#d4d4d4' -geometry 400x200+0+0 -title demo \
  -e bash --norc --noprofile &
pids+=($!)
for _ in $(seq 100); do xdotool search --name demo >/dev/null 2>&1 && break; sleep 0.05; done

ffmpeg -hide_banner -loglevel error -y -f x11grab -framerate 60 -video_size "$size" -draw_mouse 1 -i "$DISPLAY" \
  -t "$seconds" -c:v libx264 -preset veryfast -crf 16 -pix_fmt yuv420p "$out" &
grab=$!
pids+=($grab)
type() { xdotool type --delay 40 "$1"; xdotool key Return; }
type "ls -l /usr/include | head -n 40"
sleep 1
type "grep -n 'define' /usr/include/stdio.h | head -n 60"
sleep 1
type "for f in /usr/include/std*.h; do echo == \$f; head -n 30 \$f; sleep 0.3; done"
wait "$grab"
