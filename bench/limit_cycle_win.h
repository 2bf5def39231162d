// The limiting pass as the benchmarks run it: a thread control that times each turn,
// a host that yields and sleeps for real, and the table filled as the dialog fills it.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "bench/bench_support_win.h"
#include "platform/message_loop_win.h"
#include "throttling/limit_pass.h"
#include "throttling/limited_process_win.h"
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

  SuspendedThreads SuspendAllThreads(std::int32_t processId, std::shared_ptr<const LimitedProcess> process) override {
    Turn turn;
    turn.suspendStart = NowMs();
    SuspendedThreads held = real_.SuspendAllThreads(processId, std::move(process));
    turn.suspended = NowMs();
    turns_.push_back(turn);
    return held;
  }

  void ResumeAllThreads(SuspendedThreads suspended) noexcept override {
    const double start = NowMs();
    real_.ResumeAllThreads(std::move(suspended));
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

// Runs passes back to back with no timer: each sleep is real, and `slept` adds them up.
class DirectHost : public LimitHost {
 public:
  void StopTimer() override {}
  void ArmTimer(std::optional<std::chrono::milliseconds>) override {}
  void DoEvents() override { win::DoEvents(); }
  void Sleep(std::uint32_t milliseconds) override {
    const double start = NowMs();
    ::Sleep(milliseconds);
    slept += NowMs() - start;
  }
  LimitTime Now() override { return SteadyNow(); }
  double slept = 0;
};

// Makes the table hold exactly these active entries (pid, percent), the rest inactive,
// each process held open as the dialog's add holds it.
struct LimitEntry {
  DWORD pid;
  std::int32_t percent;
};

inline void SetLimits(const std::vector<LimitEntry>& entries, Guard* guard = nullptr) {
  ProcessLimitTable& table = ProcessLimits();
  table.Clear();
  int i = 1;
  for (const LimitEntry& e : entries) {
    const auto pid = static_cast<std::int32_t>(e.pid);
    table(i++).Add(pid, u"", e.percent, OpenLimitedProcess(pid, SystemTimeNow(), guard));
  }
}

// Makes every entry due now, so back-to-back passes each serve them all.
inline void MakeAllDue() {
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) ProcessLimits()(i).LastResumed.reset();
}

}  // namespace tovrel::bench
