#include "tests/picture/schedule_trace.h"

#include <map>
#include <optional>
#include <utility>

#include "throttling/limit_pass.h"

namespace tovrel::test {

namespace {

// The window's side of the schedule: a clock that moves only to the moment armed, and
// thread control that suspends nothing but says when.
class TracingHost : public ThreadControl, public LimitHost {
 public:
  explicit TracingHost(ScheduleTrace& trace) : trace_(trace) {}

  SuspendedThreads SuspendAllThreads(std::int32_t processId, std::shared_ptr<const LimitedProcess> process) override {
    open_[processId] = trace_.holds.size();
    trace_.holds.push_back({processId, now, now});
    // One thread: each limited process counts as one against the processors.
    return SuspendedThreads{processId, std::move(process), {{static_cast<std::uint32_t>(processId), nullptr, 0}}};
  }
  void ResumeAllThreads(SuspendedThreads suspended) noexcept override {
    const auto hold = open_.find(suspended.processId);
    if (hold == open_.end()) return;
    trace_.holds[hold->second].end = now;
    open_.erase(hold);
  }
  void ArmTimer(std::optional<LimitTime> dueAt) override { armed = dueAt; }
  LimitTime Now() override { return now; }
  int Processors() override { return trace_.processors; }

  LimitTime now{0};
  std::optional<LimitTime> armed;

 private:
  ScheduleTrace& trace_;
  std::map<std::int32_t, std::size_t> open_;  // process id: its hold in the trace
};

}  // namespace

ScheduleTrace TraceSchedule(const std::vector<std::int32_t>& percents, int processors, LimitTime until) {
  ScheduleTrace trace{percents, processors, until, {}, {}};
  TracingHost host(trace);
  ProcessLimitTable limits;
  // The process id is the entry's index, so a hold tells its limit.
  for (std::size_t i = 0; i < percents.size() && i < ProcessLimitTable::kSize; ++i)
    limits(static_cast<int>(i) + 1).Add(static_cast<std::int32_t>(i) + 1, u"", percents[i], nullptr);
  for (;;) {
    trace.wakes.push_back(host.now);
    LimitPass(limits, host, host);
    if (!host.armed || *host.armed >= until) break;
    host.now = *host.armed;
  }
  host.now = until;
  limits.Clear();
  return trace;
}

}  // namespace tovrel::test
