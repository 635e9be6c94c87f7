#!/usr/bin/env bash
# Retakes the README's pictures of the capture window (docs/capture-window*.png) by running the GUI
# suite, and of the HTML report (docs/capture-report.png) by running the check reports' test, against
# the build in build/ (BUILD_DIR overrides), which must be up to date.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
/usr/bin/python3 "$root/tests/gui/capture_window_test.py" --bin "$build/bin" --screenshots "$root/docs"
VDR_SCREENSHOTS="$root/docs" QT_QPA_PLATFORM=offscreen "$build/bin/capturecommand_tests" --gtest_filter='CheckReports.*'
