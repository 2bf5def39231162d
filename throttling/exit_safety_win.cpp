#include "throttling/exit_safety_win.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>
#include <exception>

#include "platform/system_library_win.h"
#include "throttling/process_limits.h"

namespace tovrel {

namespace {

bool g_timerPeriodSet = false;
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;

LONG WINAPI ResumeOnCrash(EXCEPTION_POINTERS* info) {
  ProcessLimits().EndEveryHold();
  return g_previousFilter ? g_previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
}

void ReleaseAtExit() { ReleaseBeforeEnding(); }

}  // namespace

void InstallExitSafety() {
  g_previousFilter = ::SetUnhandledExceptionFilter(&ResumeOnCrash);
  std::atexit(&ReleaseAtExit);
  std::set_terminate([] {
    ProcessLimits().EndEveryHold();
    std::abort();
  });
}

void HoldFineTimerResolution(bool hold) noexcept {
  if (hold == g_timerPeriodSet) return;
  // Looked up by the first hold, so that ending (even from a crash) never loads a DLL.
  using PeriodFn = MMRESULT(WINAPI*)(UINT);
  static const auto begin = win::SystemLibraryFunction<PeriodFn>(L"winmm.dll", "timeBeginPeriod");
  static const auto end = win::SystemLibraryFunction<PeriodFn>(L"winmm.dll", "timeEndPeriod");
  if (hold) {
    // The default 15.6 ms tick would stretch a 3 ms phase five-fold on Windows. Without winmm
    // the limits keep the time of a system that refuses the finer tick.
    g_timerPeriodSet = begin && end && begin(1) == TIMERR_NOERROR;
  } else {
    end(1);
    g_timerPeriodSet = false;
  }
}

void ReleaseBeforeEnding() noexcept {
  ProcessLimits().EndEveryHold();
  HoldFineTimerResolution(false);
}

void EndProgramNow(unsigned exitCode) {
  ReleaseBeforeEnding();
  ::ExitProcess(exitCode);
}

}  // namespace tovrel
