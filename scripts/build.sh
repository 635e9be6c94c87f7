#!/usr/bin/env bash
# Configures and builds everything into build/ (BUILD_DIR overrides). The test, run and package
# commands all build with these same flags, so whichever runs second finds nothing to rebuild.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
      -DVDR_WERROR="${VDR_WERROR:-ON}" ${CMAKE_EXTRA_ARGS:-} >/dev/null
cmake --build "$build" -j "$(nproc)"
