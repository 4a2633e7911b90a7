#!/usr/bin/env bash
# Runs the screenshot benchmarks on a private 3840 x 2160 X server.
# Usage: bench/screenshots/run.sh [build folder] [benchmark options]
set -euo pipefail
build=${1:-build}
shift || true
work=$(mktemp -d "${TMPDIR:-/tmp}/screenshot-bench.XXXXXX")
Xvfb -displayfd 3 -screen 0 3840x2160x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
DISPLAY=:$(cat "$work/display") "$build/bench/screenshots/screenshot_bench" "$@"
