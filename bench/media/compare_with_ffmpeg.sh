#!/usr/bin/env bash
# Side by side: FFmpeg's command line encoding 1080p60 with the presets and bit rates the movie
# writer uses, to read against bench_media's BM_WriteMp4H264 / BM_WriteMovHevc frames per second.
# Usage: bench/media/compare_with_ffmpeg.sh [frames]
set -euo pipefail
frames="${1:-120}"
run() {
  local label="$1"; shift
  local start end
  start=$(date +%s.%N)
  ffmpeg -v error -f lavfi -i "testsrc2=size=1920x1080:rate=60" -frames:v "$frames" \
    -pix_fmt yuv420p "$@" -f null - 
  end=$(date +%s.%N)
  awk -v l="$label" -v f="$frames" -v s="$start" -v e="$end" 'BEGIN { printf "%-28s %6.1f frames/s\n", l, f / (e - s) }'
}
run "ffmpeg x264 veryfast"  -c:v libx264 -preset veryfast -b:v 12441600
run "ffmpeg x264 ultrafast" -c:v libx264 -preset ultrafast -b:v 12441600
run "ffmpeg x265 ultrafast" -c:v libx265 -preset ultrafast -b:v 8087040 -x265-params log-level=none
