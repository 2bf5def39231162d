#include "limit_dialog/set_percent_actions.h"

#include <cmath>
#include <utility>

#include "platform/run_time_error.h"
#include "resources/texts.h"

namespace tovrel {

namespace {

bool HasDigit(const std::u16string& text) {
  for (char16_t c : text)
    if (c >= u'0' && c <= u'9') return true;
  return false;
}

void WriteSelected(ProcessRows& rows, const std::u16string& text) {
  const int row = rows.SelectedRow();
  if (row >= 1) rows.SetSubItem(row, kSubPercent, text);
}

// The first entry whose process id equals the dialog's, compared as numbers.
ProcessLimit* FirstWithProcessId(ProcessLimitTable& limits, const std::u16string& pidText) {
  const double pid = NumericValue(pidText);
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i)
    if (static_cast<double>(limits(i).ProcessId) == pid) return &limits(i);
  return nullptr;
}

}  // namespace

std::int32_t ToInt32(const std::u16string& text) {
  if (!HasDigit(text)) throw RunTimeError(kErrTypeMismatch);
  const double value = std::nearbyint(NumericValue(text));
  if (value < -2147483648.0 || value > 2147483647.0) throw RunTimeError(kErrOverflow);
  return static_cast<std::int32_t>(value);
}

const std::u16string& RefusalText(LimitRefusal refusal) {
  static const std::u16string none;
  switch (refusal) {
    case LimitRefusal::kTovrel:
      return kRefusedTovrel;
    case LimitRefusal::kCritical:
      return kRefusedCritical;
    case LimitRefusal::kEnded:
      return kRefusedEnded;
    case LimitRefusal::kNoAccess:
      return kRefusedNoAccess;
    case LimitRefusal::kNone:
      break;
  }
  return none;
}

bool CommandOK_Click(ProcessLimitTable& limits, const DialogValues& dialog, ProcessRows& rows,
                     const ProcessOpener& open, const Warning& warn) {
  const std::int32_t pid = ToInt32(dialog.pidText);
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
    ProcessLimit& entry = limits(i);
    if (entry.Active != kVbFalse) continue;
    // Asked again: the process may have ended while the dialog was open.
    OpenedProcess opened = open(pid);
    if (opened.refusal != LimitRefusal::kNone) {
      warn(RefusalText(opened.refusal), kNoticeTitle);
      return false;
    }
    entry.Add(pid, dialog.pathText, dialog.sliderValue, std::move(opened.process));
    WriteSelected(rows, PercentText(dialog.sliderValue));
    return true;
  }
  return false;
}

void CommandModify_Click(ProcessLimitTable& limits, const DialogValues& dialog, ProcessRows& rows) {
  if (ProcessLimit* entry = FirstWithProcessId(limits, dialog.pidText)) entry->CpuPercent = dialog.sliderValue;
  WriteSelected(rows, PercentText(dialog.sliderValue));
}

void CommandFree_Click(ProcessLimitTable& limits, const DialogValues& dialog, ProcessRows& rows) {
  if (ProcessLimit* entry = FirstWithProcessId(limits, dialog.pidText)) entry->TurnOff();
  WriteSelected(rows, u"");
}

}  // namespace tovrel
