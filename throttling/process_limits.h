// The table of limited processes: exactly three entries, indexed 1 to 3.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/run_time_error.h"

namespace tovrel {

struct ProcessLimit {
  VbBool Active = kVbFalse;
  std::int32_t ProcessId = 0;
  std::int32_t CpuPercent = 0;
  std::u16string ImagePath;  // lower case, as the dialog shows it; not used by the cycle
};

class ProcessLimitTable {
 public:
  static constexpr int kSize = 3;
  // Indices outside 1..3 are a programming error and raise "subscript out of range".
  ProcessLimit& operator()(int index);
  const ProcessLimit& operator()(int index) const;
  int CountActive() const;
  void Clear() { entries_ = {}; }

 private:
  std::array<ProcessLimit, kSize> entries_{};
};

// The one table of the run, held for the whole life of the program.
ProcessLimitTable& ProcessLimits();

}  // namespace tovrel
