// What the four buttons of the set-percent dialog do to the limit table and to the
// selected row of the process list.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "limit_dialog/process_rows.h"
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

// Holds the process of a new limit open, if it is still the one the list showed and
// may be stopped at all; null otherwise.
using ProcessOpener = std::function<std::shared_ptr<const LimitedProcess>(std::int32_t processId)>;

// Add: the first free entry takes the process. Returns whether one was free; the row
// shows the percentage only when the limit was really stored.
bool CommandOK_Click(ProcessLimitTable& limits, const DialogValues& dialog, ProcessRows& rows,
                     const ProcessOpener& open);
// Change: the first entry with the process id, active or not, takes the percentage.
void CommandModify_Click(ProcessLimitTable& limits, const DialogValues& dialog, ProcessRows& rows);
// Remove: the first entry with the process id is turned off; its fields stay.
void CommandFree_Click(ProcessLimitTable& limits, const DialogValues& dialog, ProcessRows& rows);

}  // namespace tovrel
