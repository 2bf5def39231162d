#include "throttling/process_limits.h"

namespace tovrel {

namespace {
constexpr int kErrSubscriptOutOfRange = 9;
}

ProcessLimit& ProcessLimitTable::operator()(int index) {
  if (index < 1 || index > kSize) throw RunTimeError(kErrSubscriptOutOfRange);
  return entries_[static_cast<std::size_t>(index - 1)];
}

const ProcessLimit& ProcessLimitTable::operator()(int index) const {
  if (index < 1 || index > kSize) throw RunTimeError(kErrSubscriptOutOfRange);
  return entries_[static_cast<std::size_t>(index - 1)];
}

int ProcessLimitTable::CountActive() const {
  int n = 0;
  for (const auto& e : entries_) n += e.Active == kVbTrue ? 1 : 0;
  return n;
}

ProcessLimitTable& ProcessLimits() {
  static ProcessLimitTable table;
  return table;
}

}  // namespace tovrel
