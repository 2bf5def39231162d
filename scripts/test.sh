#!/usr/bin/env bash
# Builds everything and runs every test: the native core tests (plain and with
# sanitizers), two release builds compared byte for byte, then the Win32 and end-to-end
# tests under Wine with Xvfb.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
set -e
ensure_packages
jobs=$(nproc 2>/dev/null || echo 2)

"$ROOT/scripts/build.sh" native
cmake -S "$ROOT" -B "$BUILD/native-asan" -DCMAKE_BUILD_TYPE=Debug -DTOVREL_SANITIZE=ON >/dev/null
cmake --build "$BUILD/native-asan" -j"$jobs" --target tovrel_native_tests schedule_picture
"$ROOT/scripts/build.sh" win
set +e

status=0
log "native tests"
(cd "$NATIVE_BUILD" && ctest --output-on-failure -j"$jobs") || status=1
log "native tests with AddressSanitizer and UBSan"
(cd "$BUILD/native-asan" && ctest --output-on-failure -j"$jobs") || status=1
log "release: two builds from different folders and times, byte for byte"
bash "$ROOT/tests/release/reproducible_test.sh" || status=1

start_xvfb || exit 1
trap 'stop_wine; stop_xvfb' EXIT
ensure_prefix
start_wineserver
log "Win32 and end-to-end tests under Wine on $DISPLAY"
(cd "$WIN_BUILD" && ctest --output-on-failure --timeout 600) || status=1
exit $status
