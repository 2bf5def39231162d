#!/usr/bin/env bash
# Not part of CI: proves that the Win32 and end-to-end tests hold on a loaded machine. With
# two busy loops beside them, runs each test that has ever failed here RUNS times (default
# 50), then the whole Win32 and end-to-end set SETS times (default 10), and prints the
# counts and times. Logs of failed runs go to build/load-proof/.
# Usage: scripts/prove-under-load.sh [RUNS] [SETS]
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
runs=${1:-50}
sets=${2:-10}
# Every test that has failed here at least once, for whatever reason.
flaky=(
  HostileTarget.AProcessThatChurnsThreadsRunsFreelyOnceReleased
  WholeJob.ExitWhileATurnHoldsTheChildSuspendedLeavesItRunning
  WholeJob.LimitChangeReleaseRefuseAFourthAndExit
  LimitTimerTest.HoldsKeepTheirTimeInEveryLoopAndNothingWakesWithoutALimit
  Guard.AKilledLimiterNeverLeavesItsProcessesFrozen
)

ensure_packages
"$ROOT/scripts/build.sh" win >/dev/null || exit 1
start_xvfb || exit 1
ensure_prefix
start_wineserver
out="$BUILD/load-proof"
rm -rf "$out"
mkdir -p "$out"
: >"$out/retries.log"

busy=()
for _ in 1 2; do
  bash -c 'while :; do :; done' &
  busy+=($!)
done
trap 'kill "${busy[@]}" 2>/dev/null' EXIT
log "two busy loops: ${busy[*]}; load average $(cut -d' ' -f1-3 /proc/loadavg)"

status=0
summary=()
# run_ctest LABEL REGEX: one ctest run of the Windows build; its log is kept when it fails.
# Retries of a program or child that never started are counted from every run's output.
run_ctest() {
  (cd "$WIN_BUILD" && ctest --output-on-failure --timeout 600 -R "$2") >"$out/current.log" 2>&1
  local rc=$?
  [ $rc -ne 0 ] && cp "$out/current.log" "$out/$1.log"
  grep -h "never ran\|did not start" "$WIN_BUILD/Testing/Temporary/LastTest.log" >>"$out/retries.log" 2>/dev/null
  return $rc
}

for name in "${flaky[@]}"; do
  failed=0
  start=$SECONDS
  for i in $(seq 1 "$runs"); do
    run_ctest "$name-$i" "^${name//./\\.}\$" || failed=$((failed + 1))
  done
  summary+=("$(printf '%-72s %4d runs %3d failed %5d s' "$name" "$runs" "$failed" $((SECONDS - start)))")
  [ $failed -eq 0 ] || status=1
  log "${summary[-1]}"
done

failed=0
start=$SECONDS
for i in $(seq 1 "$sets"); do
  set_start=$SECONDS
  run_ctest "whole-set-$i" "." || failed=$((failed + 1))
  log "whole set $i: $(grep -Eo '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$out/current.log") in $((SECONDS - set_start)) s"
done
summary+=("$(printf '%-72s %4d runs %3d failed %5d s' "every Win32 and end-to-end test" "$sets" "$failed" $((SECONDS - start)))")
[ $failed -eq 0 ] || status=1

echo
echo "Under load ($(nproc) cores, two busy loops):"
printf '%s\n' "${summary[@]}"
echo "programs or children started once more because they never ran: $(wc -l <"$out/retries.log" 2>/dev/null || echo 0)"
[ -s "$out/retries.log" ] && sort "$out/retries.log" | uniq -c
exit $status
