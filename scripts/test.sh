#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
VDR_WERROR=ON "$root/scripts/build.sh"
# The storage tests run on PostgreSQL too when a server is at hand; without one they are skipped.
if [ -z "${VDR_TEST_POSTGRES_URL:-}" ] && { [ "$(id -u)" -eq 0 ] || sudo -n true 2>/dev/null; }; then
  if VDR_TEST_POSTGRES_URL=$("$root/scripts/postgres.sh"); then
    export VDR_TEST_POSTGRES_URL
  else
    echo "test.sh: could not start PostgreSQL; its tests will be skipped" >&2
    unset VDR_TEST_POSTGRES_URL
  fi
fi
cd "${BUILD_DIR:-$root/build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" --timeout 300
