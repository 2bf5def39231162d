#include "throttling/process_limits.h"

#include <utility>


namespace tovrel {

namespace {
constexpr int kErrSubscriptOutOfRange = 9;
}

void ProcessLimit::Add(std::int32_t processId, const std::u16string& imagePath, std::int32_t cpuPercent,
                       std::shared_ptr<const LimitedProcess> process) {
  Hold.End();
  Active = kVbTrue;
  ProcessId = processId;
  ImagePath = imagePath;
  CpuPercent = cpuPercent;
  Process = std::move(process);
  CycleStart = CycleLength = LimitTime(0);
  Threads = 0;
}

void ProcessLimit::TurnOff() {
  Active = kVbFalse;
  Hold.End();
  Process.reset();
}

ProcessLimit& ProcessLimitTable::operator()(int index) {
  if (index < 1 || index > kSize) throw RunTimeError(kErrSubscriptOutOfRange);
  return entries_[static_cast<std::size_t>(index - 1)];
}

const ProcessLimit& ProcessLimitTable::operator()(int index) const {
  if (index < 1 || index > kSize) throw RunTimeError(kErrSubscriptOutOfRange);
  return entries_[static_cast<std::size_t>(index - 1)];
}

void ProcessLimitTable::Clear() {
  EndEveryHold();
  entries_ = {};
  TurnEnd.reset();
}

void ProcessLimitTable::EndEveryHold() noexcept {
  for (ProcessLimit& e : entries_) e.Hold.End();
}

int ProcessLimitTable::CountActive() const {
  int n = 0;
  for (const auto& e : entries_) n += e.Active == kVbTrue ? 1 : 0;
  return n;
}

int ProcessLimitTable::CountHolding() const {
  int n = 0;
  for (const auto& e : entries_) n += e.Holding() ? 1 : 0;
  return n;
}

ProcessLimitTable& ProcessLimits() {
  static ProcessLimitTable table;
  return table;
}

}  // namespace tovrel
