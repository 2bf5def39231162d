#include "throttling/thread_control.h"

namespace tovrel {

Suspension Suspension::Begin(ThreadControl& control, std::int32_t processId,
                             std::shared_ptr<const LimitedProcess> process) {
  return Suspension(control, control.SuspendAllThreads(processId, std::move(process)));
}

Suspension::Suspension(Suspension&& other) noexcept
    : control_(std::exchange(other.control_, nullptr)), threads_(std::move(other.threads_)) {}

Suspension& Suspension::operator=(Suspension&& other) noexcept {
  if (this != &other) {
    End();
    control_ = std::exchange(other.control_, nullptr);
    threads_ = std::move(other.threads_);
  }
  return *this;
}

void Suspension::End() noexcept {
  // Let go before resuming: whatever runs meanwhile (a crash's safety net) finds nothing
  // left to resume twice.
  ThreadControl* control = std::exchange(control_, nullptr);
  if (control) control->ResumeAllThreads(std::move(threads_));
  threads_ = {};
}

}  // namespace tovrel
