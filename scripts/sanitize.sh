#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/
# (ASAN_BUILD_DIR overrides) and runs every test there; any sanitizer report fails its test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ASAN_BUILD_DIR:-$root/build-asan}
"$root/scripts/install-deps.sh"

sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
# -O1 keeps the instrumented tests quick without hiding frames from the reports.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
      -DCMAKE_CXX_FLAGS="$sanitizers" \
      -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" \
      -DCMAKE_SHARED_LINKER_FLAGS="$sanitizers" \
      -DCMAKE_MODULE_LINKER_FLAGS="$sanitizers" >/dev/null
cmake --build "$build" -j "$(nproc)"

# The PostgreSQL cases run too when a server can be started here, as in test.sh.
source "$root/scripts/test-postgres.sh"

# Child processes the tests start (the server, the capture command, the host) inherit these. Leak
# checking needs no suppressions: Qt's offscreen platform and SQLite leave nothing unreachable.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
# The GUI suite (label gui) runs once, in test.sh, against the regular build.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" --timeout 600 --label-exclude gui
