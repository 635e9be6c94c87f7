#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
VDR_WERROR=ON "$root/scripts/build.sh"
# The storage tests run on PostgreSQL too when a server is at hand; without one they are skipped.
source "$root/scripts/test-postgres.sh"
cd "${BUILD_DIR:-$root/build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" --timeout 300
