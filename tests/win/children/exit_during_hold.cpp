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
#include <vector>

#include "throttling/exit_safety_win.h"
#include "throttling/guard_win.h"
#include "throttling/held_suspensions.h"
#include "throttling/limit_pass.h"
#include "throttling/limited_process_win.h"
#include "throttling/thread_control_win.h"

namespace {

// The holds were not ended by the mode (3 is what abort() leaves), or never began.
constexpr int kNotInterrupted = 20;
constexpr int kNotHeld = 21;

// Waits as the window's loop would, until the moment the schedule asked for.
class SleepingHost : public tovrel::LimitHost {
 public:
  void ArmTimer(std::optional<tovrel::LimitTime> dueAt) override { due_ = dueAt; }
  tovrel::LimitTime Now() override { return tovrel::SteadyNow(); }
  void WaitForDue() {
    const auto wait = due_ ? std::chrono::ceil<std::chrono::milliseconds>(*due_ - Now()).count() : 10;
    if (wait > 0) ::Sleep(static_cast<DWORD>(wait));
  }

 private:
  std::optional<tovrel::LimitTime> due_;
};

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
  tovrel::ProcessLimitTable table;
  int entry = 1;
  for (wchar_t* at = argv[2]; *at && entry <= tovrel::ProcessLimitTable::kSize; ++entry) {
    wchar_t* end = nullptr;
    const auto pid = static_cast<std::int32_t>(std::wcstol(at, &end, 10));
    table(entry).Add(pid, u"", 1, tovrel::OpenLimitedProcess(pid, tovrel::SystemTimeNow(), hold ? &guard : nullptr));
    at = *end == L',' ? end + 1 : end;
  }
  SleepingHost host;
  // Every limit is due at once: the first pass begins all their holds together.
  tovrel::LimitPass(table, threads, host);
  if (!hold) {
    if (tovrel::HeldSuspensions::Instance().count() != static_cast<std::size_t>(entry - 1)) return kNotHeld;
    End(argv[1]);
    return kNotInterrupted;
  }
  const DWORD seconds = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 0;
  const DWORD start = ::GetTickCount();
  while (seconds == 0 || ::GetTickCount() - start < seconds * 1000) {
    host.WaitForDue();
    tovrel::LimitPass(table, threads, host);
  }
  tovrel::ReleaseBeforeEnding();
  return 0;
}
