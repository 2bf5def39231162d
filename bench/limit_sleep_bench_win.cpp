// How long a turn really keeps a busy child suspended, against the (100 - p) x 3 ms it
// asks for: the time from "every thread stopped" to "first thread resumed", per turn.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "bench/bench_support_win.h"
#include "bench/limit_cycle_win.h"
#include "platform/message_loop_win.h"
#include "throttling/exit_safety_win.h"
#include "throttling/limit_pass.h"

namespace tovrel::bench {
namespace {

struct Case {
  std::int32_t percent;
  int turns;
};

int Run() {
  // As Tovrel.exe does while a limit is active: the 1 ms timer resolution.
  InstallExitSafety();
  HoldFineTimerResolution(true);
  Children children;
  test::ChildProcess* child = children.Start(L"busy_child.exe", L"1");
  if (!child || !WaitForThreads(child->pid(), 1)) {
    Print("limit_sleep: busy_child.exe did not start\n");
    return 1;
  }
  ::Sleep(100);

  Print("\n== Turn sleep: measured suspension of a busy 1-thread child vs (100 - p) x 3 ms ==\n");
  Print("held = all threads stopped -> resumption starts; whole = snapshot starts -> all resumed\n");
  Print("%4s %9s %6s %12s %12s %12s %12s %12s\n", "p", "target ms", "turns", "held med ms", "err med ms",
        "err p90 ms", "err max ms", "whole med ms");
  const Case cases[] = {{99, 200}, {50, 40}, {1, 30}};
  TimedThreadControl threads;
  DirectHost host;
  for (const Case& c : cases) {
    SetLimits({{child->pid(), c.percent}});
    threads.Reset();
    for (int i = 0; i < c.turns; ++i) {
      MakeAllDue();
      LimitPass(ProcessLimits(), threads, host);
    }
    const double target = TurnSleepMilliseconds(c.percent);
    std::vector<double> held, error, whole;
    for (const auto& t : threads.turns()) {
      held.push_back(t.resumeStart - t.suspended);
      error.push_back(t.resumeStart - t.suspended - target);
      whole.push_back(t.resumed - t.suspendStart);
    }
    Print("%4d %9.0f %6zu %12.3f %+12.3f %+12.3f %+12.3f %12.3f\n", c.percent, target, held.size(), Median(held),
          Median(error), Percentile(error, 0.9), Percentile(error, 1.0), Median(whole));
  }
  ProcessLimits().Clear();
  ReleaseBeforeEnding();
  return 0;
}

}  // namespace
}  // namespace tovrel::bench

int main() { return tovrel::bench::Run(); }
