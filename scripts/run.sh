#!/usr/bin/env bash
# Sets up, builds and launches the application.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
exec "${SABLEWICK_BUILD_DIR:-$here/build}/sablewick"
