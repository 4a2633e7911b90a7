#!/usr/bin/env bash
# The main thread's longest stall while the Audio page takes a 30-minute music file, measured by
# bench/workspace/MusicLoadStalls.cpp on Qt's offscreen platform, beside the time the same decode
# holds the main thread when done there.
#
#   bench/workspace/music_stalls.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build="${1:-$here/build}"
tool="$build/bench/workspace/sablewick_music_load_stalls"
[ -x "$tool" ] || { echo "build $tool first (cmake --build $build --target sablewick_music_load_stalls)"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/sablewick-music.XXXXXX")
trap 'rm -rf "$work"' EXIT
ffmpeg=(ffmpeg -hide_banner -loglevel error -y)

# A cheap 30-minute track (mono AAC at 22.05 kHz) and a short movie to edit.
"${ffmpeg[@]}" -f lavfi -i "sine=frequency=220:sample_rate=22050:duration=1800" -ac 1 -c:a aac -b:a 32k "$work/long-track.m4a"
"${ffmpeg[@]}" -f lavfi -i "testsrc2=s=640x360:r=30:d=3" -c:v libx264 -preset ultrafast -pix_fmt yuv420p "$work/movie.mp4"

echo "cores: $(nproc), load: $(cut -d' ' -f1-3 /proc/loadavg)"
QT_QPA_PLATFORM=offscreen "$tool" "$work/movie.mp4" "$work/long-track.m4a"
