// What one hold costs the window's thread to begin and to end, and how that grows with the
// threads of the target and of the whole system: a hold walks the threads of its own
// process; the system-wide view it falls back on walks every thread there is.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_support_win.h"
#include "throttling/exit_safety_win.h"
#include "throttling/guard_win.h"
#include "throttling/limited_process_win.h"
#include "throttling/thread_control_win.h"

namespace tovrel::bench {
namespace {

constexpr int kRounds = 50;
constexpr int kExtraSystemThreads = 200;
// A resumed target's threads keep the Wine server busy for a while as they go on; a hold
// never comes sooner than 3 ms after the last, and mostly far later.
constexpr DWORD kSettleMs = 20;

// Waits as Tovrel's window waits for the schedule's next moment, on a waitable timer: a
// hold begins right after that wait returns, not after an idle sleep.
class Settle {
 public:
  Settle() : timer_(::CreateWaitableTimerW(nullptr, FALSE, nullptr)) {}
  ~Settle() { ::CloseHandle(timer_); }
  void operator()() const {
    LARGE_INTEGER due{};
    due.QuadPart = -static_cast<LONGLONG>(kSettleMs) * 10'000;
    ::SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE);
    ::WaitForSingleObject(timer_, INFINITE);
  }

 private:
  HANDLE timer_;
};

struct Case {
  const wchar_t* exe;
  int targetThreads;
  bool extraSystemThreads;
  const char* heading = nullptr;  // printed above the row when set
};

void RunCase(const Case& c) {
  Children children;
  if (c.extraSystemThreads) {
    test::ChildProcess* other = children.Start(L"idle_child.exe", std::to_wstring(kExtraSystemThreads));
    if (!other || !WaitForThreads(other->pid(), kExtraSystemThreads)) {
      Print("hold_cost: idle_child.exe %d did not start\n", kExtraSystemThreads);
      return;
    }
  }
  test::ChildProcess* target = children.Start(c.exe, std::to_wstring(c.targetThreads));
  if (!target || !WaitForThreads(target->pid(), static_cast<size_t>(c.targetThreads))) {
    Print("hold_cost: target did not start\n");
    return;
  }
  ::Sleep(100);
  const size_t systemThreads = SystemThreadCount();
  const size_t targetThreads = test::ThreadIdsOf(target->pid()).size();

  // Suspension and resumption called directly, each timed on its own; every other
  // round also times the snapshot alone, so all columns share the same moments of
  // machine load. With a guard recording every thread, as in Tovrel.exe.
  Guard guard(test::ExeDir() + L"Tovrel.exe");
  guard.EnsureRunning();
  Win32ThreadControl control(&guard);
  Win32ThreadControl byView(&guard, ThreadWalk::kSystemView);
  const auto process = OpenLimitedProcess(static_cast<std::int32_t>(target->pid()), SystemTimeNow(), &guard);
  // The floor no suspension by threads can go below: the bare thread calls on handles
  // opened beforehand (most of it is the target's own work of stopping and going on).
  std::vector<HANDLE> opened;
  for (DWORD id : test::ThreadIdsOf(target->pid()))
    if (HANDLE t = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, id)) opened.push_back(t);
  std::vector<std::uint64_t> buffer;
  std::vector<std::uint32_t> ids;
  std::vector<double> suspend, resume, viewSuspend, toolhelp, sysinfo, floor;
  size_t suspendedCount = 0;
  const Settle settle;
  for (int i = 0; i < kRounds; ++i) {
    double t0 = NowMs();
    SuspendedThreads held = control.SuspendAllThreads(static_cast<std::int32_t>(target->pid()), process);
    const double t1 = NowMs();
    suspendedCount = held.threads.size();
    control.ResumeAllThreads(std::move(held));
    suspend.push_back((t1 - t0) * 1000.0);
    resume.push_back((NowMs() - t1) * 1000.0);
    settle();
    if (i % 2 != 0) continue;

    t0 = NowMs();
    held = byView.SuspendAllThreads(static_cast<std::int32_t>(target->pid()), process);
    viewSuspend.push_back((NowMs() - t0) * 1000.0);
    byView.ResumeAllThreads(std::move(held));
    settle();
    t0 = NowMs();
    for (HANDLE t : opened) ::SuspendThread(t);
    for (HANDLE t : opened) ::ResumeThread(t);
    floor.push_back((NowMs() - t0) * 1000.0);
    settle();
    t0 = NowMs();
    SystemThreadCount();
    toolhelp.push_back((NowMs() - t0) * 1000.0);
    t0 = NowMs();
    ThreadIdsOfProcess(target->pid(), buffer, ids);
    sysinfo.push_back((NowMs() - t0) * 1000.0);
    settle();
  }

  const std::string kind = c.exe == std::wstring(L"busy_child.exe") ? "busy" : "idle";
  Print("%-5s %7d %9zu %9zu %8zu %11.0f %11.0f %11.0f %11.0f %11.0f %9.0f\n", kind.c_str(), c.targetThreads,
        targetThreads, suspendedCount, systemThreads, Median(toolhelp), Median(sysinfo), Median(suspend),
        Median(resume), Median(viewSuspend), Median(floor));
  for (HANDLE t : opened) ::CloseHandle(t);
}

int Run() {
  InstallExitSafety();
  Print("\n== Hold cost: beginning and ending one hold (microseconds; suspend/resume median of %d, others of %d) ==\n",
        kRounds, (kRounds + 1) / 2);
  Print("toolhelp / sysinfo = a system-wide thread snapshot and walk alone, by toolhelp or by\n"
        "NtQuerySystemInformation; suspend (a hold's beginning) walks the target's threads from\n"
        "its handle and records each for the guard; resume is the hold's end; view suspend =\n"
        "the same hold through the system-wide view instead (where the walk is refused);\n"
        "floor = SuspendThread then ResumeThread on every thread, handles opened beforehand\n");
  Print("%-5s %7s %9s %9s %8s %11s %11s %11s %11s %11s %9s\n", "child", "threads", "target th", "suspended",
        "sys th", "toolhelp us", "sysinfo us", "suspend us", "resume us", "view susp", "floor us");
  const Case cases[] = {
      {L"idle_child.exe", 1, false},
      {L"idle_child.exe", 16, false},
      {L"idle_child.exe", 64, false},
      {L"idle_child.exe", 1, true, "-- plus another process of 200 idle threads --"},
      {L"idle_child.exe", 16, true},
      {L"idle_child.exe", 64, true},
      {L"busy_child.exe", 1, false, "-- a busy target for comparison --"},
  };
  for (const Case& c : cases) {
    if (c.heading) Print("%s\n", c.heading);
    RunCase(c);
  }
  ReleaseBeforeEnding();
  return 0;
}

}  // namespace
}  // namespace tovrel::bench

int main() { return tovrel::bench::Run(); }
