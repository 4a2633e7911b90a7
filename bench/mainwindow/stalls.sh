#!/usr/bin/env bash
# The main window's longest main-thread stalls while it opens a 10-minute 1080p60 movie, while it
# exports from it and while it saves its project, measured by bench/mainwindow/MainThreadStalls.cpp
# on Qt's offscreen platform.
#
#   bench/mainwindow/stalls.sh [BUILD_DIR]      (EXPORT_SECONDS=20 and ZOOMS=300 by default)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build="${1:-$here/build}"
tool="$build/bench/mainwindow/sablewick_main_thread_stalls"
[ -x "$tool" ] || { echo "build $tool first (cmake --build $build --target sablewick_main_thread_stalls)"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/sablewick-stalls.XXXXXX")
trap 'rm -rf "$work"' EXIT
ffmpeg=(ffmpeg -hide_banner -loglevel error -y)

# Ten seconds of screen-like 1080p60 with a keyframe every second, repeated without re-encoding
# to ten minutes: the length and the keyframe spacing of a real recording.
"${ffmpeg[@]}" -f lavfi -i "color=c=0xF2F3F5:s=1920x1080:r=60:d=10,drawgrid=w=160:h=90:t=1:c=0xD8DAE0[bg];testsrc2=s=800x450:r=60:d=10[w];[bg][w]overlay=x='200+400*sin(t/3)':y='150+200*cos(t/4)'" \
  -f lavfi -i "sine=frequency=440:duration=10" \
  -c:v libx264 -preset veryfast -g 60 -pix_fmt yuv420p -c:a aac -b:a 128k -ar 44100 -shortest "$work/part.mp4"
for _ in $(seq 60); do echo "file '$work/part.mp4'"; done > "$work/list.txt"
"${ffmpeg[@]}" -f concat -safe 0 -i "$work/list.txt" -c copy "$work/ten-minutes.mp4"

echo "cores: $(nproc), load: $(cut -d' ' -f1-3 /proc/loadavg)"
QT_QPA_PLATFORM=offscreen "$tool" "$work/ten-minutes.mp4" "${EXPORT_SECONDS:-20}" "${ZOOMS:-300}"
