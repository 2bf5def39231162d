// The limiting schedule as it runs: the real LimitPass over a table of limits, on a clock
// that jumps from one armed moment to the next and with holds that only note when they
// begin and end. What the documentation's picture of the schedule is drawn from.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "throttling/process_limits.h"

namespace tovrel::test {

struct TracedHold {
  int limit = 0;  // the table's index, 1 to 3
  LimitTime begin{0}, end{0};
};

struct ScheduleTrace {
  std::vector<std::int32_t> percents;  // limit i + 1's percentage
  int processors = 1;                  // what the schedule was told may run at once
  LimitTime until{0};
  std::vector<TracedHold> holds;  // in the order they began; one still open at `until` ends there
  std::vector<LimitTime> wakes;   // every pass, the first (the adds) included
};

// Adds single-threaded limits at these percentages to entries 1, 2, 3 at moment 0, in one
// pass, and serves every moment the schedule arms until `until`.
ScheduleTrace TraceSchedule(const std::vector<std::int32_t>& percents, int processors, LimitTime until);

}  // namespace tovrel::test
