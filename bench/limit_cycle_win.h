// The limiting cycle as the main window runs it, for the benchmarks: a hidden window
// whose 1 ms timer starts LimitPass, and a thread control that times each turn.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "bench/bench_support_win.h"
#include "platform/message_loop_win.h"
#include "platform/window_win.h"
#include "throttling/limit_pass.h"
#include "throttling/process_limits.h"
#include "throttling/thread_control_win.h"

namespace tovrel::bench {

// The real suspension and resumption, with the moments around each recorded.
class TimedThreadControl : public ThreadControl {
 public:
  struct Turn {
    double suspendStart = 0;  // before the snapshot
    double suspended = 0;     // every thread stopped
    double resumeStart = 0;   // before the first thread is resumed
    double resumed = 0;       // every thread running again
  };

  SuspendedThreads SuspendAllThreads(std::int32_t processId) override {
    Turn turn;
    turn.suspendStart = NowMs();
    SuspendedThreads held = real_.SuspendAllThreads(processId);
    turn.suspended = NowMs();
    turns_.push_back(turn);
    return held;
  }

  void ResumeAllThreads(const SuspendedThreads& suspended) override {
    const double start = NowMs();
    real_.ResumeAllThreads(suspended);
    const double end = NowMs();
    if (turns_.empty()) return;
    turns_.back().resumeStart = start;
    turns_.back().resumed = end;
  }

  const std::vector<Turn>& turns() const { return turns_; }
  void Reset() { turns_.clear(); }

 private:
  Win32ThreadControl real_;
  std::vector<Turn> turns_;
};

// What FormMain does for the cycle, without its controls: the timer, the pass on
// WM_TIMER that never nests, the yield and the sleep.
class LimitCycleWindow : public win::Window, private LimitHost {
 public:
  explicit LimitCycleWindow(ThreadControl& threads) : threads_(threads) {
    RegisterClassOnce(kClassName, nullptr, nullptr);
    CreateWindowFor(kClassName, L"Tovrel bench", WS_OVERLAPPEDWINDOW, 0, CW_USEDEFAULT, CW_USEDEFAULT, 200, 100,
                    nullptr, nullptr);
  }

  // Runs the message loop with the timer on for about `ms`; the pass in progress at
  // the deadline is finished first. Returns the wall time that really passed.
  double RunFor(double ms) {
    passes_ = 0;
    running_ = true;
    const double start = NowMs();
    ::SetTimer(hwnd(), kTimerLimit, 1, nullptr);
    MSG msg;
    while (NowMs() - start < ms && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    running_ = false;
    ::KillTimer(hwnd(), kTimerLimit);
    const double elapsed = NowMs() - start;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    return elapsed;
  }

  int passes() const { return passes_; }

 private:
  static constexpr wchar_t kClassName[] = L"Tovrel.BenchCycle";
  static constexpr UINT_PTR kTimerLimit = 1;

  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_TIMER && wp == kTimerLimit) {
      if (passRunning_) return 0;
      passRunning_ = true;
      ++passes_;
      LimitPass(ProcessLimits(), threads_, *this);
      passRunning_ = false;
      return 0;
    }
    return Window::HandleMessage(msg, wp, lp);
  }

  void SetTimerEnabled(bool enabled) override {
    if (enabled && running_)
      ::SetTimer(hwnd(), kTimerLimit, 1, nullptr);
    else
      ::KillTimer(hwnd(), kTimerLimit);
  }
  void DoEvents() override { win::DoEvents(); }
  void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }

  ThreadControl& threads_;
  bool passRunning_ = false;
  bool running_ = false;
  int passes_ = 0;
};

// Makes the table hold exactly these active entries (pid, percent), the rest inactive.
struct LimitEntry {
  DWORD pid;
  std::int32_t percent;
};

inline void SetLimits(const std::vector<LimitEntry>& entries) {
  ProcessLimitTable& table = ProcessLimits();
  table.Clear();
  int i = 1;
  for (const LimitEntry& e : entries) {
    table(i).Active = kVbTrue;
    table(i).ProcessId = static_cast<std::int32_t>(e.pid);
    table(i).CpuPercent = e.percent;
    ++i;
  }
}

}  // namespace tovrel::bench
