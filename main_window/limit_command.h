// CommandLimit: opens the set-percent dialog for the selected row in add or change
// mode, or refuses a fourth limit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "main_window/process_rows.h"
#include "throttling/process_limits.h"

namespace tovrel {

inline const std::u16string kFourthLimitRefusal = u"为了系统稳定性考虑，只允许限制3个进程。";
inline const std::u16string kFourthLimitTitle = u"提示";

// The dialog as the command fills and shows it.
class LimitDialogPort {
 public:
  virtual ~LimitDialogPort() = default;
  // Fires the slider's Change when the value differs.
  virtual void SetSliderValue(std::int32_t value) = 0;
  // Change mode shows CommandModify and CommandFree, add mode CommandOK and CommandCancel.
  virtual void SetChangeMode(bool change) = 0;
  virtual void SetProcess(const std::u16string& pidText, const std::u16string& path) = 0;
  // Modal, with the main window as owner; returns once the dialog has unloaded.
  virtual void ShowModal() = 0;
};

struct LimitCommandServices {
  std::function<void()> doEvents;
  std::function<std::u16string(std::int32_t pid, const std::u16string& exeName)> getProcessImagePath;
  // The exclamation message box with an OK button.
  std::function<void(const std::u16string& text, const std::u16string& title)> warn;
};

void CommandLimit_Click(ProcessRows& rows, const ProcessLimitTable& limits, LimitDialogPort& dialog,
                        const LimitCommandServices& services);

}  // namespace tovrel
