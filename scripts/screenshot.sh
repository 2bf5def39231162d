#!/usr/bin/env bash
# Makes docs/main-window.png again: the end-to-end run limits a busy child through the
# dialog, as a user would, and photographs the main window (Wine's 96 dpi, Xvfb).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages
"$ROOT/scripts/build.sh" win --target tovrel_e2e_tests Tovrel busy_child

start_xvfb
ensure_prefix
start_wineserver
shot="$BUILD/screenshots/main-window-limited.png"
rm -f "$shot"
# The end-to-end tests save their pictures relative to the build folder, as under CTest.
(cd "$WIN_BUILD" && "$ROOT/scripts/wine-run" ./tovrel_e2e_tests.exe \
   --gtest_filter='WholeJob.LimitChangeReleaseRefuseAFourthAndExit')
[ -f "$shot" ] || { log "the end-to-end run made no picture"; exit 1; }
mkdir -p "$ROOT/docs"
# Compressed, and without the time stamps that would make every run a new file.
convert "$shot" -strip -define png:exclude-chunks=date,time "$ROOT/docs/main-window.png"
log "docs/main-window.png made again"
