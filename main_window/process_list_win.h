// Listing the running processes into the main window's list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// One process of the system's list: its id and its executable's file name, cut as a
// toolhelp snapshot cuts it.
struct RunningProcess {
  std::uint32_t id;
  std::u16string exeName;
};

// The running processes in the order a toolhelp snapshot lists them, and the system
// time just after the list was taken: every process in it was created by then.
struct ProcessSnapshot {
  std::vector<RunningProcess> processes;
  std::uint64_t takenAt = 0;
};
ProcessSnapshot TakeProcessSnapshot();

// Lower-case, trimmed path of the first module whose path contains the executable's
// name (compared without regard to case), or the empty text when the process's modules
// cannot be read or none has that name.
std::u16string GetProcessImagePath(std::int32_t processId, const std::u16string& exeName);

// Clears and refills the list and its small icons, in snapshot order. Returns the
// system time just after the snapshot: every listed process was created by then.
std::uint64_t ListProcesses(win::ListView& list, win::KeyedImageList& images);

}  // namespace tovrel
