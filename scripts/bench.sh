#!/usr/bin/env bash
# Builds the Windows benchmarks and the helper children they start, then runs each
# under Wine with Xvfb and prints its table. Usage: scripts/bench.sh [bench names...]
# (names without the _bench_win suffix, e.g. "cpu_share paint"; default: all).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages

all=(schedule hold_cost tovrel_exe own_cpu soak refresh paint kill_both)
if [ $# -gt 0 ]; then benches=("$@"); else benches=("${all[@]}"); fi
targets=(Tovrel busy_child idle_child)
for b in "${benches[@]}"; do targets+=("${b}_bench_win"); done

log "building ${targets[*]}"
"$ROOT/scripts/build.sh" win --target "${targets[@]}"

# Xvfb and the persistent wineserver are shared with whatever else runs from this build
# folder, so they are left running: stopping the X server under a live wineserver
# breaks every later Wine window of that server (BadWindow on the old desktop).
start_xvfb
ensure_prefix
start_wineserver

# The server of this prefix works in a directory named after the prefix's device and
# inode; the CPU benchmark reads that server's CPU time too.
server_dir="server-$(stat -c %D "$WINEPREFIX")-$(printf %x "$(stat -c %i "$WINEPREFIX")")"
for pid in $(pgrep wineserver || true); do
  [ "$(basename "$(readlink "/proc/$pid/cwd" 2>/dev/null)")" = "$server_dir" ] && export TOVREL_WINESERVER_PID="$pid"
done

echo "Machine: $(nproc) cores, $(wine --version 2>/dev/null), load average $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
for b in "${benches[@]}"; do
  start=$SECONDS
  "$ROOT/scripts/wine-run" "$WIN_BUILD/${b}_bench_win.exe" || { log "$b failed"; status=1; }
  log "$b took $((SECONDS - start)) s"
done
exit $status
