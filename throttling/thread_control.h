// Suspending and resuming every thread of a process.
#pragma once

#include <cstdint>
#include <vector>

namespace tovrel {

// The threads one suspension actually stopped; the matching resumption restarts
// exactly these and nothing else.
struct SuspendedThreads {
  std::int32_t processId = 0;
  std::vector<std::uint32_t> threadIds;
};

class ThreadControl {
 public:
  virtual ~ThreadControl() = default;
  virtual SuspendedThreads SuspendAllThreads(std::int32_t processId) = 0;
  virtual void ResumeAllThreads(const SuspendedThreads& suspended) = 0;
};

}  // namespace tovrel
