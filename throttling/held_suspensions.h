// The suspensions held right now, one per limit at most. Every way out of the program
// resumes them all first, so no process is left stopped whatever ends Tovrel.
#pragma once

#include <cstddef>
#include <vector>

#include "throttling/thread_control.h"

namespace tovrel {

class HeldSuspensions {
 public:
  static HeldSuspensions& Instance();

  // The owner (a limit) holds what the suspension stopped until it releases it; a hold
  // it still had is resumed first, never dropped.
  void Hold(const void* owner, ThreadControl& control, SuspendedThreads suspended);
  // Resumes the owner's hold, once; nothing when it holds none.
  void Release(const void* owner) noexcept;
  bool Holding(const void* owner) const;
  void ReleaseAll() noexcept;
  std::size_t count() const { return held_.size(); }

 private:
  struct Held {
    const void* owner;
    ThreadControl* control;
    SuspendedThreads threads;
  };
  std::vector<Held> held_;
};

}  // namespace tovrel
