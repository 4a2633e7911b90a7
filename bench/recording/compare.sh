#!/usr/bin/env bash
# Side by side: a screen recording made the application's way against FFmpeg's own x11grab +
# libx264 command line with the same preset, size, frame rate, keyframe distance and no B-frames,
# both with the system sound (the null sink's monitor) as AAC. A private Xvfb at 1920x1080 shows a
# window that moves while xdotool types and moves the pointer, for both runs alike.
# Reports the frames each kept per second, our dropped and missed frames, and CPU seconds per
# recorded second of each (goal: ours at most 1.2 times FFmpeg's). FFmpeg keeps the frames it grabbed
# (-fps_mode passthrough), so its frame count is what it captured, not duplicates for a constant rate.
# Frames missing from each movie are counted from the gaps between their times.
#
# Audio against picture: a square in the corner (sablewick_beep_and_flash) turns white once a
# second while a tone plays to the null sink, the tone placed by the sound stream's latency to start
# at the flash's instant. In each movie, a flash's instant is taken midway between the last dark
# frame and the first white one (so within half a frame, 8.3 ms at 60 fps) and a tone's start is
# where the sound leaves silence; the offset is the tone's start minus the flash's instant
# (positive: the sound comes late). The source checks itself: it listens to the sink's monitor and
# times each tone by the server's own timing, so the script also prints how far from its flash the
# source's tone really is; a perfect recorder shows that offset. The recordings start once the
# source has played for three seconds: an idle null sink renders two seconds ahead, and until that
# has played out neither the source's first tones nor a new recording stream keep their times.
#
#   bench/recording/compare.sh [BUILD_DIR]     (SECONDS_EACH=60 by default, PRESET=ultrafast,
#                                               PIN="-c 6,7": everything pinned with taskset,
#                                               KEEP=1 keeps the movies)
set -euo pipefail
if [ -n "${PIN:-}" ] && [ -z "${SABLEWICK_PINNED:-}" ]; then
  # The X server, the sound server and the scene share the processors with the recorder, as on
  # a machine with only those.
  SABLEWICK_PINNED=1 exec taskset $PIN "$0" "$@"
