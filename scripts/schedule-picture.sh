#!/usr/bin/env bash
# Draws docs/schedule.png again from the limiting schedule's own code (a host program:
# no Wine, no display). Run it after a change to the schedule; the native tests fail
# while the committed picture differs from what the schedule draws.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages cmake g++ googletest libgtest-dev libgmock-dev
bash "$ROOT/scripts/build.sh" native --target schedule_picture
"$NATIVE_BUILD/schedule_picture" "$ROOT/docs/schedule.png"
log "wrote docs/schedule.png"
