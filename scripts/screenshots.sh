#!/usr/bin/env bash
# Retakes the README's pictures of the capture window (docs/capture-window*.png) by running the GUI
# suite against the build in build/ (BUILD_DIR overrides), which must be up to date.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
/usr/bin/python3 "$root/tests/gui/capture_window_test.py" --bin "$build/bin" --screenshots "$root/docs"
