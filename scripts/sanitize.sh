#!/usr/bin/env bash
# Builds every program with AddressSanitizer and UndefinedBehaviorSanitizer in a build folder of
# its own and runs the tests there the way scripts/test.sh does. Any report fails the test it
# came from: a memory fault or undefined behaviour stops the program, and a leak makes it exit
# with an error. Leaks inside the system's libraries are suppressed by tests/support/lsan.supp,
# which names those libraries and nothing of ours. Extra arguments go to ctest.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export SABLEWICK_BUILD_DIR="${SABLEWICK_SANITIZE_BUILD_DIR:-$here/build-sanitize}"
# SABLEWICK_SANITIZE_AREAS names the folders whose tests are built and run (e.g. "media
# rendering"); every folder's when unset. The folders' libraries that those tests do not use are
# not built.
if [ -n "${SABLEWICK_SANITIZE_AREAS:-}" ]; then
  areas="-DSABLEWICK_TEST_AREAS=$(echo "$SABLEWICK_SANITIZE_AREAS" | xargs | tr ' ' ';')"
else
  areas="-USABLEWICK_TEST_AREAS"
fi
# Benchmarks are left out: they measure speed, which a sanitized build does not have. Only the
# test programs and what they run are built.
export SABLEWICK_CMAKE_ARGS="-DSABLEWICK_SANITIZE=ON -DSABLEWICK_BUILD_BENCHMARKS=OFF $areas ${SABLEWICK_CMAKE_ARGS:-}"
export SABLEWICK_BUILD_TARGETS="${SABLEWICK_BUILD_TARGETS:-sablewick_tests}"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:check_initialization_order=1:strict_init_order=1"
export LSAN_OPTIONS="suppressions=$here/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export SABLEWICK_NO_SESSION_BUS=1
exec "$here/scripts/test.sh" "$@"
