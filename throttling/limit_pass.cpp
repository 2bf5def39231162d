#include "throttling/limit_pass.h"

#include <utility>

namespace tovrel {

std::uint32_t TurnSleepMilliseconds(std::int32_t cpuPercent) {
  const std::int32_t d = Mul32(Sub32(100, cpuPercent), 3);
  return d < 0 ? 0u : static_cast<std::uint32_t>(d);
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
  try {
    control_->ResumeAllThreads(threads);
  } catch (...) {
    // Resumption never reports failure; nothing more can be done for these threads.
  }
}

namespace {

// The timer comes back on and a held process is resumed on every way out of the pass.
class PassScope {
 public:
  explicit PassScope(LimitHost& host) : host_(host) { host_.SetTimerEnabled(false); }
  ~PassScope() {
    HeldSuspension::Instance().Release();
    host_.SetTimerEnabled(true);
  }
  PassScope(const PassScope&) = delete;
  PassScope& operator=(const PassScope&) = delete;

 private:
  LimitHost& host_;
};

}  // namespace

void LimitPass(ProcessLimitTable& limits, ThreadControl& threads, LimitHost& host) {
  PassScope scope(host);
  HeldSuspension& held = HeldSuspension::Instance();
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
    host.DoEvents();
    if (limits(i).Active == kVbTrue) {
      const std::int32_t pid = limits(i).ProcessId;
      held.Hold(threads, threads.SuspendAllThreads(pid));
      host.DoEvents();
      // Read again: a handler in the yield may have changed the percentage.
      host.Sleep(TurnSleepMilliseconds(limits(i).CpuPercent));
      held.Release();
    }
    host.DoEvents();
  }
}

}  // namespace tovrel
