#!/usr/bin/env bash
# Makes a screen-like clip at 60 fps with sound: a light desktop with a grid and a moving window,
# encoded as a screen recorder would (x264 veryfast, 4:2:0, a keyframe every second, AAC).
#
#   bench/export/desktop_clip.sh OUTPUT.mp4 [WIDTHxHEIGHT] [SECONDS]
set -euo pipefail
out=${1:?usage: desktop_clip.sh OUTPUT.mp4 [WIDTHxHEIGHT] [SECONDS]}
size=${2:-1920x1080}
seconds=${3:-20}
ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "color=c=0xF2F3F5:s=$size:r=60:d=$seconds,drawgrid=w=160:h=90:t=1:c=0xD8DAE0[bg];testsrc2=s=800x450:r=60:d=$seconds[w];[bg][w]overlay=x='200+400*sin(t/3)':y='150+200*cos(t/4)'" \
  -f lavfi -i "sine=frequency=440:duration=$seconds" \
  -c:v libx264 -preset veryfast -g 60 -pix_fmt yuv420p -c:a aac -b:a 128k -ar 44100 -shortest "$out"
