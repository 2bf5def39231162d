// The table of limited processes: exactly three entries, indexed 1 to 3.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/run_time_error.h"
#include "throttling/thread_control.h"

namespace tovrel {

// A moment on the limiting cycle's monotonic clock.
using LimitTime = std::chrono::microseconds;

struct ProcessLimit {
  VbBool Active = kVbFalse;
  std::int32_t ProcessId = 0;
  std::int32_t CpuPercent = 0;
  std::u16string ImagePath;  // lower case, as the dialog shows it; not used by the cycle

  // Shown nowhere. The process itself while the limit is active; null when it could not
  // be held open, was not the listed one or must never be stopped: then no hold of this
  // entry suspends anything.
  std::shared_ptr<const LimitedProcess> Process;
  // The cycle the entry is in, from when its hold was due until its next hold is: a whole
  // one, or for a limit that has just joined the turn the time left until its place in it;
  // its hold takes the same share of it as of a whole one.
  // None (zero) until the first hold, which is due at once.
  LimitTime CycleStart{0};
  LimitTime CycleLength{0};
  // The entry's hold while it is in one: its process's threads stay stopped until it ends.
  Suspension Hold;
  // How many threads its last hold stopped: a limit runs beside others only while there is
  // a processor for each thread, since it cannot be told which of them are busy.
  std::size_t Threads = 0;

  // What an add stores, with a fresh schedule.
  void Add(std::int32_t processId, const std::u16string& imagePath, std::int32_t cpuPercent,
           std::shared_ptr<const LimitedProcess> process);
  // Turning off changes Active only, as far as anyone can see; a held process is resumed
  // at once and let go.
  void TurnOff();
  bool Holding() const { return Hold.holding(); }
  // Has held since it was added: it has a place in the turn.
  bool Started() const { return CycleLength.count() > 0; }
};

class ProcessLimitTable {
 public:
  static constexpr int kSize = 3;
  // Indices outside 1..3 are a programming error and raise "subscript out of range".
  ProcessLimit& operator()(int index);
  const ProcessLimit& operator()(int index) const;
  int CountActive() const;
  int CountHolding() const;
  // Every entry back to zero, its holds resumed first.
  void Clear();
  // Every open hold resumed now: before long work on the window's thread, so that no
  // process stays stopped past its hold's end, and whatever ends the program. Nothing
  // else changes; the schedule goes on after it.
  void EndEveryHold() noexcept;

  // Where the run of the limit that joined the turn last ends, in some cycle: the next
  // limit to join runs until there or from there. None until a limit joins a turn with
  // nobody in it.
  std::optional<LimitTime> TurnEnd;

 private:
  std::array<ProcessLimit, kSize> entries_{};
};

// The one table of the run, held for the whole life of the program.
ProcessLimitTable& ProcessLimits();

}  // namespace tovrel
