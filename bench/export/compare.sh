#!/usr/bin/env bash
# Side by side: our export of a project against FFmpeg's command line doing the same work
# (decode, scale the picture into a padded canvas, encode with the same encoder, preset, bit rate,
# keyframe interval, pixel format and BT.709 tags, AAC 128 kb/s at 44.1 kHz), wall time end to end.
# GIFs are compared with FFmpeg's two-pass palette GIF at the same size and frame rate: time, size
# and SSIM against the same pipeline's full-colour frames.
#
# Each side runs ROUNDS times (default 3), the two sides taking turns, and the median wall time
# counts: a shared machine's noise then hits both sides alike.
#
#   bench/export/compare.sh [BUILD_DIR]       (default: build; ROUNDS=5 for more rounds)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build="${1:-$here/build}"
tool="$build/bench/export/sablewick_export_project"
[ -x "$tool" ] || { echo "build $tool first (cmake --build $build --target sablewick_export_project)"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/sablewick-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
ffmpeg=(ffmpeg -hide_banner -loglevel error -y)
seconds=20

echo "cores: $(nproc)"
# 20 s of screen-like 1920x1080 at 60 fps: a light desktop with a grid and a moving window.
"${ffmpeg[@]}" -f lavfi -i "color=c=0xF2F3F5:s=1920x1080:r=60:d=$seconds,drawgrid=w=160:h=90:t=1:c=0xD8DAE0[bg];testsrc2=s=800x450:r=60:d=$seconds[w];[bg][w]overlay=x='200+400*sin(t/3)':y='150+200*cos(t/4)'" \
  -f lavfi -i "sine=frequency=440:duration=$seconds" \
  -c:v libx264 -preset veryfast -g 60 -pix_fmt yuv420p -c:a aac -b:a 128k -ar 44100 -shortest "$work/input.mp4"
"$tool" --make-project "$work/input.mp4" "$work/input.sablewick.json"

rounds="${ROUNDS:-3}"
wall() { local start end; start=$(date +%s.%N); "$@" >/dev/null 2>&1; end=$(date +%s.%N); echo "$end - $start" | bc; }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Runs the two commands (separated by --) in turn, ROUNDS times; prints "ours theirs" medians.
alternate() {
  local ours=() theirs=() a=() b=() seen=0 arg
  for arg in "$@"; do
    if [ "$arg" = "--" ]; then seen=1; continue; fi
    if [ $seen -eq 0 ]; then a+=("$arg"); else b+=("$arg"); fi
  done
  for _ in $(seq 1 "$rounds"); do
    ours+=("$(wall "${a[@]}")")
    theirs+=("$(wall "${b[@]}")")
  done
  echo "$(median "${ours[@]}") $(median "${theirs[@]}")"
}
ratio() { echo "scale=2; $1 / $2" | bc; }

movie() {  # name ext resolution width height codec-args...
  local name=$1 ext=$2 res=$3 w=$4 h=$5; shift 5
  local sw=$((w * 85 / 100 / 2 * 2)) sh=$((h * 85 / 100 / 2 * 2))
  local px=$(((w - sw) / 2)) py=$(((h - sh) / 2))
  local ours theirs
  read -r ours theirs < <(alternate "$tool" "$work/input.sablewick.json" "$work/ours.$ext" "$ext" "$res" 1 -- \
    "${ffmpeg[@]}" -i "$work/input.mp4" -vf "scale=$sw:$sh,pad=$w:$h:$px:$py" "$@" \
    -pix_fmt yuv420p -colorspace bt709 -color_primaries bt709 -color_trc bt709 \
    -c:a aac -b:a 128k -ar 44100 "$work/theirs.$ext")
  echo "$name: ours ${ours}s, ffmpeg ${theirs}s (medians of $rounds), our throughput is $(ratio "$theirs" "$ours") of ffmpeg's (goal >= 0.80)"
}

movie "MP4 1080p" mp4 1080 1920 1080 -c:v libx264 -preset veryfast -b:v 12441600 -g 120
movie "MP4 2160p" mp4 2160 3840 2160 -c:v libx264 -preset veryfast -b:v 49766400 -g 120
movie "MOV 1080p" mov 1080 1920 1080 -c:v libx265 -preset ultrafast -x265-params log-level=none -tag:v hvc1 -b:v 8087040 -g 120

# GIF at 1080p, quality 1: 12 fps.
filter="fps=12,scale=1632:918,pad=1920:1080:144:81"
read -r ours theirs < <(alternate "$tool" "$work/input.sablewick.json" "$work/ours.gif" gif 1080 1 -- \
  "${ffmpeg[@]}" -i "$work/input.mp4" -vf "$filter,split[a][b];[a]palettegen=stats_mode=full[p];[b][p]paletteuse=dither=sierra2_4a" "$work/theirs.gif")
# References: each pipeline's own full-colour frames at the same rate.
"${ffmpeg[@]}" -i "$work/input.mp4" -vf "$filter" -c:v ffv1 "$work/theirs-ref.mkv"
"$tool" "$work/input.sablewick.json" "$work/ours-ref.mov" mov 1080 2 >/dev/null
ssim() { "${ffmpeg[@]/-loglevel error/}" -loglevel info -i "$1" -i "$2" -lavfi "[1]fps=12[r];[0][r]ssim" -f null - 2>&1 | sed -n 's/.*All:\([0-9.]*\).*/\1/p' | tail -1; }
echo "GIF 1080p 12 fps: ours ${ours}s $(stat -c %s "$work/ours.gif") bytes SSIM $(ssim "$work/ours.gif" "$work/ours-ref.mov"); ffmpeg ${theirs}s $(stat -c %s "$work/theirs.gif") bytes SSIM $(ssim "$work/theirs.gif" "$work/theirs-ref.mkv"); our throughput is $(ratio "$theirs" "$ours") of ffmpeg's"
