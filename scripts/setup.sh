#!/usr/bin/env bash
# Installs the Debian packages that are missing, makes the de_DE.UTF-8 locale the tests use,
# configures and builds. Idempotent: when nothing changed it only runs an up-to-date build.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="${SABLEWICK_BUILD_DIR:-$here/build}"

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "setup: root is needed to run: $*" >&2
    echo "setup: run this command as root, or install sudo" >&2
    exit 1
  fi
}

# One package a line; a "#" starts a comment, also after a name.
mapfile -t packages < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' -e '/^$/d' "$here/scripts/packages.txt")
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  as_root sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi

# SABLEWICK_CMAKE_ARGS adds options to the configuration (the sanitizer build of .ci/run).
# shellcheck disable=SC2206
options=(${SABLEWICK_CMAKE_ARGS:-})
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
fi
# Folders appear as the project grows; configure again when one has been added since.
cmake "$build" "${options[@]}" >/dev/null
# SABLEWICK_JOBS caps the build's parallel jobs (several builds sharing one machine).
jobs=${SABLEWICK_JOBS:-$(nproc)}
# SABLEWICK_BUILD_TARGETS limits the build to some targets (for working on one area).
if [ -n "${SABLEWICK_BUILD_TARGETS:-}" ]; then
  # shellcheck disable=SC2086
  cmake --build "$build" -j "$jobs" --target ${SABLEWICK_BUILD_TARGETS}
else
  cmake --build "$build" -j "$jobs"
fi
