// FormMain: the start-up window with the process list, the two buttons, the link
// label and the limiting timer.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "limit_dialog/set_percent_actions.h"
#include "main_window/process_list_win.h"
#include "platform/controls_win.h"
#include "platform/form_win.h"
#include "platform/handles_win.h"
#include "resources/texts.h"
#include "throttling/limit_timer_win.h"
#include "throttling/guard_win.h"
#include "throttling/thread_control_win.h"

namespace tovrel {

namespace win {
class CommandWindow;
}

// Control ids, also how tests find the controls.
enum FormMainControl : int {
  kListViewProcesses = 100,
  kLabel1,
  kLabel2,
  kLabel3,
  kLabelOstrin,
  kCommandRefresh,
  kCommandLimit,
  kImage1,
};

class FormMain : public win::Form {
 public:
  // With a guard, a forced end of Tovrel cannot leave a limited process frozen.
  explicit FormMain(Guard* guard = nullptr);

  // TimerLimit's id among the window's timers.
  static constexpr UINT_PTR kTimerLimitId = 1;
  // The timer that brings the rows' icons after start-up, a slice at a time.
  static constexpr UINT_PTR kTimerIconsId = 2;
  ~FormMain() override;

  // Form_Load, then the window is shown and TimerLimit starts.
  void Load();
  void Show(int showCommand);

  ProcessListView& ListViewProcesses() { return list_; }
  // How many processes' paths are kept between refreshes.
  std::size_t KnownPaths() const { return paths_.size(); }
  void CommandRefresh_Click();
  void CommandLimit_Click();
  // The exit question; true when the window may close (on Yes the program ends at once).
  bool Form_Unload();
  // Holds a newly limited process open, if it is still the one the last refresh listed
  // and may be held at all; else says why not.
  OpenedProcess OpenForLimit(std::int32_t processId) const;

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void CreateControls();
  void Layout() override;
  COLORREF TextColour(HWND label) const override;
  void Form_Load();
  // The icons the shell makes for the rows, a slice at a time between messages.
  void AddIconsSlice();
  void SetLinkLook(bool hovered);

  win::UniqueIcon bigIcon_, smallIcon_, imageIcon_;
  ProcessListView list_;
  win::KeyedImageList images_;
  FileIconCache icons_;
  RowIconFill rowIcons_{list_, images_, icons_};
  ProcessPaths paths_;
  win::Label label1_, label2_, label3_, labelOstrin_;
  HWND image1_ = nullptr;
  win::CommandWindow* commandRefresh_ = nullptr;
  win::CommandWindow* commandLimit_ = nullptr;
  bool linkHovered_ = false;
  std::uint64_t listedAt_ = 0;  // system time of the last refresh's snapshot
  Guard* guard_;
  Win32ThreadControl threads_{guard_};
  LimitTimer timerLimit_{ProcessLimits(), threads_, guard_};
};

}  // namespace tovrel
