// Holding a limited process open for as long as its limit is active.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "platform/handles_win.h"
#include "throttling/limit_refusal.h"
#include "throttling/thread_control.h"
#include "throttling/thread_control_win.h"

namespace tovrel {

class Guard;

class Win32LimitedProcess : public LimitedProcess {
 public:
  // Shared with the guard at once, when there is one.
  Win32LimitedProcess(win::UniqueHandle process, Guard* guard);
  ~Win32LimitedProcess() override;
  Win32LimitedProcess(const Win32LimitedProcess&) = delete;
  Win32LimitedProcess& operator=(const Win32LimitedProcess&) = delete;

  HANDLE handle() const { return process_.get(); }
  // Every thread its holds have found, open, in the order the walk met them (the order
  // they were created): each hold stops these and walks on from the last for threads
  // started since. One hold at a time uses them; the process's own, so mutable.
  KnownThreads& threads() const { return threads_; }
  // The process as a handle value in the guard, shared again with a guard that replaced
  // the one it was shared with; 0 when there is no guard to share it with.
  std::uint64_t HandleInGuard() const;

 private:
  win::UniqueHandle process_;
  Guard* guard_;
  mutable std::uint64_t inGuard_ = 0;
  mutable std::uint32_t generation_ = 0;
  mutable KnownThreads threads_;
};

// A FILETIME count of the system clock, as process creation times are given.
std::uint64_t SystemTimeNow();

// Holds the process open for a new limit when it may be limited: it still runs, it is
// the process a refresh at `listedAt` listed (not one created since under a reused id),
// it is neither Tovrel itself (nor its guard, which must outlive every hold) nor one the
// system cannot live without, and at least one of its threads can be opened for
// suspension. Null otherwise, and `why` says why.
std::shared_ptr<const LimitedProcess> OpenLimitedProcess(std::int32_t processId, std::uint64_t listedAt,
                                                         Guard* guard = nullptr, LimitRefusal* why = nullptr);
// The same question without holding anything open or sharing it with the guard: what the
// add would refuse, kNone when it would hold the process.
LimitRefusal WhyNotLimitable(std::int32_t processId, std::uint64_t listedAt, const Guard* guard = nullptr);

}  // namespace tovrel
