// The limiter's own CPU time while it holds limits: the real cycle (1 ms timer, pass on
// WM_TIMER, message loop) against busy children, read from this process's own times.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support_win.h"
#include "bench/limit_cycle_win.h"
#include "throttling/exit_safety_win.h"

namespace tovrel::bench {
namespace {

constexpr double kCaseMs = 2000;
constexpr double kLinuxTicksPerSecond = 100;  // USER_HZ of /proc/<pid>/stat

// Under Wine the snapshot work is done in wineserver, not in this process. The bench
// script passes the server's Linux pid; its CPU time (user + system) is read from
// /proc through the Z: drive. Negative when unavailable.
double WineServerCpuMs() {
  wchar_t pid[32];
  if (!::GetEnvironmentVariableW(L"TOVREL_WINESERVER_PID", pid, 32)) return -1;
  const std::wstring path = std::wstring(L"Z:\\proc\\") + pid + L"\\stat";
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return -1;
  char buf[1024] = {};
  const size_t n = std::fread(buf, 1, sizeof(buf) - 1, f);
  std::fclose(f);
  // Fields after the parenthesised command name: state is field 3, utime 14, stime 15.
  const char* p = std::strrchr(buf, ')');
  if (!p || n == 0) return -1;
  unsigned long long utime = 0, stime = 0;
  if (std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) != 2) return -1;
  return static_cast<double>(utime + stime) * 1000.0 / kLinuxTicksPerSecond;
}

struct Case {
  int limits;
  std::int32_t percent;
};

int Run() {
  InstallExitSafety();
  Children children;
  for (int i = 0; i < 3; ++i) {
    test::ChildProcess* child = children.Start(L"busy_child.exe", L"1");
    if (!child || !WaitForThreads(child->pid(), 1)) {
      Print("limiter_cpu: busy_child.exe did not start\n");
      return 1;
    }
  }
  ::Sleep(100);

  TimedThreadControl threads;
  LimitCycleWindow cycle(threads);
  Print("\n== Limiter's own CPU time while it holds limits (~%.0f s per case, busy 1-thread children) ==\n",
        kCaseMs / 1000);
  Print("process = GetProcessTimes of this process; threads = sum of its own threads' times;\n"
        "wineserver = the Wine server's Linux CPU time (it serves the snapshots; any other Wine client too)\n");
  Print("%6s %4s %7s %7s %9s %17s %17s %12s %17s\n", "limits", "p", "wall s", "passes", "passes/s",
        "process ms CPU/s", "threads ms CPU/s", "% of a core", "wineserver ms/s");
  const Case cases[] = {{0, 0}, {1, 99}, {1, 50}, {1, 1}, {3, 99}, {3, 50}, {3, 1}};
  const DWORD self = ::GetCurrentProcessId();
  for (const Case& c : cases) {
    std::vector<LimitEntry> entries;
    for (int i = 0; i < c.limits; ++i) entries.push_back({children[static_cast<size_t>(i)].pid(), c.percent});
    SetLimits(entries);
    threads.Reset();
    const double processBefore = OwnProcessCpuMs();
    const double threadsBefore = test::CpuMilliseconds(self);
    const double serverBefore = WineServerCpuMs();
    const double wall = cycle.RunFor(kCaseMs);
    const double processCpu = OwnProcessCpuMs() - processBefore;
    const double threadsCpu = test::CpuMilliseconds(self) - threadsBefore;
    const double serverAfter = WineServerCpuMs();
    const double seconds = wall / 1000.0;
    char server[32] = "-";
    if (serverBefore >= 0 && serverAfter >= 0)
      std::snprintf(server, sizeof(server), "%.1f", (serverAfter - serverBefore) / seconds);
    Print("%6d %4d %7.2f %7d %9.1f %17.2f %17.2f %11.2f%% %17s\n", c.limits, c.limits ? c.percent : 0, seconds,
          cycle.passes(), cycle.passes() / seconds, processCpu / seconds, threadsCpu / seconds,
          processCpu / seconds / 10.0, server);
  }
  ProcessLimits().Clear();
  ReleaseBeforeEnding();
  return 0;
}

}  // namespace
}  // namespace tovrel::bench

int main() { return tovrel::bench::Run(); }
