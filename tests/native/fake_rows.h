// An in-memory process list for the handlers' tests.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "limit_dialog/process_rows.h"

namespace tovrel::test {

class FakeRows : public ProcessRows {
 public:
  void Add(const std::u16string& pid, const std::u16string& exe, const std::u16string& percent = u"") {
    rows.push_back({u"", pid, exe, percent});
    if (selected == 0) selected = 1;  // a refilled list selects its first row
  }
  int Count() const override { return static_cast<int>(rows.size()); }
  std::u16string SubItem(int row, int sub) const override { return rows.at(row - 1)[sub]; }
  void SetSubItem(int row, int sub, const std::u16string& text) override { rows.at(row - 1)[sub] = text; }
  int SelectedRow() const override { return selected; }

  std::vector<std::array<std::u16string, 4>> rows;
  int selected = 0;
};

}  // namespace tovrel::test
