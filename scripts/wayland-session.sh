# Sourced by test.sh: a private headless Wayland desktop for the portal tests. It starts a D-Bus
# session bus, sway on its headless backend, PipeWire with WirePlumber, and xdg-desktop-portal with
# its wlroots backend set to share the one output without asking. Every process is recorded by its
# id in wayland_pids so that the caller's cleanup stops them (newest first). A part that does not
# come up makes wayland_start return 1 within seconds, with the reason and the end of its log in
# SABLEWICK_WAYLAND_ERROR: the Wayland tests report it as their failure instead of hanging.
#
# The session is handed to the tests under names of their own (SABLEWICK_WAYLAND_DISPLAY,
# SABLEWICK_WAYLAND_BUS), not as WAYLAND_DISPLAY and DBUS_SESSION_BUS_ADDRESS, so that the other
# tests of the run still see a desktop without Wayland or a session bus.
#
# Needs: sandbox, XDG_RUNTIME_DIR, XDG_CONFIG_HOME and the caller's stop function; on a machine
# without a GPU, SABLEWICK_XDPW_SHIM (the test build's libsablewick_xdpw_shm.so).

wayland_pids=()

wayland_fail() {
  SABLEWICK_WAYLAND_ERROR="The headless Wayland session did not start: $1"
  if [ -n "${2:-}" ] && [ -f "$2" ]; then
    SABLEWICK_WAYLAND_ERROR+=$'\n'$(tail -n 20 "$2")
  fi
  export SABLEWICK_WAYLAND_ERROR
  return 1
}

# Waits up to 10 s for a command to succeed while the process it depends on lives.
wayland_wait() {
  local pid=$1 what=$2 log=$3
  shift 3
  for _ in $(seq 1 100); do
    "$@" >/dev/null 2>&1 && return 0
    kill -0 "$pid" 2>/dev/null || { wayland_fail "$what exited" "$log"; return 1; }
    sleep 0.1
  done
  wayland_fail "$what did not answer within 10 s" "$log"
}

