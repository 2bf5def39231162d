#include "throttling/limit_pass.h"

#include <algorithm>
#include <utility>

namespace tovrel {

namespace {

// A timer may fire a little before the moment it was armed for; a turn that early is
// served rather than pushed back by a whole timer period.
constexpr LimitTime kDueSlack = std::chrono::milliseconds(1);

// When an active entry's next turn is due: at once after an add, else its run time after
// its last resumption, at today's percentage.
LimitTime DueAt(const ProcessLimit& entry, LimitTime now) {
  return entry.LastResumed ? *entry.LastResumed + RunTime(entry.CpuPercent) : now;
}

}  // namespace

LimitTime SteadyNow() {
  return std::chrono::duration_cast<LimitTime>(std::chrono::steady_clock::now().time_since_epoch());
}

std::uint32_t TurnSleepMilliseconds(std::int32_t cpuPercent) {
  const std::int32_t d = Mul32(Sub32(100, cpuPercent), 3);
  return d < 0 ? 0u : static_cast<std::uint32_t>(d);
}

std::chrono::milliseconds RunTime(std::int32_t cpuPercent) {
  return std::chrono::milliseconds(std::clamp(cpuPercent, 0, 100) * 3);
}

bool TurnDue(const ProcessLimit& entry, LimitTime now) { return DueAt(entry, now) <= now + kDueSlack; }

std::optional<std::chrono::milliseconds> NextPassDelay(const ProcessLimitTable& limits, LimitTime now) {
  std::optional<LimitTime> first;
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
    const ProcessLimit& entry = limits(i);
    if (entry.Active != kVbTrue) continue;
    const LimitTime due = DueAt(entry, now);
    first = first ? std::min(*first, due) : due;
  }
  if (!first) return std::nullopt;
  if (*first <= now) return std::chrono::milliseconds(0);
  return std::chrono::ceil<std::chrono::milliseconds>(*first - now);
}

HeldSuspension& HeldSuspension::Instance() {
  static HeldSuspension held;
  return held;
}

void HeldSuspension::Hold(ThreadControl& control, SuspendedThreads suspended) {
  Release();  // one suspension at a time; an older one is never dropped unresumed
  control_ = &control;
  held_ = std::move(suspended);
}

void HeldSuspension::Release() noexcept {
  if (!held_) return;
  SuspendedThreads threads = std::move(*held_);
  held_.reset();
  control_->ResumeAllThreads(std::move(threads));
}

namespace {

// A held process is resumed on every way out of the pass, and the timer is armed for
// what the table holds by then.
class PassScope {
 public:
  PassScope(ProcessLimitTable& limits, LimitHost& host) : limits_(limits), host_(host) { host_.StopTimer(); }
  ~PassScope() {
    HeldSuspension::Instance().Release();
    host_.ArmTimer(NextPassDelay(limits_, host_.Now()));
  }
  PassScope(const PassScope&) = delete;
  PassScope& operator=(const PassScope&) = delete;

 private:
  ProcessLimitTable& limits_;
  LimitHost& host_;
};

}  // namespace

void LimitPass(ProcessLimitTable& limits, ThreadControl& threads, LimitHost& host) {
  PassScope scope(limits, host);
  HeldSuspension& held = HeldSuspension::Instance();
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
    host.DoEvents();
    ProcessLimit& entry = limits(i);
    if (entry.Active == kVbTrue && TurnDue(entry, host.Now())) {
      const std::uint32_t adds = entry.Adds;
      held.Hold(threads, threads.SuspendAllThreads(entry.ProcessId, entry.Process));
      host.DoEvents();
      // Read again: a handler in the yield may have changed the percentage.
      host.Sleep(TurnSleepMilliseconds(entry.CpuPercent));
      held.Release();
      // An entry reused by an add during the yield keeps the add's fresh schedule.
      if (entry.Adds == adds) entry.LastResumed = host.Now();
    }
    host.DoEvents();
  }
}

}  // namespace tovrel
