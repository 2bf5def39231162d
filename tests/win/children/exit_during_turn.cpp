// Holds limiting turns on the process given by id and ends the way the mode says:
// "exit" (the exit question's Yes), "crash" (an unhandled exception), "terminate" (a
// C++ exception nobody catches) or "endsession" (the session ends), each in the middle
// of the first turn; or "hold N", which runs N
// passes at 1 % (0: until it is killed) with a guard, as Tovrel.exe does, and returns.
// The tests then check that the process runs. Also serves as its own guard.
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <exception>

#include "throttling/exit_safety_win.h"
#include "throttling/guard_win.h"
#include "throttling/limit_pass.h"
#include "throttling/limited_process_win.h"
#include "throttling/thread_control_win.h"

namespace {

// The pass was not ended from its middle yield (3 is what abort() leaves).
constexpr int kNotInterrupted = 20;

class EndingHost : public tovrel::LimitHost {
 public:
  explicit EndingHost(const wchar_t* mode) : mode_(mode) {}
  void StopTimer() override {}
  void ArmTimer(std::optional<std::chrono::milliseconds> delay) override { delay_ = delay.value_or(delay_); }
  tovrel::LimitTime Now() override { return tovrel::SteadyNow(); }
  void Sleep(std::uint32_t ms) override { ::Sleep(ms); }
  void DoEvents() override {
    if (++yields_ != 2) return;  // the middle yield: the target is suspended now
    if (std::wcscmp(mode_, L"exit") == 0) tovrel::EndProgramNow(0);
    if (std::wcscmp(mode_, L"crash") == 0) {
      volatile int* nowhere = nullptr;
      *nowhere = 1;
    }
    if (std::wcscmp(mode_, L"terminate") == 0) std::terminate();
    if (std::wcscmp(mode_, L"endsession") == 0) {
      tovrel::ReleaseBeforeEnding();
      ::TerminateProcess(::GetCurrentProcess(), 0);
    }
  }
  // Waits as the timer would until the next pass is due.
  void WaitForNextPass() { ::Sleep(static_cast<DWORD>(delay_.count())); }

 private:
  const wchar_t* mode_;
  int yields_ = 0;
  std::chrono::milliseconds delay_{0};
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (const int code = tovrel::RunGuardIfAsked(); code >= 0) return code;
  if (argc < 3) return 2;
  tovrel::InstallExitSafety();
  // No crash dialog: the process must simply end.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  const auto pid = static_cast<std::int32_t>(_wtoi(argv[1]));
  EndingHost host(argv[2]);
  tovrel::ProcessLimitTable table;
  if (std::wcscmp(argv[2], L"hold") == 0) {
    tovrel::Guard guard;
    guard.EnsureRunning();
    tovrel::Win32ThreadControl threads(&guard);
    table(1).Add(pid, u"", 1, tovrel::OpenLimitedProcess(pid, tovrel::SystemTimeNow(), &guard));
    const int passes = argc > 3 ? _wtoi(argv[3]) : 0;
    for (int i = 0; passes == 0 || i < passes; ++i) {
      tovrel::LimitPass(table, threads, host);
      host.WaitForNextPass();
    }
    return 0;
  }
  tovrel::Win32ThreadControl threads;
  table(1).Add(pid, u"", 1, tovrel::OpenLimitedProcess(pid, tovrel::SystemTimeNow()));
  tovrel::LimitPass(table, threads, host);
  return kNotInterrupted;
}
