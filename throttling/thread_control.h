// Suspending and resuming every thread of a process.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace tovrel {

// A limited process as the platform holds it open while its limit is active: the
// system never hands its id to another process meanwhile. An ended one has no threads
// left in any view, so its holds suspend nothing until a refresh ends the limit.
class LimitedProcess {
 public:
  virtual ~LimitedProcess() = default;
};

// One thread a suspension stopped, with the platform's handle to it.
struct SuspendedThread {
  std::uint32_t id = 0;
  void* handle = nullptr;  // open until the resumption, so a reused id is never touched
  std::uint32_t line = 0;  // its line in the guard's record
};

// The threads one suspension actually stopped; the matching resumption restarts
// exactly these, each once, and nothing else.
struct SuspendedThreads {
  std::int32_t processId = 0;
  std::shared_ptr<const LimitedProcess> process;  // kept open until the resumption
  std::vector<SuspendedThread> threads;
  int recordSlot = -1;  // the hold's slot in the guard's record; none: not recorded
};

class ThreadControl {
 public:
  virtual ~ThreadControl() = default;
  // Suspends every thread of the process. A null process (one that could not be held
  // open, or may never be stopped) suspends nothing.
  virtual SuspendedThreads SuspendAllThreads(std::int32_t processId,
                                             std::shared_ptr<const LimitedProcess> process) = 0;
  // Never reports failure; a thread that has ended meanwhile is simply skipped.
  virtual void ResumeAllThreads(SuspendedThreads suspended) noexcept = 0;
};

}  // namespace tovrel
