// The limiting cycle as a schedule: each active entry alternates a hold (every thread of
// its process suspended) of (100 - p) x 3 ms and a run of p x 3 ms. The entries take
// turns in one 300 ms cycle: each runs with the ones added just before it while there is
// a processor for every thread of theirs and its own, else right after them, so that one
// wake ends and begins several holds (three single-threaded processes at one percentage
// wake Tovrel three times a cycle where two may run at once, twice where three may, not
// six) and limited processes never take processors from each other. LimitPass serves
// the moments that are due and tells the host when the next one is.
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
  // How many threads of limited processes may run at once without taking a processor
  // from each other or from Tovrel, at least one.
  virtual int Processors() = 0;
};

// The steady clock the real schedule runs on.
LimitTime SteadyNow();

// How long a hold keeps the process stopped: (100 - cpuPercent) x 3 ms, checked 32-bit
// arithmetic; a percentage above 100 would ask for a negative time and holds 0.
std::chrono::milliseconds HoldTime(std::int32_t cpuPercent);
// A hold and the run after it: the process runs what is left, cpuPercent x 3 ms, so
// that it runs that share of the time.
constexpr std::chrono::milliseconds kLimitCycle{300};

// The first moment due in the table; none when no entry is active or holds. A hold ends
// at its percentage as it is now (a change moves the end); a run ends when the next
// cycle begins.
std::optional<LimitTime> NextDue(const ProcessLimitTable& limits, LimitTime now);

// TimerLimit_Timer's work: serves every moment due, all hold starts first, then all hold
// ends, each in table order, then arms the host for the next moment due. A limit added
// while others run holds at once, for the share of the time left until its place in the
// turn, and takes that place from its second cycle on.
void LimitPass(ProcessLimitTable& limits, ThreadControl& threads, LimitHost& host);

}  // namespace tovrel
