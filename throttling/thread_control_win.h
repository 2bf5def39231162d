// Thread suspension on the real thread calls. A hold finds the threads of its process by
// walking them from the process's own handle, so it costs only that process; where the
// system has no such walk or refuses the handle, from a fresh system-wide view.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/handles_win.h"
#include "throttling/thread_control.h"

namespace tovrel {

class Guard;

// How the threads of a process are found.
enum class ThreadWalk {
  kPerProcess,  // from the process's handle, the system-wide view where that is refused
  kSystemView,  // always the system-wide view, each thread opened by id and checked
};

// A thread opened for suspension; its id is 0 where nobody asked for it yet.
struct OpenedThread {
  std::uint32_t id = 0;
  win::UniqueHandle handle;
  bool ended = false;  // kept only as the place the next walk goes on from
};

// The threads of one process found so far, open.
struct KnownThreads {
  std::vector<OpenedThread> threads;
  // Met by the walk, in the order they were created, so that a walk may go on from the
  // last; the system-wide view lists them in no such order.
  bool walked = false;
};

// Finds and opens every thread of a process for suspension.
class ThreadFinder {
 public:
  explicit ThreadFinder(ThreadWalk walk = ThreadWalk::kPerProcess) : walk_(walk) {}
  // Brings `known` up to date for a hold: the threads a walk found before stay, and the
  // walk goes on from the last of them for those started since; where the walk cannot,
  // every thread is found again from the system-wide view. `process` is a handle to it,
  // or null. With needIds every thread's id is known too (a server call each under Wine,
  // once a thread). False when no view of its threads could be had.
  bool Find(std::uint32_t processId, HANDLE process, bool needIds, KnownThreads& known);

 private:
  ThreadWalk walk_;
  // Memory reused from view to view; what it holds is taken afresh every time.
  std::vector<std::uint64_t> snapshot_;
  std::vector<std::uint32_t> ids_;
};

class Win32ThreadControl : public ThreadControl {
 public:
  // With a guard, a hold records in its section what it suspends, thread by thread; a
  // thread that cannot be recorded is not suspended. Whether that guard still runs is
  // the schedule's to ask, once a wake; only one never started is started here.
  explicit Win32ThreadControl(Guard* guard = nullptr, ThreadWalk walk = ThreadWalk::kPerProcess)
      : guard_(guard), finder_(walk) {}
  SuspendedThreads SuspendAllThreads(std::int32_t processId, std::shared_ptr<const LimitedProcess> process) override;
  void ResumeAllThreads(SuspendedThreads suspended) noexcept override;

 private:
  Guard* guard_;
  ThreadFinder finder_;
};

// The process's threads from its own handle, each opened as the walk meets it, appended
// after the last one `threads` holds (from the first when it holds none). False when the
// system has no such walk, or it refuses the handle or a thread: the walk cannot go past
// a thread it cannot open, so the caller looks elsewhere.
bool WalkThreads(HANDLE process, std::vector<OpenedThread>& threads);

// The ids of the threads of one process, from one system-wide snapshot of every
// process and thread; false when no snapshot could be taken.
bool ThreadIdsOfProcess(std::uint32_t processId, std::vector<std::uint64_t>& buffer, std::vector<std::uint32_t>& ids);

// Opens the threads with these ids for suspension, keeping only those that belong to the
// process now: an id may have passed to a thread of another process since it was listed.
std::vector<OpenedThread> OpenThreadsOf(std::uint32_t processId, const std::vector<std::uint32_t>& ids);

}  // namespace tovrel
