#include "throttling/limit_pass.h"

#include <algorithm>
#include <utility>


namespace tovrel {

namespace {

// Moments this close are served by one wake. The moments of the turn fall together
// exactly; this covers the holds begun one after another in one wake (about 0.1 ms each
// under Wine, more under load). Served that much early, a share moves by a third of a
// point at most.
constexpr LimitTime kDueSlack = std::chrono::milliseconds(1);

// The host is armed for what the table holds on every way out of a pass.
class ArmOnExit {
 public:
  ArmOnExit(const ProcessLimitTable& limits, LimitHost& host) : limits_(limits), host_(host) {}
  ~ArmOnExit() {
    const LimitTime now = host_.Now();
    host_.ArmTimer(NextDue(limits_, now));
  }
  ArmOnExit(const ArmOnExit&) = delete;
  ArmOnExit& operator=(const ArmOnExit&) = delete;

 private:
  const ProcessLimitTable& limits_;
  LimitHost& host_;
};

bool InTurn(const ProcessLimit& entry) { return entry.Active == kVbTrue && entry.Started(); }

// The moment of the form `at` + k cycles that lies in (after, after + one cycle].
LimitTime NextOf(LimitTime at, LimitTime after) {
  const auto gap = (after - at).count(), cycle = LimitTime(kLimitCycle).count();
  const auto below = gap / cycle - (gap % cycle < 0 ? 1 : 0);  // floor(gap / cycle)
  return at + LimitTime((below + 1) * cycle);
}

// A process's threads as they count against the processors: idle or not, at least one.
std::size_t ThreadsOf(const ProcessLimit& entry) { return std::max<std::size_t>(entry.Threads, 1); }

// The cycle of a limit's first hold, begun now. Its run is to end with the runs of the
// limits that joined last, while there is a processor for each of their threads and its
// own: then their holds begin with one wake, and at one percentage their runs too. Else
// it follows their runs, so that one wake ends their holds and begins its own, and busy
// processes run in turn. Until its place comes, hold and run are shortened alike. Its
// next hold (its start and length added) is where the next to join runs.
std::pair<LimitTime, LimitTime> FirstCycle(const ProcessLimitTable& limits, const ProcessLimit& entry,
                                           LimitTime now, int processors) {
  const auto cycle = LimitTime(kLimitCycle).count();
  bool others = false;
  std::size_t alongside = ThreadsOf(entry);
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
    const ProcessLimit& other = limits(i);
    if (!InTurn(other)) continue;
    others = true;
    if (limits.TurnEnd && (other.CycleStart + other.CycleLength - *limits.TurnEnd).count() % cycle == 0)
      alongside += ThreadsOf(other);
  }
  const LimitTime run = std::chrono::milliseconds(std::clamp(entry.CpuPercent, 0, 100) * 3);
  LimitTime runEnd = now + LimitTime(kLimitCycle);
  if (others && limits.TurnEnd)
    runEnd = alongside <= static_cast<std::size_t>(processors) ? *limits.TurnEnd : *limits.TurnEnd + run;
  return {now, NextOf(runEnd, now) - now};
}

LimitTime HoldLength(const ProcessLimit& entry) {
  const LimitTime whole = HoldTime(entry.CpuPercent);
  return whole * entry.CycleLength.count() / LimitTime(kLimitCycle).count();
}

// Both phases end on the entry's cycle as it was due, not as it was served, so that the
// moments of the turn stay together: a hold begun late is that much shorter.
std::optional<LimitTime> PhaseEnd(const ProcessLimit& entry, LimitTime now) {
  const bool active = entry.Active == kVbTrue;
  if (entry.Holding()) {
    // A hold whose limit was turned off ends at once.
    if (!active) return now;
    return entry.CycleStart + HoldLength(entry);
  }
  if (!active) return std::nullopt;
  if (!entry.Started()) return now;
  return entry.CycleStart + entry.CycleLength;
}

// A moment due now, or within the slack of it.
bool IsDue(const ProcessLimit& entry, LimitTime now) {
  const std::optional<LimitTime> end = PhaseEnd(entry, now);
  return end && *end <= now + kDueSlack;
}

// Begins every hold that is due, in table order.
void BeginDue(ProcessLimitTable& limits, ThreadControl& threads, LimitHost& host, LimitTime now) {
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
    ProcessLimit& entry = limits(i);
    if (entry.Active != kVbTrue || entry.Holding() || !IsDue(entry, now)) continue;
    const LimitTime asked = host.Now();
    const bool joining = !entry.Started();
    // A hold that fails leaves the schedule as it was: it is tried again at once.
    entry.Hold = Suspension::Begin(threads, entry.ProcessId, entry.Process);
    entry.Threads = entry.Hold.threadCount();
    // The next cycle begins when this one ends; one served more than a cycle late keeps its
    // place in the turn.
    const LimitTime cycle = kLimitCycle, end = entry.CycleStart + entry.CycleLength;
    auto [start, length] = joining ? FirstCycle(limits, entry, asked, host.Processors()) : std::pair{end, cycle};
    if (!joining && end <= asked - cycle) start = NextOf(end, asked) - cycle;
    if (joining) limits.TurnEnd = start + length;
    entry.CycleStart = start;
    entry.CycleLength = length;
  }
}

// Ends every hold that is due, in table order.
void EndDue(ProcessLimitTable& limits, LimitTime now) {
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
    ProcessLimit& entry = limits(i);
    if (entry.Holding() && IsDue(entry, now)) entry.Hold.End();
  }
}

}  // namespace

LimitTime SteadyNow() {
  return std::chrono::duration_cast<LimitTime>(std::chrono::steady_clock::now().time_since_epoch());
}

std::chrono::milliseconds HoldTime(std::int32_t cpuPercent) {
  const std::int32_t d = Mul32(Sub32(100, cpuPercent), 3);
  return std::chrono::milliseconds(std::max(d, 0));
}

std::optional<LimitTime> NextDue(const ProcessLimitTable& limits, LimitTime now) {
  std::optional<LimitTime> first;
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i)
    if (const std::optional<LimitTime> end = PhaseEnd(limits(i), now)) first = first ? std::min(*first, *end) : *end;
  return first;
}

void LimitPass(ProcessLimitTable& limits, ThreadControl& threads, LimitHost& host) {
  ArmOnExit arm(limits, host);
  const LimitTime now = host.Now();
  // The holds due to end, after those due to begin: the process that ran is stopped before
  // the next is let go, so that the next never takes the processor Tovrel needs to stop it.
  // A hold that cannot begin never keeps another from ending.
  try {
    BeginDue(limits, threads, host, now);
  } catch (...) {
    EndDue(limits, now);
    throw;
  }
  EndDue(limits, now);
}

}  // namespace tovrel
