#include "throttling/limit_pass.h"

#include <algorithm>


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

void EndHold(ProcessLimit& entry, LimitHost& host) {
  entry.Hold.End();
  entry.PhaseStart = host.Now();
}

bool InTurn(const ProcessLimit& entry) { return entry.Active == kVbTrue && entry.PhaseStart.has_value(); }

// The moment of the form `at` + k cycles that lies in (after, after + one cycle].
LimitTime NextOf(LimitTime at, LimitTime after) {
  const LimitTime cycle = kLimitCycle;
  const auto k = (after - at).count() >= 0 ? (after - at) / cycle + 1 : -((at - after - LimitTime(1)) / cycle);
  return at + k * cycle;
}

// A limit's first hold, now: its run is to follow the run of the limit that joined last,
// so that one wake ends the one's hold and begins the other's and busy processes run in
// turn, not all at once. Until its place comes, hold and run are shortened alike.
void JoinTurn(ProcessLimitTable& limits, ProcessLimit& entry, LimitTime now) {
  bool others = false;
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) others = others || InTurn(limits(i));
  const LimitTime run = std::chrono::milliseconds(std::clamp(entry.CpuPercent, 0, 100) * 3);
  const LimitTime runFrom = others && limits.TurnEnd ? *limits.TurnEnd : now + LimitTime(kLimitCycle) - run;
  const LimitTime nextHold = NextOf(runFrom + run, now);
  entry.CycleStart = now;
  entry.CycleLength = nextHold - now;
  limits.TurnEnd = nextHold;
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
    // A hold whose limit was turned off (or never started) ends at once.
    if (!active || !entry.PhaseStart) return now;
    return entry.CycleStart + HoldLength(entry);
  }
  if (!active) return std::nullopt;
  if (!entry.PhaseStart) return now;
  return entry.CycleStart + entry.CycleLength;
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
  auto due = [&](const ProcessLimit& entry) {
    const std::optional<LimitTime> end = PhaseEnd(entry, now);
    return end && *end <= now + kDueSlack;
  };
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
    ProcessLimit& entry = limits(i);
    if (entry.Holding() && due(entry)) EndHold(entry, host);
  }
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
    ProcessLimit& entry = limits(i);
    if (entry.Active != kVbTrue || entry.Holding() || !due(entry)) continue;
    const LimitTime asked = host.Now();
    if (!entry.PhaseStart) {
      JoinTurn(limits, entry, asked);
    } else {
      // The next cycle begins when this one ends; one served more than a cycle late keeps
      // its place in the turn.
      const LimitTime end = entry.CycleStart + entry.CycleLength;
      entry.CycleStart = end <= asked - LimitTime(kLimitCycle) ? NextOf(end, asked) - LimitTime(kLimitCycle) : end;
      entry.CycleLength = kLimitCycle;
    }
    entry.Hold = Suspension::Begin(threads, entry.ProcessId, entry.Process);
    entry.PhaseStart = host.Now();
  }
}

void EndEveryHold(ProcessLimitTable& limits, LimitHost& host) {
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i)
    if (limits(i).Holding()) EndHold(limits(i), host);
}

}  // namespace tovrel
