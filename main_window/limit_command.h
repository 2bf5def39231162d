// CommandLimit: opens the set-percent dialog for the selected row in add or change
// mode, or refuses a fourth limit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "limit_dialog/limit_dialog_port.h"
#include "limit_dialog/process_rows.h"
#include "throttling/process_limits.h"

namespace tovrel {

inline const std::u16string kFourthLimitRefusal = u"为了系统稳定性考虑，只允许限制3个进程。";
inline const std::u16string kFourthLimitTitle = u"提示";

struct LimitCommandServices {
  std::function<void()> doEvents;
  std::function<std::u16string(std::int32_t pid, const std::u16string& exeName)> getProcessImagePath;
  // The exclamation message box with an OK button.
  std::function<void(const std::u16string& text, const std::u16string& title)> warn;
};

void CommandLimit_Click(ProcessRows& rows, const ProcessLimitTable& limits, LimitDialogPort& dialog,
                        const LimitCommandServices& services);

}  // namespace tovrel
