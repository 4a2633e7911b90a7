#!/usr/bin/env bash
# Side by side: our export of a project against FFmpeg's command line doing the same work
# (decode, scale the picture into the card, overlay one static layer holding the background with
# a hole for the card, encode with the same encoder, preset, bit rate, keyframe interval, pixel
# format and BT.709 tags, AAC 128 kb/s at 44.1 kHz). The 1080p export runs pinned to two
# processors as well (taskset), both sides. Each run is measured
# for wall time, CPU seconds (user + system) and peak memory (maximum resident set).
# GIFs are compared with FFmpeg's two-command palette GIF at the same size and frame rate: time,
# size and SSIM of the card's inside against one lossless reference.
#
# Two inputs: a synthetic screen-like clip (a light desktop with a moving window, with sound) and
# a real screen recording (a terminal under a private X server, bench/rendering/record_terminal.sh),
# whose text shows what the card's resampling costs.
#
# Each side runs ROUNDS times (default 3), the sides taking turns, and the median counts: a shared
# machine's noise then hits every side alike. With BEFORE=OTHER_BUILD_DIR that build's exporter
# runs as a third side, for a change's cost in our own CPU and time. ONLY=REGEX runs only the
# cases whose name matches. TWO_PROCESSORS=6,7 picks the two processors of the pinned case
# (default 0,1).
#
#   bench/export/compare.sh [BUILD_DIR]       (default: build; ROUNDS=5 for more rounds)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build="${1:-$here/build}"
tool="$build/bench/export/sablewick_export_project"
[ -x "$tool" ] || { echo "build $tool first (cmake --build $build --target sablewick_export_project)"; exit 1; }
before=""
if [ -n "${BEFORE:-}" ]; then
  before="$BEFORE/bench/export/sablewick_export_project"
  [ -x "$before" ] || { echo "no exporter in BEFORE=$BEFORE"; exit 1; }
fi
only="${ONLY:-.}"
work=$(mktemp -d "${TMPDIR:-/tmp}/sablewick-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
ffmpeg=(ffmpeg -hide_banner -loglevel error -y)
seconds=20

echo "cores: $(nproc), load: $(cut -d' ' -f1-3 /proc/loadavg)"
# Each input is made when a case first needs it, with its project.
input() {  # input, normally a name from the list below
  [ -f "$work/$1.sablewick.json" ] && return 0
  case $1 in
    input) "$here/bench/export/desktop_clip.sh" "$work/input.mp4" 1920x1080 "$seconds" ;;
    input4k) "$here/bench/export/desktop_clip.sh" "$work/input4k.mp4" 3840x2160 10 ;;
    terminal) "$here/bench/rendering/record_terminal.sh" "$work/terminal.mp4" "$seconds" >/dev/null ;;
  esac
  "$tool" --make-project "$work/$1.mp4" "$work/$1.sablewick.json"
}

rounds="${ROUNDS:-3}"
# Runs a command; prints "wall-seconds cpu-seconds peak-megabytes".
measure() {
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >/dev/null 2>&1
  awk '{ printf "%s %.2f %.0f\n", $1, $2 + $3, $4 / 1024 }' "$work/time"
}
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Runs the commands (separated by --) in turn, ROUNDS times; prints one line of medians
# "wall cpu memory" per command.
alternate() {
  local commands=() current="" arg i column
  for arg in "$@"; do
    if [ "$arg" = "--" ]; then commands+=("$current"); current=""; else current+=" $(printf '%q' "$arg")"; fi
  done
  commands+=("$current")
  rm -f "$work"/side.*
  for _ in $(seq 1 "$rounds"); do
    for i in "${!commands[@]}"; do
      eval "measure ${commands[$i]}" >>"$work/side.$i"
    done
  done
  for i in "${!commands[@]}"; do
    for column in 1 2 3; do median $(cut -d' ' -f$column "$work/side.$i"); done | paste -sd' '
  done
}
ratio() { echo "scale=2; $1 / $2" | bc; }
percent() { echo "scale=1; 100 * ($1 - $2) / $2" | bc; }
# Prints one case's medians: ours, FFmpeg's and, with BEFORE, the earlier build's.
report() {  # name results...
  local name=$1 ours theirs earlier
  read -r -a ours <<<"$2"
  read -r -a theirs <<<"$3"
  echo "$name: ours ${ours[0]} s, ${ours[1]} CPU s, ${ours[2]} MB; ffmpeg ${theirs[0]} s, ${theirs[1]} CPU s, ${theirs[2]} MB; throughput $(ratio "${theirs[0]}" "${ours[0]}") of ffmpeg's, CPU $(ratio "${ours[1]}" "${theirs[1]}") times (medians of $rounds)"
  if [ -n "${4:-}" ]; then
    read -r -a earlier <<<"$4"
    echo "  before: ${earlier[0]} s, ${earlier[1]} CPU s, ${earlier[2]} MB; now wall $(percent "${ours[0]}" "${earlier[0]}") %, CPU $(percent "${ours[1]}" "${earlier[1]}") %"
  fi
}

