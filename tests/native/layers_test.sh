#!/usr/bin/env bash
# scripts/check-layers.sh passes the source tree, and fails a copy of it with an include that
# points up (platform/ into a window) or across (throttling/ into button_control/), or that
# names no folder.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
check="$root/scripts/check-layers.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/tovrel-layers.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0

bash "$check" "$root" >/dev/null || { echo "FAIL: the source tree has an arrow against the layers" >&2; status=1; }

# expect_rejected FOLDER LINE
expect_rejected() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree"
  for d in main_window limit_dialog throttling button_control platform resources; do cp -r "$root/$d" "$work/tree/"; done
  printf '%s\n' "$2" >> "$work/tree/$1/probe.h"
  if bash "$check" "$work/tree" >/dev/null 2>&1; then
    echo "FAIL: $1/ with '$2' passed the check" >&2
    status=1
  fi
}
expect_rejected platform '#include "main_window/limit_command.h"'
expect_rejected limit_dialog '#include "main_window/form_main_win.h"'
expect_rejected throttling '#include "button_control/command.h"'
expect_rejected resources '#include "platform/handles_win.h"'
expect_rejected throttling '#include "nowhere.h"'
exit $status
