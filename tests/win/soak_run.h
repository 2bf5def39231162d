// A long run of the real thing in one process: FormMain with its list, its limiting
// schedule and thread control, a guard, and three limits added and released through the
// dialog's own handlers, while the objects a leak would pile up are counted.
#pragma once

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "child_process.h"
#include "limit_dialog/set_percent_actions.h"
#include "main_window/form_main_win.h"
#include "object_probes.h"
#include "throttling/guard_win.h"
#include "throttling/limit_pass.h"
#include "throttling/process_limits.h"

namespace tovrel::test {

struct ObjectCounts {
  int handles = 0;
  int guardHandles = 0;
  std::size_t gdi = 0;
  std::size_t user = 0;
};

inline ObjectCounts CountObjects(const Guard& guard) {
  ObjectCounts counts{CountOpenHandles(), -1, LiveGdiObjects(), LiveUserObjects()};
  if (HANDLE g = ::OpenProcess(PROCESS_DUP_HANDLE, FALSE, guard.processId())) {
    counts.guardHandles = CountHandlesIn(g);
    ::CloseHandle(g);
  }
  return counts;
}

// Runs `holds` holds (at 99 %, the limits' holds together, each begun and ended by the
// window's own TimerLimit) and `refreshes` refreshes spread evenly among them; at every
// tenth refresh the limits are released and added again. `report` is called after each
// refresh with the holds done so far.
inline void SoakRun(FormMain& form, const std::vector<DWORD>& pids, int holds, int refreshes,
                    const std::function<void(int holds)>& report) {
  ProcessRows& rows = form.ListViewProcesses();
  const ProcessOpener open = [&form](std::int32_t pid) { return form.OpenForLimit(pid); };
  auto values = [](DWORD pid) { return DialogValues{DecimalText(pid), u"", 99}; };
  auto addAll = [&] {
    for (DWORD pid : pids)
      CommandOK_Click(ProcessLimits(), values(pid), rows, open, [](const std::u16string&, const std::u16string&) {
        throw std::runtime_error("a busy child was refused a limit");
      });
  };
  // Moves every cycle back by a whole one, so that each phase is due now.
  auto dueNow = [] {
    ProcessLimitTable& t = ProcessLimits();
    for (int i = 1; i <= ProcessLimitTable::kSize; ++i) {
      ProcessLimit& e = t(i);
      e.CycleStart -= kLimitCycle;
    }
    if (t.TurnEnd) *t.TurnEnd -= kLimitCycle;
  };
  addAll();
  const int rounds = holds / static_cast<int>(pids.size());
  int done = 0;
  for (int r = 1; r <= refreshes; ++r) {
    const int until = rounds * r / refreshes;
    for (; done < until; ++done) {
      for (int phase = 0; phase < 2; ++phase) {  // the holds begin, then end
        dueNow();
        ::SendMessageW(form.hwnd(), WM_TIMER, FormMain::kTimerLimitId, 0);
      }
    }
    form.CommandRefresh_Click();
    if (r % 10 == 0) {
      for (DWORD pid : pids) CommandFree_Click(ProcessLimits(), values(pid), rows);
      addAll();
    }
    report(done * static_cast<int>(pids.size()));
  }
}

}  // namespace tovrel::test