wayland_start() {
  local bin
  for bin in dbus-daemon sway swaymsg pipewire wireplumber grim slurp wtype /usr/libexec/xdg-desktop-portal \
    /usr/libexec/xdg-desktop-portal-wlr /usr/libexec/xdg-desktop-portal-gtk /usr/libexec/xdg-permission-store; do
    command -v "$bin" >/dev/null 2>&1 || { wayland_fail "$bin is not installed (scripts/setup.sh installs it)"; return 1; }
  done
  local dir="$sandbox/wayland"
  mkdir -p "$dir"

  # The bus activates nothing by itself: every service on it is one we started and stop.
  cat >"$dir/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$dir/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
  dbus-daemon --config-file="$dir/bus.conf" --nofork --nopidfile >"$dir/dbus.log" 2>&1 &
  wayland_pids+=($!)
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/bus"
  wayland_wait "$!" dbus-daemon "$dir/dbus.log" dbus-send --session --print-reply --dest=org.freedesktop.DBus \
    /org/freedesktop/DBus org.freedesktop.DBus.GetId || return 1

  # One 1280x720 output; the seat has no input devices to open.
  cat >"$dir/sway.conf" <<EOF
output HEADLESS-1 resolution 1280x720 position 0 0
default_border none
EOF
  # sway refuses to run as root (it could not drop the privilege for good): under root it runs as
  # nobody, with a runtime folder of its own; clients reach its socket by its full path.
  local sway_runtime="$dir/sway-runtime" as_user=()
  mkdir -m 700 "$sway_runtime"
  if [ "$(id -u)" -eq 0 ]; then
    chown nobody:nogroup "$sway_runtime"
    chmod 711 "$sandbox" "$dir"  # nobody may pass through, not list
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  # Without a GPU render node, only the software renderer works.
  local renderer=()
  ls /dev/dri/renderD* >/dev/null 2>&1 || renderer=(WLR_RENDERER=pixman)
  env WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 "${renderer[@]}" WAYLAND_DISPLAY= \
    XDG_RUNTIME_DIR="$sway_runtime" HOME="$sway_runtime" XDG_CURRENT_DESKTOP=sway \
    "${as_user[@]}" sway --config "$dir/sway.conf" >"$dir/sway.log" 2>&1 &
  wayland_pids+=($!)
  local sway_pid=$!
  local socket=""
  for _ in $(seq 1 100); do
    socket=$(cd "$sway_runtime" && ls -1 wayland-? 2>/dev/null | head -n1 || true)
    [ -n "$socket" ] && [ -n "$(ls "$sway_runtime"/sway-ipc.*.sock 2>/dev/null || true)" ] && break
    kill -0 "$sway_pid" 2>/dev/null || { wayland_fail "sway exited" "$dir/sway.log"; return 1; }
    sleep 0.1
  done
  [ -n "$socket" ] || { wayland_fail "sway made no Wayland socket" "$dir/sway.log"; return 1; }
  export WAYLAND_DISPLAY="$sway_runtime/$socket"
  SWAYSOCK=$(ls "$sway_runtime"/sway-ipc.*.sock 2>/dev/null | head -n1 || true)
  export SWAYSOCK
  wayland_wait "$sway_pid" sway "$dir/sway.log" swaymsg -t get_outputs || return 1

  pipewire >"$dir/pipewire.log" 2>&1 &
  wayland_pids+=($!)
  local pipewire_pid=$!
  wayland_wait "$pipewire_pid" pipewire "$dir/pipewire.log" test -S "$XDG_RUNTIME_DIR/pipewire-0" || return 1
  wireplumber >"$dir/wireplumber.log" 2>&1 &
  wayland_pids+=($!)

  # The output is picked without asking, by a chooser that notes each time it is asked: the
  # tests tell from its log whether sharing needed the user's choice.
  export SABLEWICK_WAYLAND_CHOOSER_LOG="$dir/chooser.log"
  : >"$SABLEWICK_WAYLAND_CHOOSER_LOG"
  printf '#!/bin/sh\necho asked >>"%s"\necho HEADLESS-1\n' "$SABLEWICK_WAYLAND_CHOOSER_LOG" >"$dir/chooser"
  chmod +x "$dir/chooser"
  mkdir -p "$XDG_CONFIG_HOME/xdg-desktop-portal-wlr"
  cat >"$XDG_CONFIG_HOME/xdg-desktop-portal-wlr/config" <<EOF
[screencast]
chooser_type=simple
chooser_cmd=$dir/chooser
max_fps=30
EOF
  # Without a GPU the wlroots portal needs the test build's shim to start a screen cast.
  local preload=()
  if [ ${#renderer[@]} -gt 0 ] && [ -n "${SABLEWICK_XDPW_SHIM:-}" ]; then
    [ -f "$SABLEWICK_XDPW_SHIM" ] || { wayland_fail "$SABLEWICK_XDPW_SHIM is not built"; return 1; }
    preload=(LD_PRELOAD="$SABLEWICK_XDPW_SHIM")
  fi
  env "${preload[@]}" XDG_CURRENT_DESKTOP=sway /usr/libexec/xdg-desktop-portal-wlr -l ERROR \
    -c "$XDG_CONFIG_HOME/xdg-desktop-portal-wlr/config" >"$dir/portal-wlr.log" 2>&1 &
  wayland_pids+=($!)
  wayland_wait "$!" xdg-desktop-portal-wlr "$dir/portal-wlr.log" dbus-send --session --print-reply \
    --dest=org.freedesktop.impl.portal.desktop.wlr /org/freedesktop/portal/desktop \
    org.freedesktop.DBus.Peer.Ping || return 1
  # The portal offers screenshots only beside an access dialog (here GTK's); the permission store
  # keeps what such a dialog decided.
  /usr/libexec/xdg-permission-store -r >"$dir/permission-store.log" 2>&1 &
  wayland_pids+=($!)
  wayland_wait "$!" xdg-permission-store "$dir/permission-store.log" dbus-send --session --print-reply \
    --dest=org.freedesktop.impl.portal.PermissionStore /org/freedesktop/impl/portal/PermissionStore \
    org.freedesktop.DBus.Peer.Ping || return 1
  GDK_BACKEND=wayland XDG_CURRENT_DESKTOP=sway /usr/libexec/xdg-desktop-portal-gtk -r >"$dir/portal-gtk.log" 2>&1 &
  wayland_pids+=($!)
  wayland_wait "$!" xdg-desktop-portal-gtk "$dir/portal-gtk.log" dbus-send --session --print-reply \
    --dest=org.freedesktop.impl.portal.desktop.gtk /org/freedesktop/portal/desktop \
    org.freedesktop.DBus.Peer.Ping || return 1
  XDG_CURRENT_DESKTOP=sway /usr/libexec/xdg-desktop-portal -r >"$dir/portal.log" 2>&1 &
  wayland_pids+=($!)
  wayland_wait "$!" xdg-desktop-portal "$dir/portal.log" dbus-send --session --print-reply \
    --dest=org.freedesktop.portal.Desktop /org/freedesktop/portal/desktop \
    org.freedesktop.DBus.Properties.Get string:org.freedesktop.portal.ScreenCast string:version || return 1
  export SABLEWICK_WAYLAND_DISPLAY="$WAYLAND_DISPLAY" SABLEWICK_WAYLAND_BUS="$DBUS_SESSION_BUS_ADDRESS"
  export SABLEWICK_SWAYSOCK="$SWAYSOCK"
  unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SWAYSOCK
}

wayland_stop() {
  local i
  for ((i = ${#wayland_pids[@]} - 1; i >= 0; i--)); do
    stop "${wayland_pids[$i]}"
  done
  wayland_pids=()
}
