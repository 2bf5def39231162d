// One pass of the limiting cycle over the table, run on each tick of TimerLimit.
#pragma once

#include <cstdint>
#include <optional>

#include "throttling/process_limits.h"
#include "throttling/thread_control.h"

namespace tovrel {

// What the pass needs of the window it runs in.
class LimitHost {
 public:
  virtual ~LimitHost() = default;
  virtual void SetTimerEnabled(bool enabled) = 0;
  // Dispatches every window message queued now, with the handlers it starts.
  virtual void DoEvents() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

// Milliseconds a turn keeps the process stopped: (100 - cpuPercent) x 3, checked
// 32-bit arithmetic; a percentage above 100 would ask for a negative time and sleeps 0.
std::uint32_t TurnSleepMilliseconds(std::int32_t cpuPercent);

// The suspension a turn holds right now. Every way out of the program resumes it
// first, so no process is left stopped whatever ends Tovrel.
class HeldSuspension {
 public:
  static HeldSuspension& Instance();
  void Hold(ThreadControl& control, SuspendedThreads suspended);
  // Resumes what is held, once; later calls do nothing.
  void Release() noexcept;
  bool holding() const { return held_.has_value(); }

 private:
  ThreadControl* control_ = nullptr;
  std::optional<SuspendedThreads> held_;
};

void LimitPass(ProcessLimitTable& limits, ThreadControl& threads, LimitHost& host);

}  // namespace tovrel
