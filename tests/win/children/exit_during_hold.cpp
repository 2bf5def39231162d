// Limits the processes given by id (comma-separated) at 1 % with the real schedule and
// thread control, and ends the way the mode says while their holds overlap: "exit" (the
// exit question's Yes), "crash" (an unhandled exception), "terminate" (a C++ exception
// nobody catches) or "endsession" (the session ends). Or, with "hold N", keeps the
// schedule going for N seconds (0: until it is killed) with a guard, as Tovrel.exe
// does, and returns. The tests then check that every process runs. Also serves as its
// own guard.
// Usage: exit_during_hold.exe MODE PID[,PID...] [N]
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <exception>

#include "platform/message_loop_win.h"
#include "throttling/exit_safety_win.h"
#include "throttling/guard_win.h"
#include "throttling/limit_timer_win.h"
#include "throttling/limited_process_win.h"
#include "throttling/thread_control_win.h"

namespace {

// The holds were not ended by the mode (3 is what abort() leaves), or never began.
constexpr int kNotInterrupted = 20;
constexpr int kNotHeld = 21;

void End(const wchar_t* mode) {
  if (std::wcscmp(mode, L"exit") == 0) tovrel::EndProgramNow(0);
  if (std::wcscmp(mode, L"crash") == 0) {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
  }
  if (std::wcscmp(mode, L"terminate") == 0) std::terminate();
  if (std::wcscmp(mode, L"endsession") == 0) {
    tovrel::ReleaseBeforeEnding();
    ::TerminateProcess(::GetCurrentProcess(), 0);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (const int code = tovrel::RunGuardIfAsked(); code >= 0) return code;
  if (argc < 3) return 2;
  tovrel::InstallExitSafety();
  // No crash dialog: the process must simply end.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  const bool hold = std::wcscmp(argv[1], L"hold") == 0;
  tovrel::Guard guard;
  if (hold) guard.EnsureRunning();
  tovrel::Win32ThreadControl threads(hold ? &guard : nullptr);
  // The program's own table, which every way out reaches.
  tovrel::ProcessLimitTable& table = tovrel::ProcessLimits();
  int entry = 1;
  for (wchar_t* at = argv[2]; *at && entry <= tovrel::ProcessLimitTable::kSize; ++entry) {
    wchar_t* end = nullptr;
    const auto pid = static_cast<std::int32_t>(std::wcstol(at, &end, 10));
    table(entry).Add(pid, u"", 1, tovrel::OpenLimitedProcess(pid, tovrel::SystemTimeNow(), hold ? &guard : nullptr));
    at = *end == L',' ? end + 1 : end;
  }
  // The schedule as Tovrel.exe runs it, with no window: every limit is due at once, so
  // the first wake begins all their holds together.
  tovrel::LimitTimer timer(table, threads, hold ? &guard : nullptr);
  timer.Attach(nullptr, 0);
  if (!hold) {
    if (table.CountHolding() != entry - 1) return kNotHeld;
    End(argv[1]);
    return kNotInterrupted;
  }
  const UINT seconds = argc > 3 ? static_cast<UINT>(_wtoi(argv[3])) : 0;
  if (seconds) ::SetTimer(nullptr, 0, seconds * 1000, nullptr);
  MSG msg;
  while (tovrel::win::NextMessage(msg) == tovrel::win::Next::kMessage && msg.message != WM_TIMER)
    ::DispatchMessageW(&msg);
  tovrel::ReleaseBeforeEnding();
  return 0;
}
