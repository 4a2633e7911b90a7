#!/usr/bin/env bash
# Sets up and builds, then runs every test against a private X server and a private PulseAudio
# daemon, with HOME and the XDG folders in a temporary place. Both servers, and ctest with every
# program it started, are stopped by their process ids however the run ends. Extra arguments go to
# ctest (e.g. -L rendering).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="${SABLEWICK_BUILD_DIR:-$here/build}"
"$here/scripts/setup.sh"

sandbox=$(mktemp -d "${TMPDIR:-/tmp}/sablewick-test.XXXXXX")
xvfb_pid=""
pulse_pid=""
ctest_pid=""
# Stops a process this script started, by its id (the second argument, when given, is what the
# signals go to: ctest's process group). TERM first, then KILL if it has not ended within 5 s, so
# a process that misses the signal cannot keep the run from ending.
stop() {
  local pid=$1 target=${2:-$1} state
  kill -TERM -- "$target" 2>/dev/null || return 0
  for _ in $(seq 1 50); do
    read -r _ _ state _ 2>/dev/null <"/proc/$pid/stat" || break
    [ "$state" = Z ] && break
    sleep 0.1
  done
  kill -KILL -- "$target" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
# shellcheck source=wayland-session.sh
source "$here/scripts/wayland-session.sh"
cleanup() {
  local status=$?
  trap - EXIT INT TERM
  [ -z "$ctest_pid" ] || stop "$ctest_pid" "-$ctest_pid"
  wayland_stop
  [ -z "$pulse_pid" ] || stop "$pulse_pid"
  [ -z "$xvfb_pid" ] || stop "$xvfb_pid"
  rm -rf "$sandbox"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

export HOME="$sandbox/home"
export XDG_RUNTIME_DIR="$sandbox/runtime"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_STATE_HOME="$HOME/.local/state"
export XDG_CACHE_HOME="$HOME/.cache"
export TMPDIR="$sandbox/tmp"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME" "$XDG_CACHE_HOME" "$TMPDIR"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset SABLEWICK_STATE_DIRECTORY QT_QPA_PLATFORM WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SWAYSOCK \
  SABLEWICK_WAYLAND_DISPLAY SABLEWICK_WAYLAND_BUS SABLEWICK_SWAYSOCK SABLEWICK_WAYLAND_ERROR || true

# Xvfb picks a free display number itself and writes it to the descriptor we give it.
displayfile="$sandbox/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -noreset -nolisten tcp 3>"$displayfile" >"$sandbox/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -s "$displayfile" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { cat "$sandbox/xvfb.log"; echo "Xvfb did not start"; exit 1; }
  sleep 0.1
done
[ -s "$displayfile" ] || { echo "Xvfb did not report a display"; exit 1; }
export DISPLAY=":$(head -n1 "$displayfile")"

# A private PulseAudio daemon with a null sink; clients never autospawn another one.
mkdir -p "$XDG_RUNTIME_DIR/pulse"
printf 'autospawn = no\n' >"$sandbox/client.conf"
export PULSE_CLIENTCONFIG="$sandbox/client.conf"
export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disallow-exit \
  --disable-shm=yes --log-target=file:"$sandbox/pulse.log" \
  -L "module-native-protocol-unix socket=$XDG_RUNTIME_DIR/pulse/native auth-anonymous=1" \
  -L "module-null-sink sink_name=sablewick_null sink_properties=device.description=Null" \
  -L "module-always-sink" >/dev/null 2>&1 &
pulse_pid=$!
for _ in $(seq 1 100); do
  pactl info >/dev/null 2>&1 && break
  kill -0 "$pulse_pid" 2>/dev/null || { cat "$sandbox/pulse.log" 2>/dev/null; echo "PulseAudio did not start"; exit 1; }
  sleep 0.1
done
pactl info >/dev/null 2>&1 || { echo "PulseAudio did not answer"; exit 1; }
pactl set-default-sink sablewick_null >/dev/null

cd "$build"
# The headless Wayland desktop starts only when the run selects tests that need it (a second -L
# narrows the selection). When it cannot start, those tests fail with the reason.
export SABLEWICK_XDPW_SHIM="$build/tests/support/libsablewick_xdpw_shm.so"
if ctest -N "$@" -L wayland 2>/dev/null | grep -q '^Total Tests: [1-9]'; then
  wayland_start || echo "$SABLEWICK_WAYLAND_ERROR" >&2
fi

# With no session bus named, libdbus forks to look for one each time a process asks (Qt's
# accessibility bridge does so in every window test). A sanitized program can deadlock in that
# child, on an allocator lock another thread held at the fork, so the sanitized run names a bus
# that is not there: the answer is the same "no bus", without the fork. Named here, after the
# Wayland session, which takes its own bus address out of the environment again.
if [ -n "${SABLEWICK_NO_SESSION_BUS:-}" ]; then
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$sandbox/no-session-bus"
fi

# ctest runs in a process group of its own and the script waits for it in the background: a signal
# to the script is handled at once (bash defers traps while a foreground command runs), and the
# cleanup stops ctest together with every test program it started.
setsid ctest --output-on-failure --no-tests=error -j "${SABLEWICK_JOBS:-$(nproc)}" "$@" &
ctest_pid=$!
wait "$ctest_pid"