fi
here=$(cd "$(dirname "$0")/../.." && pwd)
build="${1:-$here/build}"
tool="$build/bench/recording/sablewick_record_screen"
[ -x "$tool" ] || { echo "build $tool first (cmake --build $build --target sablewick_record_screen)"; exit 1; }
beeper="$build/bench/recording/sablewick_beep_and_flash"
[ -x "$beeper" ] || { echo "build $beeper first (cmake --build $build --target sablewick_beep_and_flash)"; exit 1; }
seconds="${SECONDS_EACH:-60}"
preset="${PRESET:-ultrafast}"
work=$(mktemp -d "${TMPDIR:-/tmp}/sablewick-recording.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ -n "${KEEP:-}" ]; then echo "movies kept in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -noreset -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"
export XDG_RUNTIME_DIR="$work/run" PULSE_SERVER="unix:$work/run/pulse/native"
mkdir -p "$work/run/pulse"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes --log-target=stderr \
  -L "module-native-protocol-unix socket=$work/run/pulse/native auth-anonymous=1" \
  -L "module-null-sink sink_name=bench_null" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done
pactl set-default-sink bench_null

# The scene: a window sliding to and fro, the pointer moving, keys typed.
xmessage -geometry 800x450+100+100 "Sablewick recording benchmark" >/dev/null 2>&1 &
pids+=($!)
sleep 0.5
(
  x=100
  while true; do
    x=$(( (x + 23) % 1000 ))
    xdotool search --name xmessage windowmove %@ "$x" 200 2>/dev/null || true
    xdotool mousemove $((x + 300)) 500 type --delay 30 "abc" 2>/dev/null || true
  done
) &
pids+=($!)
# The flashing square, clear of the sliding window and the pointer; beeps through both recordings.
flash_x=1700 flash_y=860 flash_size=200
"$beeper" $((2 * seconds + 60)) "$flash_x" "$flash_y" "$flash_size" >"$work/tones" &
pids+=($!)
sleep 3

echo "cores: $(nproc), ${seconds}s each, preset $preset${PIN:+, pinned: taskset $PIN}"
TIMEFORMAT='%U %S'
ours_line=$( { time "$tool" "$work/ours.mov" "$seconds" "$preset" 2>&1; } 2>&1 )
theirs_cpu=$( { time ffmpeg -hide_banner -loglevel error -y -f x11grab -draw_mouse 0 -framerate 60 -video_size 1920x1080 \
  -i "$DISPLAY" -f pulse -i bench_null.monitor -t "$seconds" -fps_mode:v passthrough -c:v libx264 -preset "$preset" -bf 0 -g 60 \
  -pix_fmt yuv420p -colorspace bt709 -color_primaries bt709 -color_trc bt709 -c:a aac \
  -movflags frag_keyframe+empty_moov+default_base_moof "$work/theirs.mov" >/dev/null 2>&1; } 2>&1 | tail -n1 )

frames() { ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 "$1"; }
duration() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
ours_time=$(echo "$ours_line" | tail -n1)
ours_cpu=$(echo "$ours_time" | awk '{ print $1 + $2 }')
theirs_total=$(echo "$theirs_cpu" | awk '{ print $1 + $2 }')
echo "ours:   $(echo "$ours_line" | head -n1)"
echo "ours:   $(frames "$work/ours.mov") frames in $(duration "$work/ours.mov") s, CPU $(echo "scale=3; $ours_cpu / $seconds" | bc) s per recorded second"
echo "ffmpeg: $(frames "$work/theirs.mov") frames in $(duration "$work/theirs.mov") s, CPU $(echo "scale=3; $theirs_total / $seconds" | bc) s per recorded second"
echo "ratio (ours / ffmpeg CPU per recorded second): $(echo "scale=2; $ours_cpu / $theirs_total" | bc) (goal <= 1.20)"
# On a loaded machine the two keep different numbers of frames; CPU per kept frame compares the
# work itself.
ours_frames=$(frames "$work/ours.mov")
theirs_frames=$(frames "$work/theirs.mov")
echo "CPU per kept frame: ours $(echo "scale=2; 1000 * $ours_cpu / $ours_frames" | bc) ms, ffmpeg $(echo "scale=2; 1000 * $theirs_total / $theirs_frames" | bc) ms"

# Frames missing from a movie: the frames 60 a second gives between its first and last frame
# times, less those it holds (grab times jitter, so single gaps say little).
gaps() {
  ffprobe -v error -select_streams v:0 -show_entries packet=pts_time -of csv=p=0 "$1" | sort -n | awk '
    NR == 1 { first = $1 } { last = $1; n++ }
    END { missing = int((last - first) * 60 + 0.5) + 1 - n; if (missing < 0) missing = 0
          printf "%d frames, %d missing (%.2f %%)", n, missing, 100 * missing / (n + missing) }'
}
# "dark-time white-time" for each frame where the square turns white (inside it, clear of its edge).
flashes() {
  ffmpeg -v error -copyts -i "$1" -map 0:v:0 \
    -vf "crop=$((flash_size - 40)):$((flash_size - 40)):$((flash_x + 20)):$((flash_y + 20)),signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=-" \
    -f null - 2>/dev/null | awk -F'[ =:]+' '
      /pts_time/ { for (i = 1; i < NF; i++) if ($i == "pts_time") t = $(i + 1) }
      /YAVG/ { v = $NF; if (seen && v > 128 && last <= 128) print before, t; last = v; before = t; seen = 1 }'
}
# Times where the sound leaves silence: the tones' starts.
onsets() {
  ffmpeg -v info -copyts -i "$1" -map 0:a:0 -af silencedetect=n=-30dB:d=0.3 -f null - 2>&1 |
    sed -n 's/.*silence_end: *\([0-9.]*\).*/\1/p'
}
# Audio minus picture per flash, in ms: median, range and how many flashes had their tone.
av_offset() {
  awk 'NR == FNR { onset[++m] = $1; next }
    {
      middle = ($1 + $2) / 2; best = ""
      for (i = 1; i <= m; i++) { d = onset[i] - middle; if (d > -0.25 && d < 0.25 && (best == "" || d * d < best * best)) best = d }
      if (best != "") { offset[++n] = 1000 * best; if (1000 * best < 0 ? -1000 * best > 16.7 : 1000 * best > 16.7) outside++ }
      flashes++
    }
    END {
      if (n == 0) { print "no flash with its tone found"; exit }
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (offset[j] < offset[i]) { t = offset[i]; offset[i] = offset[j]; offset[j] = t }
      printf "audio - picture: median %.1f ms, from %.1f to %.1f ms; %d of %d flashes with their tone, %d more than a frame (16.7 ms) apart\n",
        offset[int((n + 1) / 2)], offset[1], offset[n], n, flashes, outside + 0
    }' <(onsets "$2") <(flashes "$2")
}
echo "tones placed by the sound stream's latency: median $(awk '/^tone/ { print $3 }' "$work/tones" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }') ms"
# The source's own offset: each tone heard at the monitor (by the server's timing) minus its flash.
awk '/^flash/ { flash[++n] = $2 } /^heard/ { heard[++m] = $2 }
  END {
    for (i = 1; i <= m; i++) for (j = 1; j <= n; j++) { d = heard[i] - flash[j]; if (d > -0.25 && d < 0.25) offset[++k] = 1000 * d }
    if (k == 0) { print "source: no tone heard at the monitor"; exit }
    for (i = 1; i <= k; i++) for (j = i + 1; j <= k; j++) if (offset[j] < offset[i]) { t = offset[i]; offset[i] = offset[j]; offset[j] = t }
    printf "source: tone heard at the monitor minus its flash, by the server'"'"'s timing: median %.1f ms, from %.1f to %.1f ms (%d tones)\n",
      offset[int((k + 1) / 2)], offset[1], offset[k], k
  }' "$work/tones"
for side in ours theirs; do
  echo "$side: $(gaps "$work/$side.mov"); $(av_offset "$side" "$work/$side.mov")"
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
