#!/usr/bin/env bash
# Builds the host core and tests (native) and/or the Windows build (win).
# Usage: scripts/build.sh [native|win|all] [cmake --build arguments...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
what="${1:-all}"
shift || true
jobs=$(nproc 2>/dev/null || echo 2)

if [ "$what" = native ] || [ "$what" = all ]; then
  cmake -S "$ROOT" -B "$NATIVE_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$NATIVE_BUILD" -j"$jobs" "$@"
fi
if [ "$what" = win ] || [ "$what" = all ]; then
  cmake -S "$ROOT" -B "$WIN_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$WIN_BUILD" -j"$jobs" "$@"
fi
