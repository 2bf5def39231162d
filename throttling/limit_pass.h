// One pass of the limiting cycle over the table, run when TimerLimit fires, and when
// the next pass is due.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "throttling/process_limits.h"
#include "throttling/thread_control.h"

namespace tovrel {

// What the pass needs of the window it runs in.
class LimitHost {
 public:
  virtual ~LimitHost() = default;
  virtual void StopTimer() = 0;
  // Arms the timer to fire once the delay has passed; none: no entry is active, the
  // timer stays off.
  virtual void ArmTimer(std::optional<std::chrono::milliseconds> delay) = 0;
  // Dispatches every window message queued now, with the handlers it starts.
  virtual void DoEvents() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  virtual LimitTime Now() = 0;
};

// The steady clock the real cycle runs on.
LimitTime SteadyNow();

// Milliseconds a turn keeps the process stopped: (100 - cpuPercent) x 3, checked
// 32-bit arithmetic; a percentage above 100 would ask for a negative time and sleeps 0.
std::uint32_t TurnSleepMilliseconds(std::int32_t cpuPercent);

// Milliseconds the process runs between two turns: cpuPercent x 3, so that it runs
// that share of the time. Never negative; no more than a whole 300 ms cycle.
std::chrono::milliseconds RunTime(std::int32_t cpuPercent);

// Whether an active entry's next turn has come: at once after an add, else once its
// run time (at today's percentage) has passed since its last resumption.
bool TurnDue(const ProcessLimit& entry, LimitTime now);

// Time until the first active entry is due, none when no entry is active.
std::optional<std::chrono::milliseconds> NextPassDelay(const ProcessLimitTable& limits, LimitTime now);

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

// Serves every active entry that is due, in table order and one at a time, then arms
// the timer for the next one.
void LimitPass(ProcessLimitTable& limits, ThreadControl& threads, LimitHost& host);

}  // namespace tovrel
