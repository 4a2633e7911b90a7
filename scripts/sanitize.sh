#!/usr/bin/env bash
# Builds every program with AddressSanitizer and UndefinedBehaviorSanitizer in a build folder of
# its own and runs the tests there the way scripts/test.sh does. Any report fails the test it
# came from: a memory fault or undefined behaviour stops the program, and a leak makes it exit
# with an error. Leaks inside the system's libraries are suppressed by tests/support/lsan.supp,
# which names those libraries and nothing of ours. Extra arguments go to ctest.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export SABLEWICK_BUILD_DIR="${SABLEWICK_SANITIZE_BUILD_DIR:-$here/build-sanitize}"
# Benchmarks are left out: they measure speed, which a sanitized build does not have.
export SABLEWICK_CMAKE_ARGS="-DSABLEWICK_SANITIZE=ON -DSABLEWICK_BUILD_BENCHMARKS=OFF ${SABLEWICK_CMAKE_ARGS:-}"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:check_initialization_order=1:strict_init_order=1"
export LSAN_OPTIONS="suppressions=$here/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export SABLEWICK_NO_SESSION_BUS=1
exec "$here/scripts/test.sh" "$@"
