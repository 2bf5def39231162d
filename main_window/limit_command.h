// CommandLimit: opens the set-percent dialog for the selected row in add or change
// mode, or refuses a fourth limit or a process that cannot be held.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "limit_dialog/limit_dialog_port.h"
#include "limit_dialog/process_rows.h"
#include "limit_dialog/set_percent_actions.h"
#include "throttling/process_limits.h"

namespace tovrel {

struct LimitCommandServices {
  std::function<void()> doEvents;
  std::function<std::u16string(std::int32_t pid, const std::u16string& exeName)> getProcessImagePath;
  // The exclamation message box with an OK button, owned by the main window.
  Warning warn;
  // The question the add asks: can this process be held for a limit?
  std::function<LimitRefusal(std::int32_t pid)> canHold;
};

void CommandLimit_Click(ProcessRows& rows, const ProcessLimitTable& limits, LimitDialogPort& dialog,
                        const LimitCommandServices& services);

}  // namespace tovrel
