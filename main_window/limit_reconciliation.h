// A refresh's reconciliation of the limit table with the processes it listed.
#pragma once

#include "limit_dialog/process_rows.h"
#include "throttling/process_limits.h"

namespace tovrel {

// Writes each active limit's percentage into every row with its process id and turns
// off the limits whose process is no longer listed.
void ReconcileLimits(ProcessLimitTable& limits, ProcessRows& rows);

}  // namespace tovrel
