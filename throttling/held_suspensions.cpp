#include "throttling/held_suspensions.h"

#include <algorithm>
#include <utility>

namespace tovrel {

HeldSuspensions& HeldSuspensions::Instance() {
  static HeldSuspensions held;
  return held;
}

void HeldSuspensions::Hold(const void* owner, ThreadControl& control, SuspendedThreads suspended) {
  Release(owner);
  Held held{owner, &control, std::move(suspended)};
  try {
    held_.push_back(std::move(held));
  } catch (...) {
    // Not kept, so not left stopped either.
    control.ResumeAllThreads(std::move(held.threads));
    throw;
  }
}

void HeldSuspensions::Release(const void* owner) noexcept {
  const auto it = std::find_if(held_.begin(), held_.end(), [owner](const Held& h) { return h.owner == owner; });
  if (it == held_.end()) return;
  Held held = std::move(*it);
  held_.erase(it);
  held.control->ResumeAllThreads(std::move(held.threads));
}

bool HeldSuspensions::Holding(const void* owner) const {
  return std::any_of(held_.begin(), held_.end(), [owner](const Held& h) { return h.owner == owner; });
}

void HeldSuspensions::ReleaseAll() noexcept {
  while (!held_.empty()) Release(held_.front().owner);
}

}  // namespace tovrel
