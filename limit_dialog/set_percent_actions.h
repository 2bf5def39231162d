// What the four buttons of the set-percent dialog do to the limit table and to the
// selected row of the process list.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "limit_dialog/process_rows.h"
#include "throttling/limit_refusal.h"
#include "throttling/process_limits.h"

namespace tovrel {

// The dialog's controls as the buttons read them.
struct DialogValues {
  std::u16string pidText;   // LabelProcessPID
  std::u16string pathText;  // LabelProcessPath
  std::int32_t sliderValue = 99;
};

// A decimal text as a 32-bit integer: type mismatch when it holds no number,
// overflow outside the range; a fraction rounds half to even.
std::int32_t ToInt32(const std::u16string& text);

// A new limit's process as the add finds it: held open, or why it cannot be held.
struct OpenedProcess {
  std::shared_ptr<const LimitedProcess> process;
  LimitRefusal refusal = LimitRefusal::kNone;
};
// Holds the process of a new limit open, if it is still the one the list showed and may
// be stopped at all.
using ProcessOpener = std::function<OpenedProcess(std::int32_t processId)>;

// The exclamation message box with an OK button.
using Warning = std::function<void(const std::u16string& text, const std::u16string& title)>;

// The notice that tells the user why a process cannot be limited; empty for kNone.
const std::u16string& RefusalText(LimitRefusal refusal);

// Add: the first free entry takes the process. Returns whether the limit was stored; the
// row shows the percentage only then. A process that cannot be held is refused with its
// notice, and nothing changes.
bool CommandOK_Click(ProcessLimitTable& limits, const DialogValues& dialog, ProcessRows& rows,
                     const ProcessOpener& open, const Warning& warn);
// Change: the first entry with the process id, active or not, takes the percentage.
void CommandModify_Click(ProcessLimitTable& limits, const DialogValues& dialog, ProcessRows& rows);
// Remove: the first entry with the process id is turned off; its fields stay.
void CommandFree_Click(ProcessLimitTable& limits, const DialogValues& dialog, ProcessRows& rows);

}  // namespace tovrel
