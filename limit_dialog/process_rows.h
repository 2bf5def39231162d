// The process list's rows as the limit command and the dialog see them: the main window
// owns the list, the dialog writes the selected row's percentage.
#pragma once

#include <cstdint>
#include <string>

namespace tovrel {

// Sub-items of a row: 0 row number, 1 process id, 2 executable name, 3 percentage.
constexpr int kSubPid = 1;
constexpr int kSubExeName = 2;
constexpr int kSubPercent = 3;

class ProcessRows {
 public:
  virtual ~ProcessRows() = default;
  virtual int Count() const = 0;
  // Rows are numbered from 1; a sub-item never written reads as the empty text.
  virtual std::u16string SubItem(int row, int sub) const = 0;
  virtual void SetSubItem(int row, int sub, const std::u16string& text) = 0;
  // 0 when no row is selected.
  virtual int SelectedRow() const = 0;
};

// A number in decimal, as the list shows row numbers and process ids.
std::u16string DecimalText(std::int64_t value);

// "50%": the percentage column's text for a limit.
std::u16string PercentText(std::int32_t cpuPercent);

// The number a text starts with, as the old forms layer read numbers out of text:
// leading blanks skipped, digits with an optional sign and fraction, 0 when none.
double NumericValue(const std::u16string& text);

}  // namespace tovrel