# The static layer over the video on FFmpeg's side: the canvas colour with a transparent hole
# where the card shows the recording.
layer() {  # width height card-x card-y card-width card-height
  local file="$work/layer-$1x$2.png"
  [ -f "$file" ] || "${ffmpeg[@]}" -f lavfi -i "color=c=0x3366CC:s=$1x$2:d=1,format=rgba,geq=r='r(X,Y)':g='g(X,Y)':b='b(X,Y)':a='if(between(X,$3,$3+$5-1)*between(Y,$4,$4+$6-1),0,255)'" -frames:v 1 "$file"
  echo "$file"
}

# PIN=taskset-arguments runs both sides pinned (e.g. PIN="-c 0,1").
movie() {  # name input ext resolution width height codec-args...
  local name=$1 input=$2 ext=$3 res=$4 w=$5 h=$6; shift 6
  [[ "$name" =~ $only ]] || return 0
  input "$input"
  local sw=$((w * 85 / 100 / 2 * 2)) sh=$((h * 85 / 100 / 2 * 2))
  local px=$(((w - sw) / 2)) py=$(((h - sh) / 2))
  local pin=()
  [ -n "${PIN:-}" ] && read -r -a pin <<<"taskset $PIN"
  local overlay
  overlay=$(layer "$w" "$h" "$px" "$py" "$sw" "$sh")
  local sides=("${pin[@]}" "$tool" "$work/$input.sablewick.json" "$work/ours.$ext" "$ext" "$res" 1 --
    "${pin[@]}" "${ffmpeg[@]}" -i "$work/$input.mp4" -i "$overlay"
    -filter_complex "[0:v]scale=$sw:$sh,pad=$w:$h:$px:$py[v];[v][1:v]overlay=0:0,format=yuv420p[out]"
    -map "[out]" -map "0:a?" "$@"
    -pix_fmt yuv420p -colorspace bt709 -color_primaries bt709 -color_trc bt709
    -c:a aac -b:a 128k -ar 44100 "$work/theirs.$ext")
  [ -n "$before" ] && sides+=(-- "${pin[@]}" "$before" "$work/$input.sablewick.json" "$work/before.$ext" "$ext" "$res" 1)
  local results
  mapfile -t results < <(alternate "${sides[@]}")
  report "$name" "${results[@]}"
}

x264_1080=(-c:v libx264 -preset veryfast -b:v 12441600 -g 120)
movie "MP4 1080p" input mp4 1080 1920 1080 "${x264_1080[@]}"
movie "MP4 1080p, terminal recording" terminal mp4 1080 1920 1080 "${x264_1080[@]}"
movie "MP4 1080p from a 2160p source (10 s)" input4k mp4 1080 1920 1080 "${x264_1080[@]}"
PIN="-c ${TWO_PROCESSORS:-0,1}" movie "MP4 1080p on 2 processors" input mp4 1080 1920 1080 "${x264_1080[@]}"
x264_2160=(-c:v libx264 -preset veryfast -b:v 49766400 -g 120)
movie "MP4 2160p from a 1080p source" input mp4 2160 3840 2160 "${x264_2160[@]}"
movie "MP4 2160p from a 2160p source (10 s)" input4k mp4 2160 3840 2160 "${x264_2160[@]}"
movie "MOV 1080p" input mov 1080 1920 1080 -c:v libx265 -preset ultrafast -x265-params log-level=none -tag:v hvc1 -b:v 8087040 -g 120

# GIF at 1080p, quality 1: 12 fps. FFmpeg's side is its two-command palette recipe (the one-command
# split recipe holds every frame in memory). Both GIFs are scored against one lossless reference:
# the recording scaled to the card's size, inside the card's rounded corners.
if [[ "GIF 1080p" =~ $only ]]; then
  input input
  filter="fps=12,scale=1632:918,pad=1920:1080:144:81"
  palette="$work/palette.png"
  theirs="$(printf '%q ' "${ffmpeg[@]}") -i $(printf '%q' "$work/input.mp4") -vf '$filter,palettegen=stats_mode=full' $(printf '%q' "$palette") && $(printf '%q ' "${ffmpeg[@]}") -i $(printf '%q' "$work/input.mp4") -i $(printf '%q' "$palette") -lavfi '$filter[x];[x][1:v]paletteuse=dither=sierra2_4a' $(printf '%q' "$work/theirs.gif")"
  mapfile -t results < <(alternate "$tool" "$work/input.sablewick.json" "$work/ours.gif" gif 1080 1 -- bash -c "$theirs")
  report "GIF 1080p 12 fps" "${results[@]}"
  inset=24
  "${ffmpeg[@]}" -i "$work/input.mp4" -vf "fps=12,scale=1632:918,crop=iw-$((2 * inset)):ih-$((2 * inset)):$inset:$inset" -c:v ffv1 "$work/reference.mkv"
  ssim() { "${ffmpeg[@]/-loglevel error/}" -loglevel info -i "$1" -i "$work/reference.mkv" -lavfi "[0]fps=12,crop=1632-$((2 * inset)):918-$((2 * inset)):144+$inset:81+$inset[g];[g][1]ssim" -f null - 2>&1 | sed -n 's/.*All:\([0-9.]*\).*/\1/p' | tail -1; }
  echo "  GIF sizes and SSIM against the reference: ours $(stat -c %s "$work/ours.gif") bytes SSIM $(ssim "$work/ours.gif"); ffmpeg $(stat -c %s "$work/theirs.gif") bytes SSIM $(ssim "$work/theirs.gif")"
fi
