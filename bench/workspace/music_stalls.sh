#!/usr/bin/env bash
# The main thread's longest stall while the Audio page takes a 30-minute music file and drops it
# again, measured by bench/workspace/MusicLoadStalls.cpp on Qt's offscreen platform: on a short
# movie, reading the file only as far as the movie plays and (as before) reading all of it, then
# on a movie as long as the track, where all of it is needed. The first run also times the same
# decode holding the main thread, as it did before it moved to the editor's workers.
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

# A cheap 30-minute track (mono AAC at 22.05 kHz), a short movie to edit and a long one.
"${ffmpeg[@]}" -f lavfi -i "sine=frequency=220:sample_rate=22050:duration=1800" -ac 1 -c:a aac -b:a 32k "$work/long-track.m4a"
"${ffmpeg[@]}" -f lavfi -i "testsrc2=s=640x360:r=30:d=3" -c:v libx264 -preset ultrafast -pix_fmt yuv420p "$work/movie.mp4"
"${ffmpeg[@]}" -f lavfi -i "testsrc2=s=320x180:r=2:d=1800" -c:v libx264 -preset ultrafast -pix_fmt yuv420p "$work/long-movie.mp4"

run() {
  echo
  echo "cores: $(nproc), load: $(cut -d' ' -f1-3 /proc/loadavg)"
  QT_QPA_PLATFORM=offscreen "$tool" "$@"
}
run "$work/movie.mp4" "$work/long-track.m4a"
run --whole-file --no-direct "$work/movie.mp4" "$work/long-track.m4a"
run --no-direct "$work/long-movie.mp4" "$work/long-track.m4a"
