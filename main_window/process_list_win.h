// Listing the running processes into the main window's list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "limit_dialog/process_rows.h"
#include "main_window/file_icon_cache_win.h"
#include "main_window/process_paths.h"
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
// toolhelp snapshot cuts it, and when it was created (0 where the system does not say).
struct RunningProcess {
  std::uint32_t id;
  std::u16string exeName;
  std::uint64_t createdAt = 0;
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

// The rows' small icons in the image list under their keys, ending as an immediate fill
// of every row would leave it: the icons of paths seen before come at once, those the
// shell has to make follow a few rows at a time, between messages.
class RowIconFill {
 public:
  RowIconFill(win::ListView& list, win::KeyedImageList& images, FileIconCache& icons)
      : list_(list), images_(images), icons_(icons) {}
  // Starts again for a refilled list whose row n has the path paths[n - 1]: every row
  // whose icon is known gets it now. A fill not finished yet is overtaken.
  void Restart(std::vector<std::u16string> paths);
  // Every row's icon now, copying the images the image list already holds.
  void AddAll();
  // The icons still to make, one row at a time until `stop` says so; with the last, the
  // image list is put in row order. True when every row has its icon.
  template <typename Stop>
  bool AddUntil(Stop stop) {
    while (!Done()) {
      AddNext();
      if (stop()) break;
    }
    return Done();
  }
  bool Done() const { return next_ >= pending_.size(); }

 private:
  void AddNext();
  static std::u16string KeyOf(int row);
  win::ListView& list_;
  win::KeyedImageList& images_;
  FileIconCache& icons_;
  std::vector<std::u16string> paths_;
  std::vector<std::size_t> pending_;  // rows (from 0) whose icons the shell has yet to make
  std::size_t next_ = 0;              // the next of them
  bool inRowOrder_ = false;           // the image list holds only what came in row order
};

// Clears and refills the list's rows in snapshot order, with the image list attached
// once, and hands `icons` the rows' paths: the rows get their icons from it. Only the
// paths of processes `paths` has not seen are read. Returns the time the snapshot was
// taken.
std::uint64_t ListProcesses(win::ListView& list, win::KeyedImageList& images, RowIconFill& icons,
                            ProcessPaths& paths);

}  // namespace tovrel
