#!/usr/bin/env bash
# Not part of CI: proves that the Win32 and end-to-end tests hold on a loaded machine. With
# busy loops beside them, runs each test that has ever failed here RUNS times, then the
# whole Win32 and end-to-end set SETS times, and prints the counts and times. Logs of failed
# runs go to build/load-proof/.
#
# Usage: scripts/prove-under-load.sh [options] [RUNS] [SETS]
#   --runs N     repetitions of each test (default 50)
#   --sets N     runs of the whole set (default 10; 0: none)
#   --busy N     busy loops beside the tests (default 2)
#   --fresh      a freshly started wineserver before every run, as the first run of a
#                session meets it (the server's first processes still starting up)
#   --only RE    repeat only the tests whose name matches RE (grep -E), or, when no test
#                listed here matches, RE itself as a ctest regex
#   --no-build   use the Windows build as it is
#   --stop-on-fail  end a test's repetitions at its first failure
# Builds take $TOVREL_BUILD_LOCK (a flock file) when it is set, so builds on a shared
# machine never overlap; the runs themselves do not.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
runs=50
sets=10
busy_loops=2
fresh=0
only=""
build=1
stop_on_fail=0
positional=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --sets) sets=$2; shift 2 ;;
    --busy) busy_loops=$2; shift 2 ;;
    --fresh) fresh=1; shift ;;
    --only) only=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    --stop-on-fail) stop_on_fail=1; shift ;;
    -h|--help) sed -n '2,18p' "$0"; exit 0 ;;
    *) positional+=("$1"); shift ;;
  esac
done
[ ${#positional[@]} -ge 1 ] && runs=${positional[0]}
[ ${#positional[@]} -ge 2 ] && sets=${positional[1]}

# Every test that has failed here at least once, for whatever reason.
flaky=(
  HostileTarget.AProcessThatChurnsThreadsRunsFreelyOnceReleased
  WholeJob.ExitWhileATurnHoldsTheChildSuspendedLeavesItRunning
  WholeJob.LimitChangeReleaseRefuseAFourthAndExit
  LimitTimerTest.HoldsKeepTheirTimeInEveryLoopAndNothingWakesWithoutALimit
  Guard.AKilledLimiterNeverLeavesItsProcessesFrozen
)
if [ -n "$only" ]; then
  picked=()
  for name in "${flaky[@]}"; do
    echo "$name" | grep -qE "$only" && picked+=("$name")
  done
  [ ${#picked[@]} -eq 0 ] && picked=("$only")
  flaky=("${picked[@]}")
fi

ensure_packages
if [ $build -eq 1 ]; then
  if [ -n "${TOVREL_BUILD_LOCK:-}" ]; then
    flock "$TOVREL_BUILD_LOCK" "$ROOT/scripts/build.sh" win >/dev/null || exit 1
  else
    "$ROOT/scripts/build.sh" win >/dev/null || exit 1
  fi
fi
start_xvfb || exit 1
ensure_prefix
start_wineserver
out="$BUILD/load-proof"
rm -rf "$out"
mkdir -p "$out"
: >"$out/retries.log"

busy=()
for _ in $(seq 1 "$busy_loops"); do
  bash -c 'while :; do :; done' &
  busy+=($!)
done
trap '[ ${#busy[@]} -gt 0 ] && kill "${busy[@]}" 2>/dev/null' EXIT
log "$busy_loops busy loops: ${busy[*]}; fresh wineserver each run: $fresh; load average $(cut -d' ' -f1-3 /proc/loadavg)"

# The prefix's server ended and started again: its first processes start up with the run.
restart_wineserver() {
  wineserver -k </dev/null >/dev/null 2>&1 9>&-
  wineserver -w </dev/null >/dev/null 2>&1 9>&-
  start_wineserver
}

status=0
summary=()
# run_ctest LABEL REGEX: one ctest run of the Windows build; its log is kept when it fails.
# Retries of a program or child that never started are counted from every run's output.
run_ctest() {
  [ $fresh -eq 1 ] && restart_wineserver
  (cd "$WIN_BUILD" && ctest --output-on-failure --timeout 600 -R "$2") >"$out/current.log" 2>&1
  local rc=$?
  # A filter that matched nothing proves nothing.
  grep -q "No tests were found" "$out/current.log" && rc=1
  [ $rc -ne 0 ] && cp "$out/current.log" "$out/$1.log"
  grep -h "never ran\|did not start" "$WIN_BUILD/Testing/Temporary/LastTest.log" >>"$out/retries.log" 2>/dev/null
  return $rc
}

for name in "${flaky[@]}"; do
  failed=0
  done_runs=0
  start=$SECONDS
  for i in $(seq 1 "$runs"); do
    done_runs=$i
    if ! run_ctest "$name-$i" "^${name//./\\.}\$"; then
      failed=$((failed + 1))
      log "$name: run $i failed: $(grep -A5 -m1 'Failure' "$out/$name-$i.log" | tr -s ' \n' ' ' | head -c 400)"
      [ $stop_on_fail -eq 1 ] && break
    fi
    [ $((i % 10)) -eq 0 ] && log "$name: $i runs, $failed failed"
  done
  summary+=("$(printf '%-72s %4d runs %3d failed %5d s' "$name" "$done_runs" "$failed" $((SECONDS - start)))")
  [ $failed -eq 0 ] || status=1
  log "${summary[-1]}"
done

failed=0
start=$SECONDS
for i in $(seq 1 "$sets"); do
  set_start=$SECONDS
  run_ctest "whole-set-$i" "." || failed=$((failed + 1))
  log "whole set $i: $(grep -Eo '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$out/current.log") in $((SECONDS - set_start)) s"
  grep -E '^\s+[0-9]+ - .*\(Failed|Timeout|Subprocess' "$out/current.log" | sed 's/^/[tovrel]   /' >&2
done
[ "$sets" -gt 0 ] && summary+=("$(printf '%-72s %4d runs %3d failed %5d s' "every Win32 and end-to-end test" "$sets" "$failed" $((SECONDS - start)))")
[ $failed -eq 0 ] || status=1

echo
echo "Under load ($(nproc) cores, $busy_loops busy loops, fresh wineserver each run: $fresh):"
printf '%s\n' "${summary[@]}"
echo "programs or children started once more because they never ran: $(wc -l <"$out/retries.log" 2>/dev/null || echo 0)"
[ -s "$out/retries.log" ] && sort "$out/retries.log" | uniq -c
exit $status
