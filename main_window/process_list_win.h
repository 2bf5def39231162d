// Listing the running processes into the main window's list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "limit_dialog/process_rows.h"
#include "main_window/file_icon_cache_win.h"
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

// The rows' small icons, added to the image list in row order under their keys. A
// refresh adds them all at once; at start-up they come a few rows at a time.
class RowIconFill {
 public:
  RowIconFill(win::ListView& list, win::KeyedImageList& images, FileIconCache& icons)
      : list_(list), images_(images), icons_(icons) {}
  // Starts again for a refilled list whose row n has the path paths[n - 1].
  void Restart(std::vector<std::u16string> paths);
  // Every row's icon, copying the images the image list already holds.
  void AddAll();
  // The next rows' icons into the emptied image list, one row at a time until `stop`
  // says so; true when every row has its icon.
  template <typename Stop>
  bool AddUntil(Stop stop) {
    if (next_ == 0) images_.Clear();
    while (!Done()) {
      AddNext();
      if (stop()) break;
    }
    return Done();
  }
  bool Done() const { return next_ >= paths_.size(); }

 private:
  void AddNext();
  static std::u16string KeyOf(int row);
  win::ListView& list_;
  win::KeyedImageList& images_;
  FileIconCache& icons_;
  std::vector<std::u16string> paths_;
  std::size_t next_ = 0;
};

// Clears and refills the list's rows in snapshot order, with the image list attached
// once, and hands `icons` the rows' paths: the rows get their icons from it. Returns
// the time the snapshot was taken.
std::uint64_t ListProcesses(win::ListView& list, win::KeyedImageList& images, RowIconFill& icons);

}  // namespace tovrel
