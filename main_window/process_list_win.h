// Listing the running processes into the main window's list.
#pragma once

#include <cstdint>
#include <string>

#include "limit_dialog/process_rows.h"
#include "platform/controls_win.h"

namespace tovrel {

// ListViewProcesses: the list control, seen as the rows the limit command and the
// dialog work on.
class ProcessListView : public win::ListView, public ProcessRows {
 public:
  int Count() const override { return ListView::Count(); }
  std::u16string SubItem(int row, int sub) const override { return ListView::SubItem(row, sub); }
  void SetSubItem(int row, int sub, const std::u16string& text) override { ListView::SetSubItem(row, sub, text); }
  int SelectedRow() const override { return ListView::SelectedRow(); }
};

// Lower-case, trimmed path of the first module whose path contains the executable's
// name (compared without regard to case), or the empty text.
std::u16string GetProcessImagePath(std::int32_t processId, const std::u16string& exeName);

// Clears and refills the list and its small icons, in snapshot order. Returns the
// system time just after the snapshot: every listed process was created by then.
std::uint64_t ListProcesses(win::ListView& list, win::KeyedImageList& images);

}  // namespace tovrel
