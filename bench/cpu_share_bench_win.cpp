// The CPU share a busy one-thread child really gets under one limit, read from the
// child's own thread times while the real cycle runs.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "bench/bench_support_win.h"
#include "bench/limit_cycle_win.h"
#include "throttling/exit_safety_win.h"
#include "throttling/limit_pass.h"

namespace tovrel::bench {
namespace {

constexpr double kCaseMs = 3000;

int Run() {
  InstallExitSafety();
  Children children;
  test::ChildProcess* child = children.Start(L"busy_child.exe", L"1");
  if (!child || !WaitForThreads(child->pid(), 1)) {
    Print("cpu_share: busy_child.exe did not start\n");
    return 1;
  }
  ::Sleep(100);

  TimedThreadControl threads;
  LimitCycleWindow cycle(threads);
  Print("\n== CPU share of a busy 1-thread child under one limit (~%.0f s per row) ==\n", kCaseMs / 1000);
  Print("share = child's thread CPU time / wall time; held = turn's suspension (all stopped -> resume);\n"
        "gap = all resumed -> next snapshot starts (the child runs in between)\n");
  Print("%10s %9s %8s %9s %12s %12s %12s\n", "p", "sleep ms", "wall s", "share %", "turns/s", "held med ms",
        "gap med ms");
  const std::int32_t percents[] = {-1, 1, 10, 50, 90, 99};
  for (const std::int32_t p : percents) {
    const bool limited = p >= 0;
    if (limited)
      SetLimits({{child->pid(), p}});
    else
      SetLimits({});
    threads.Reset();
    const double cpuBefore = test::CpuMilliseconds(child->pid());
    const double wall = cycle.RunFor(kCaseMs);
    const double cpu = test::CpuMilliseconds(child->pid()) - cpuBefore;
    std::vector<double> held, gap;
    const auto& turns = threads.turns();
    for (size_t i = 0; i < turns.size(); ++i) {
      held.push_back(turns[i].resumeStart - turns[i].suspended);
      if (i + 1 < turns.size()) gap.push_back(turns[i + 1].suspendStart - turns[i].resumed);
    }
    if (limited)
      Print("%10d %9u %8.2f %9.1f %12.1f %12.3f %12.3f\n", p, TurnSleepMilliseconds(p), wall / 1000,
            100.0 * cpu / wall, turns.size() / (wall / 1000), Median(held), Median(gap));
    else
      Print("%10s %9s %8.2f %9.1f %12s %12s %12s\n", "unlimited", "-", wall / 1000, 100.0 * cpu / wall, "-", "-",
            "-");
  }
  ProcessLimits().Clear();
  ReleaseBeforeEnding();
  return 0;
}

}  // namespace
}  // namespace tovrel::bench

int main() { return tovrel::bench::Run(); }
