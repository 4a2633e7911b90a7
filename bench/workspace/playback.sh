#!/usr/bin/env bash
# The live preview playing a 1080p60 and a 2160p60 recording with three zooms in the main window
# (1380 x 900), measured by bench/workspace/PreviewPlayback.cpp: frames on time, the main thread's
# cost per frame, and how soon a drag on a trim handle and on a zoom is repainted.
#
#   bench/workspace/playback.sh [BUILD_DIR]      (SECONDS_PLAYED=12 of playing by default)
#
# Each movie plays twice: with the pictures the preview asks for, and with the movie's own size
# ("whole"), as the player delivered them before. Pin it to quiet cores (taskset) when the machine
# is shared.
#
# Runs on a private Xvfb when one is installed, so that the window's upload to the X server is
# part of the figure; otherwise on Qt's offscreen platform.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build="${1:-$here/build}"
tool="$build/bench/workspace/sablewick_preview_playback"
[ -x "$tool" ] || { echo "build $tool first (cmake --build $build --target sablewick_preview_playback)"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/sablewick-playback.XXXXXX")
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
ffmpeg=(ffmpeg -hide_banner -loglevel error -y)
seconds=${SECONDS_PLAYED:-12}

# Screen-like recordings: a light desktop with a grid and a moving window of detail, keyframes
# every second as the recorder writes them, no sound (the clock is the system's).
make_movie() {  # WIDTH HEIGHT FILE
  local w=$1 h=$2
  "${ffmpeg[@]}" -f lavfi -i "color=c=0xF2F3F5:s=${w}x${h}:r=60:d=$((seconds + 4)),drawgrid=w=$((w / 12)):h=$((h / 12)):t=1:c=0xD8DAE0[bg];testsrc2=s=$((w * 5 / 12))x$((h * 5 / 12)):r=60:d=$((seconds + 4))[w];[bg][w]overlay=x='$((w / 10))+$((w / 5))*sin(t/3)':y='$((h / 7))+$((h / 5))*cos(t/4)'" \
    -c:v libx264 -preset veryfast -g 60 -pix_fmt yuv420p "$3"
}
make_movie 1920 1080 "$work/1080p60.mp4"
make_movie 3840 2160 "$work/2160p60.mp4"

platform=offscreen
if command -v Xvfb >/dev/null 2>&1; then
  for n in $(seq 90 130); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
  done
  Xvfb "$display" -screen 0 1920x1200x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  export DISPLAY=$display
  platform=xcb
fi

echo "cores: $(nproc), load: $(cut -d' ' -f1-3 /proc/loadavg)"
for movie in 1080p60 2160p60; do
  for mode in scaled whole; do
    echo "== $movie, $mode pictures (load $(cut -d' ' -f1 /proc/loadavg))"
    QT_QPA_PLATFORM=$platform "$tool" "$work/$movie.mp4" "$seconds" "$mode"
  done
done
