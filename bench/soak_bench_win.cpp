// A long run in one process: 10,000 holds and 1,000 refreshes of the real
// FormMain with three limits (released and added again at every tenth refresh) and a
// guard, printing the objects a leak would pile up as it goes.
#include <windows.h>

#include <memory>
#include <vector>

#include "bench/bench_support_win.h"
#include "tests/win/soak_run.h"
#include "throttling/exit_safety_win.h"

namespace tovrel::bench {
namespace {

constexpr int kHolds = 10000;
constexpr int kRefreshes = 1000;

void PrintCounts(const char* when, int holds, const test::ObjectCounts& c, double seconds) {
  Print("%-8s %7d %8.1f %9d %14d %6zu %6zu\n", when, holds, seconds, c.handles, c.guardHandles, c.gdi, c.user);
}

int Run() {
  InstallExitSafety();
  Children children;
  std::vector<DWORD> pids;
  for (int i = 0; i < 3; ++i) {
    test::ChildProcess* child = children.Start(L"busy_child.exe", L"1");
    if (!child || !WaitForThreads(child->pid(), 1)) {
      Print("soak: busy_child.exe did not start\n");
      return 1;
    }
    pids.push_back(child->pid());
  }
  Guard guard(test::ExeDir() + L"Tovrel.exe");
  if (!guard.EnsureRunning()) {
    Print("soak: the guard did not start\n");
    return 1;
  }
  FormMain form(&guard);
  form.Load();
  form.Show(SW_SHOWNOACTIVATE);
  test::SoakRun(form, pids, 30, 10, [](int) {});  // first-use caches settle

  Print("\n== Soak: %d holds at 99 %% and %d refreshes, three busy children, limits re-added every 10 refreshes ==\n",
        kHolds, kRefreshes);
  Print("handles = kernel handles of this process; guard = of its guard; GDI and USER objects of this process\n");
  Print("%-8s %7s %8s %9s %14s %6s %6s\n", "", "holds", "s", "handles", "guard handles", "GDI", "USER");
  const double start = NowMs();
  PrintCounts("start", 0, test::CountObjects(guard), 0);
  int refresh = 0;
  test::SoakRun(form, pids, kHolds, kRefreshes, [&](int holds) {
    if (++refresh % 100 == 0) PrintCounts("", holds, test::CountObjects(guard), (NowMs() - start) / 1000);
  });
  ProcessLimits().Clear();
  ReleaseBeforeEnding();
  return 0;
}

}  // namespace
}  // namespace tovrel::bench

int main() { return tovrel::bench::Run(); }
