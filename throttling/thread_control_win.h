// Thread suspension on the real thread calls, with a fresh system-wide view of the
// threads for every suspension.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/handles_win.h"
#include "throttling/thread_control.h"

namespace tovrel {

class Guard;

class Win32ThreadControl : public ThreadControl {
 public:
  // With a guard, every hold first makes sure one runs and records in its section what
  // it suspends, thread by thread; a thread that cannot be recorded is not suspended.
  explicit Win32ThreadControl(Guard* guard = nullptr) : guard_(guard) {}
  SuspendedThreads SuspendAllThreads(std::int32_t processId, std::shared_ptr<const LimitedProcess> process) override;
  void ResumeAllThreads(SuspendedThreads suspended) noexcept override;

 private:
  // Memory reused from hold to hold; what it holds is taken afresh by every suspension.
  Guard* guard_;
  std::vector<std::uint64_t> snapshot_;
  std::vector<std::uint32_t> ids_;
};

// The ids of the threads of one process, from one system-wide snapshot of every
// process and thread; false when no snapshot could be taken.
bool ThreadIdsOfProcess(std::uint32_t processId, std::vector<std::uint64_t>& buffer, std::vector<std::uint32_t>& ids);

// Opens the threads with these ids for suspension, keeping only those that belong to the
// process now: an id may have passed to a thread of another process since it was listed.
std::vector<std::pair<std::uint32_t, win::UniqueHandle>> OpenThreadsOf(std::uint32_t processId,
                                                                     const std::vector<std::uint32_t>& ids);

}  // namespace tovrel
