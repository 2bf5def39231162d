// How well the limiting schedule keeps its time on the window's thread: how late each
// moment (a hold's beginning or end) is served, and how long holds and runs really last
// against (100 - p) x 3 and p x 3 ms. The real LimitTimer, thread control and guard,
// on busy children, in our own message loop and in a loop like a message box's, which
// knows nothing of the schedule and only dispatches WM_TIMER.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_support_win.h"
#include "platform/message_loop_win.h"
#include "throttling/exit_safety_win.h"
#include "throttling/guard_win.h"
#include "throttling/limit_timer_win.h"
#include "throttling/limited_process_win.h"
#include "throttling/thread_control_win.h"

namespace tovrel::bench {
namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr double kSeconds = 6;

// The real suspension and resumption, with the moments around each call.
class TimedThreadControl : public ThreadControl {
 public:
  struct Call {
    std::int32_t pid;
    bool suspend;
    double start, end;  // ms
  };
  explicit TimedThreadControl(Guard* guard) : real_(guard) {}
  SuspendedThreads SuspendAllThreads(std::int32_t pid, std::shared_ptr<const LimitedProcess> process) override {
    const double start = NowMs();
    SuspendedThreads held = real_.SuspendAllThreads(pid, std::move(process));
    calls.push_back({pid, true, start, NowMs()});
    return held;
  }
  void ResumeAllThreads(SuspendedThreads suspended) noexcept override {
    const double start = NowMs();
    const std::int32_t pid = suspended.processId;
    real_.ResumeAllThreads(std::move(suspended));
    calls.push_back({pid, false, start, NowMs()});
  }
  std::vector<Call> calls;

 private:
  Win32ThreadControl real_;
};

struct Figures {
  std::vector<double> late, holdError, runError;
  int wakes = 0;  // that served a moment
};

// Calls made by one wake follow each other at once; a gap this long means a new wake.
constexpr double kSameWakeMs = 0.5;

// Each moment against the one the schedule set for it: a hold ends its hold time after it
// began (all threads stopped); the next begins its run time after the last ended, less the
// time the last hold took to stop the process. A run lasts until every thread is stopped.
Figures Measure(const std::vector<TimedThreadControl::Call>& calls, const std::map<std::int32_t, int>& percents) {
  Figures f;
  std::map<std::int32_t, const TimedThreadControl::Call*> last;
  std::map<std::int32_t, double> lead;  // how long the pid's last hold took to begin
  for (size_t i = 0; i < calls.size(); ++i)
    if (i == 0 || calls[i].start - calls[i - 1].end > kSameWakeMs) ++f.wakes;
  for (const auto& c : calls) {
    const auto before = last.find(c.pid);
    if (before != last.end()) {
      const int p = percents.at(c.pid);
      const double asked = c.suspend ? p * 3.0 : (100 - p) * 3.0;
      const double early = c.suspend ? std::min(lead[c.pid], asked) : 0.0;
      f.late.push_back(c.start - (before->second->end + asked - early));
      if (c.suspend)
        f.runError.push_back(c.end - before->second->end - asked);
      else
        f.holdError.push_back(c.start - before->second->end - asked);
    }
    if (c.suspend) lead[c.pid] = c.end - c.start;
    last[c.pid] = &c;
  }
  return f;
}

void PrintRow(const char* loop, const std::string& limits, const Figures& f) {
  Print("%-11s %-10s %7zu %8.1f %8.2f %8.2f %8.2f %+10.2f %+10.2f\n", loop, limits.c_str(), f.late.size(),
        f.wakes / kSeconds, Median(f.late), Percentile(f.late, 0.99), Percentile(f.late, 1.0), Median(f.holdError),
        Median(f.runError));
}

void CALLBACK Quit(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  ::PostQuitMessage(0);
}

LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER && wp == kTimerId) {
    reinterpret_cast<LimitTimer*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA))->OnTimer();
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

bool RunCase(HWND window, Guard& guard, const std::vector<int>& percents, bool ownLoop) {
  Children children;
  ProcessLimitTable table;
  TimedThreadControl threads(&guard);
  std::map<std::int32_t, int> byPid;
  std::string label;
  for (size_t i = 0; i < percents.size(); ++i) {
    test::ChildProcess* child = children.Start(L"busy_child.exe", L"1");
    if (!child || !WaitForThreads(child->pid(), 1)) return false;
    const auto pid = static_cast<std::int32_t>(child->pid());
    byPid[pid] = percents[i];
    if (i) label += '/';
    label += std::to_string(percents[i]);
    table(static_cast<int>(i) + 1).Add(pid, u"", percents[i], OpenLimitedProcess(pid, SystemTimeNow(), &guard));
  }
  {
    LimitTimer timer(table, threads, &guard);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&timer));
    timer.Attach(window, kTimerId);
    const auto ms = static_cast<UINT>(kSeconds * 1000);
    ::SetTimer(nullptr, 0, ms, &Quit);
    if (ownLoop) {
      win::RunMessageLoop();
    } else {
      MSG msg;
      while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    }
    table.Clear();
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  }
  PrintRow(ownLoop ? "own loop" : "foreign", label, Measure(threads.calls, byPid));
  return true;
}

int Run() {
  InstallExitSafety();
  WNDCLASSW wc{};
  wc.lpfnWndProc = &Procedure;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TovrelScheduleBench";
  ::RegisterClassW(&wc);
  HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                  wc.hInstance, nullptr);
  Guard guard(test::ExeDir() + L"Tovrel.exe");
  guard.EnsureRunning();
  Print("\n== Schedule: moments served late, and holds and runs against what they ask (%.0f s per row) ==\n",
        kSeconds);
  Print("late = a moment served after it was due (ms; the call's start against the due moment);\n"
        "hold / run = how much longer a hold or run lasted than (100 - p) x 3 or p x 3 ms (median ms;\n"
        "a run lasts until every thread is stopped again); wakes/s = wakes that served a moment\n");
  Print("%-11s %-10s %7s %8s %8s %8s %8s %10s %10s\n", "loop", "limits", "moments", "wakes/s", "late p50", "late p99",
        "late max", "hold err", "run err");
  int status = 0;
  const std::vector<std::vector<int>> cases{{1}, {50}, {99}, {10, 10}, {10, 10, 10}, {30, 50, 70}, {99, 10, 10}};
  for (bool own : {true, false})
    for (const auto& percents : cases)
      if (!RunCase(window, guard, percents, own)) {
        Print("schedule: busy_child.exe did not start\n");
        status = 1;
      }
  ::DestroyWindow(window);
  ReleaseBeforeEnding();
  return status;
}

}  // namespace
}  // namespace tovrel::bench

int main() { return tovrel::bench::Run(); }
