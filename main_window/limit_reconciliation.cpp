#include "main_window/limit_reconciliation.h"

namespace tovrel {

void ReconcileLimits(ProcessLimitTable& limits, ProcessRows& rows) {
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
    ProcessLimit& entry = limits(i);
    if (entry.Active != kVbTrue) continue;
    bool notFound = true;
    const int count = rows.Count();
    for (int row = 1; row <= count; ++row) {
      if (NumericValue(rows.SubItem(row, kSubPid)) == static_cast<double>(entry.ProcessId)) {
        rows.SetSubItem(row, kSubPercent, PercentText(entry.CpuPercent));
        notFound = false;
      }
    }
    if (notFound) entry.TurnOff();
  }
}

}  // namespace tovrel
