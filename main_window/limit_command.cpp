#include "main_window/limit_command.h"

#include "limit_dialog/set_percent_actions.h"
#include "resources/texts.h"

namespace tovrel {

void CommandLimit_Click(ProcessRows& rows, const ProcessLimitTable& limits, LimitDialogPort& dialog,
                        const LimitCommandServices& services) {
  if (rows.Count() == 0) return;
  const int row = rows.SelectedRow();
  if (row < 1) return;
  const std::u16string pidText = rows.SubItem(row, kSubPid);
  const std::u16string exeName = rows.SubItem(row, kSubExeName);
  const std::u16string path = services.getProcessImagePath(ToInt32(pidText), exeName);
  dialog.SetSliderValue(99);

  if (!rows.SubItem(row, kSubPercent).empty()) {
    dialog.SetChangeMode(true);
    const double pid = NumericValue(pidText);
    for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
      if (static_cast<double>(limits(i).ProcessId) == pid) {
        dialog.SetSliderValue(limits(i).CpuPercent);
        break;
      }
    }
  } else {
    int active = 0;
    for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
      services.doEvents();
      if (limits(i).Active == kVbTrue) ++active;
      services.doEvents();
    }
    if (active == 3) {
      services.warn(kFourthLimitRefusal, kNoticeTitle);
      return;
    }
    // Said before the dialog opens, not after a percentage that would limit nothing.
    if (const LimitRefusal refusal = services.canHold(ToInt32(pidText)); refusal != LimitRefusal::kNone) {
      services.warn(RefusalText(refusal), kNoticeTitle);
      return;
    }
    dialog.SetChangeMode(false);
  }
  dialog.SetProcess(pidText, path);
  dialog.ShowModal();
}

}  // namespace tovrel
