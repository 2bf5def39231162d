#include "throttling/limit_pass.h"

#include <algorithm>


namespace tovrel {

namespace {

// Moments this close are served by one wake: it takes in the holds that began together
// one after another (about 0.1 ms each under Wine, more under load), so that equal
// percentages end with one wake. Served that much early, a hold or run changes the share
// by a third of a point at most.
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

// When the holds begin together next; none while no active entry is in the cycle, so that
// the next limit starts a cycle of its own.
std::optional<LimitTime> NextCycleStart(const ProcessLimitTable& limits) {
  if (!limits.CycleStart) return std::nullopt;
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i)
    if (limits(i).Active == kVbTrue && limits(i).PhaseStart) return *limits.CycleStart + kLimitCycle;
  return std::nullopt;
}

LimitTime HoldLength(const ProcessLimit& entry) {
  const LimitTime whole = HoldTime(entry.CpuPercent);
  return whole * entry.CycleLength.count() / LimitTime(kLimitCycle).count();
}

// A run ends with the entry's own cycle: a hold that outlasted the table's last start of
// holds (a slow stop at a low percentage) is followed by the next at once.
std::optional<LimitTime> PhaseEnd(const ProcessLimit& entry, LimitTime now) {
  const bool active = entry.Active == kVbTrue;
  if (entry.Holding()) {
    // A hold whose limit was turned off (or never started) ends at once.
    if (!active || !entry.PhaseStart) return now;
    return *entry.PhaseStart + HoldLength(entry);
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
  const std::optional<LimitTime> nextCycle = NextCycleStart(limits);
  auto due = [&](const ProcessLimit& entry) {
    const std::optional<LimitTime> end = PhaseEnd(entry, now);
    return end && *end <= now + kDueSlack;
  };
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
    ProcessLimit& entry = limits(i);
    if (entry.Holding() && due(entry)) EndHold(entry, host);
  }
  // The cycle begins again from the moment its first hold is asked for: a hold that takes
  // long to stop its process eats into the run before it, never into the one after.
  // A hold that fails leaves the cycle where it was, so that the holds still due are tried
  // again at once.
  const bool together = !nextCycle || *nextCycle <= now + kDueSlack;
  std::optional<LimitTime> cycleStart;
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
    ProcessLimit& entry = limits(i);
    if (entry.Active != kVbTrue || entry.Holding() || !due(entry)) continue;
    const LimitTime asked = host.Now();
    if (!cycleStart) cycleStart = asked;
    entry.Hold = Suspension::Begin(threads, entry.ProcessId, entry.Process);
    entry.PhaseStart = host.Now();
    entry.CycleStart = together ? *cycleStart : asked;
    entry.CycleLength = together ? LimitTime(kLimitCycle) : std::max(*nextCycle - asked, LimitTime(0));
  }
  if (together && cycleStart) limits.CycleStart = cycleStart;
}

void EndEveryHold(ProcessLimitTable& limits, LimitHost& host) {
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i)
    if (limits(i).Holding()) EndHold(limits(i), host);
}

}  // namespace tovrel
