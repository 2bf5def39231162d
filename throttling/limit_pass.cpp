#include "throttling/limit_pass.h"

#include <algorithm>


namespace tovrel {

namespace {

// A wake-up a hair early still serves the moment rather than sleeping that hair again.
constexpr LimitTime kDueSlack = std::chrono::microseconds(500);

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

}  // namespace

LimitTime SteadyNow() {
  return std::chrono::duration_cast<LimitTime>(std::chrono::steady_clock::now().time_since_epoch());
}

std::chrono::milliseconds HoldTime(std::int32_t cpuPercent) {
  const std::int32_t d = Mul32(Sub32(100, cpuPercent), 3);
  return std::chrono::milliseconds(std::max(d, 0));
}

std::chrono::milliseconds RunTime(std::int32_t cpuPercent) {
  return std::chrono::milliseconds(std::clamp(cpuPercent, 0, 100) * 3);
}

std::optional<LimitTime> PhaseEnd(const ProcessLimit& entry, LimitTime now) {
  const bool active = entry.Active == kVbTrue;
  if (entry.Holding()) {
    // A hold whose limit was turned off (or never started) ends at once.
    if (!active || !entry.PhaseStart) return now;
    return *entry.PhaseStart + HoldTime(entry.CpuPercent);
  }
  if (!active) return std::nullopt;
  if (!entry.PhaseStart) return now;
  const LimitTime run = RunTime(entry.CpuPercent);
  return *entry.PhaseStart + std::max(run - entry.HoldLead, LimitTime(0));
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
    entry.Hold = Suspension::Begin(threads, entry.ProcessId, entry.Process);
    entry.PhaseStart = host.Now();
    entry.HoldLead = *entry.PhaseStart - asked;
  }
}

void EndEveryHold(ProcessLimitTable& limits, LimitHost& host) {
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i)
    if (limits(i).Holding()) EndHold(limits(i), host);
}

}  // namespace tovrel
