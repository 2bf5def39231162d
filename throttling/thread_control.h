// Suspending and resuming every thread of a process, and the hold that keeps what one
// suspension stopped until it ends.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace tovrel {

// A limited process as the platform holds it open while its limit is active: the
// system never hands its id to another process meanwhile. An ended one has no threads
// left to find, so its holds suspend nothing until a refresh ends the limit.
class LimitedProcess {
 public:
  virtual ~LimitedProcess() = default;
};

// One thread a suspension stopped, with the platform's handle to it. The handle belongs
// to the limited process, which the hold keeps until its resumption: a reused id is
// never touched, and nothing but its owner closes it.
struct SuspendedThread {
  std::uint32_t id = 0;
  void* handle = nullptr;
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

// A hold: what one suspension stopped, kept until the value ends or goes, which resumes
// exactly that, once. A hold that stopped nothing (a process that could not be held)
// still holds, so the schedule keeps its phases. Move-only; an empty value holds nothing.
class Suspension {
 public:
  Suspension() = default;
  // Suspends through `control`, which must outlive the hold.
  static Suspension Begin(ThreadControl& control, std::int32_t processId,
                          std::shared_ptr<const LimitedProcess> process);
  ~Suspension() { End(); }
  Suspension(Suspension&& other) noexcept;
  // What this value held is resumed first, never dropped.
  Suspension& operator=(Suspension&& other) noexcept;
  Suspension(const Suspension&) = delete;
  Suspension& operator=(const Suspension&) = delete;

  // Resumes now; nothing when it holds nothing.
  void End() noexcept;
  bool holding() const noexcept { return control_ != nullptr; }
  explicit operator bool() const noexcept { return holding(); }
  std::size_t threadCount() const noexcept { return threads_.threads.size(); }

 private:
  Suspension(ThreadControl& control, SuspendedThreads threads) : control_(&control), threads_(std::move(threads)) {}
  ThreadControl* control_ = nullptr;
  SuspendedThreads threads_;
};

}  // namespace tovrel
