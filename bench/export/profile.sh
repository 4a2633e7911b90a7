#!/usr/bin/env bash
# The composition benchmark's figure beside a profile of the real export of the same movie and
# edit. The export's samples (perf, cpu-clock, user and system) are split the way the benchmark
# splits its clocks: composition is every sample of the export's composition workers (threads
# named export-compose: conversion of the rows they read, resampling, the pointer, conversion to
# 4:2:0), x264 every sample of the encoder's own threads (those that ran x264's code, with the
# system calls and memory copies made there) and the main thread's samples inside x264. The benchmark (composition_bench's SideBySide, fed the
# movie's frames through SABLEWICK_BENCH_MOVIE) composes on one thread and encodes as the export
# does, and times both with CPU clocks. Both run pinned to the same processors.
#
#   bench/export/profile.sh [BUILD_DIR] MOVIE [rest|zoom-ramp] [CPUS]
#
# MOVIE: a 1080p60 recording, for instance bench/export/desktop_clip.sh's clip or
# bench/rendering/record_terminal.sh's terminal. CPUS: a taskset list (default: all).
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$here/build
if [ $# -ge 2 ] && [ -d "$1" ]; then build=$(cd "$1" && pwd); shift; fi
movie=$(realpath "${1:?usage: profile.sh [BUILD_DIR] MOVIE [rest|zoom-ramp] [CPUS]}")
edit=${2:-rest}
cpus=${3:-0-$(($(nproc) - 1))}
tool="$build/bench/export/sablewick_export_project"
bench="$build/bench/rendering/composition_bench"
for program in "$tool" "$bench"; do
  [ -x "$program" ] || { echo "build $program first"; exit 1; }
done
command -v perf >/dev/null || { echo "perf is needed (Debian: linux-perf)"; exit 1; }
case $edit in rest) zoom=0 ;; zoom-ramp) zoom=1 ;; *) echo "unknown edit $edit"; exit 1 ;; esac
work=$(mktemp -d "${TMPDIR:-/tmp}/sablewick-profile.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "movie: $movie, edit: $edit, processors: $cpus, load: $(cut -d' ' -f1-3 /proc/loadavg)"
"$tool" --make-project "$movie" "$work/project.sablewick.json" "$edit"
if ! taskset -c "$cpus" perf record -q -e cpu-clock -F 2000 -o "$work/perf.data" -- \
  "$tool" "$work/project.sablewick.json" "$work/out.mp4" mp4 1080 >/dev/null 2>"$work/export.log"; then
  echo "the export under perf failed:"; tail -n 5 "$work/export.log"; exit 1
fi
frames=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$work/out.mp4")
# Every sample as "thread-name pid/tid library"; the encoder's threads are the ones that ran x264.
perf script -i "$work/perf.data" -F comm,pid,tid,ip,dso 2>/dev/null | python3 -c '
import collections, sys
frames, hertz = int(sys.argv[1] or 0), 2000
threads = collections.defaultdict(collections.Counter)
for line in sys.stdin:
    # The thread name may hold spaces; the ids, address and library come last.
    fields = line.split()
    if len(fields) < 4 or "/" not in fields[-3]:
        continue
    process, thread = fields[-3].split("/", 1)
    library = fields[-1].strip("()").rsplit("/", 1)[-1]
    threads[(" ".join(fields[:-3]), thread == process, thread)][library] += 1
compose = x264 = total = 0
shares = collections.Counter()
for (name, main, _), libraries in threads.items():
    samples = sum(libraries.values())
    total += samples
    for library, n in libraries.items():
        shares[("main" if main else name, library)] += n
    if name == "export-compose":
        compose += samples
    elif main:
        x264 += sum(n for library, n in libraries.items() if library.startswith("libx264"))
    elif any(library.startswith("libx264") for library in libraries):
        x264 += samples
if not frames or not compose or not x264:
    sys.exit("the profile holds no composition or no x264 samples: is perf allowed to sample (perf_event_paranoid)?")
ms = lambda samples: samples * 1000 / hertz / frames
print("export profile: composition %.2f ms, x264 %.2f ms a frame (%.1f %% and %.1f %% of the samples), ratio %.3f"
      % (ms(compose), ms(x264), 100 * compose / total, 100 * x264 / total, compose / x264))
print("the largest shares (thread, library, percent of the samples):")
for (name, library), n in shares.most_common(8):
    print("  %-16s %-28s %5.1f" % (name, library, 100 * n / total))
' "$frames"
SABLEWICK_BENCH_MOVIE="$movie" taskset -c "$cpus" "$bench" \
  --benchmark_filter="SideBySide/height:1080/zoom:$zoom/" --benchmark_format=json 2>/dev/null \
  | python3 -c '
import json, sys
for run in json.load(sys.stdin)["benchmarks"]:
    if run.get("aggregate_name") == "median":
        print("benchmark (median of 5): composition %.2f ms, x264 %.2f ms a frame, ratio %.3f"
              % (run["compose_ms"], run["x264_ms"], run["ratio"]))'
