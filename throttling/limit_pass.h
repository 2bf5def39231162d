// The limiting cycle as a schedule: each active entry alternates a hold (every thread of
// its process suspended) of (100 - p) x 3 ms and a run of p x 3 ms, on its own time.
// LimitPass serves the moments that are due and tells the host when the next one is.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "throttling/process_limits.h"
#include "throttling/thread_control.h"

namespace tovrel {

// What the schedule needs of the window it runs in.
class LimitHost {
 public:
  virtual ~LimitHost() = default;
  // Wakes the schedule at that moment; none: no entry is active, nothing wakes at all.
  virtual void ArmTimer(std::optional<LimitTime> dueAt) = 0;
  virtual LimitTime Now() = 0;
};

// The steady clock the real schedule runs on.
LimitTime SteadyNow();

// How long a hold keeps the process stopped: (100 - cpuPercent) x 3 ms, checked 32-bit
// arithmetic; a percentage above 100 would ask for a negative time and holds 0.
std::chrono::milliseconds HoldTime(std::int32_t cpuPercent);
// How long the process runs between two holds: cpuPercent x 3 ms, so that it runs that
// share of the time. Never negative; no more than a whole 300 ms cycle.
std::chrono::milliseconds RunTime(std::int32_t cpuPercent);

// When the entry's current phase ends, at its percentage as it is now: a change moves
// the end. A run ends as much early as its last hold took to begin, so that the process
// is stopped when its run time is over. None for an entry that neither holds nor is active.
std::optional<LimitTime> PhaseEnd(const ProcessLimit& entry, LimitTime now);
// The first moment due in the table; none when no entry is active or holds.
std::optional<LimitTime> NextDue(const ProcessLimitTable& limits, LimitTime now);

// TimerLimit_Timer's work: serves every moment due, all hold ends first, then all hold
// starts, each in table order, then arms the host for the next moment due.
void LimitPass(ProcessLimitTable& limits, ThreadControl& threads, LimitHost& host);

// Ends every open hold now (the processes run) before long work on the window's thread,
// so that no process stays stopped past its hold's end; the schedule goes on after it.
void EndEveryHold(ProcessLimitTable& limits, LimitHost& host);

}  // namespace tovrel
