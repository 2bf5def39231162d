// Holds a limiting turn on the process given by id and ends in the middle of it, the
// way given by the mode: "exit" (the exit question's Yes), "crash" (an unhandled
// exception), "endsession" (the session ends). The test then checks the process runs.
#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "throttling/exit_safety_win.h"
#include "throttling/limit_pass.h"
#include "throttling/thread_control_win.h"

namespace {

class EndingHost : public tovrel::LimitHost {
 public:
  explicit EndingHost(const wchar_t* mode) : mode_(mode) {}
  void SetTimerEnabled(bool) override {}
  void Sleep(std::uint32_t ms) override { ::Sleep(ms); }
  void DoEvents() override {
    if (++yields_ != 2) return;  // the middle yield: the target is suspended now
    if (std::wcscmp(mode_, L"exit") == 0) tovrel::EndProgramNow(0);
    if (std::wcscmp(mode_, L"crash") == 0) {
      volatile int* nowhere = nullptr;
      *nowhere = 1;
    }
    if (std::wcscmp(mode_, L"endsession") == 0) {
      tovrel::ReleaseBeforeEnding();
      ::TerminateProcess(::GetCurrentProcess(), 0);
    }
  }

 private:
  const wchar_t* mode_;
  int yields_ = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  tovrel::InstallExitSafety();
  // No crash dialog: the process must simply end.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  tovrel::ProcessLimitTable table;
  table(1) = {tovrel::kVbTrue, static_cast<std::int32_t>(_wtoi(argv[1])), 1, u""};
  tovrel::Win32ThreadControl threads;
  EndingHost host(argv[2]);
  tovrel::LimitPass(table, threads, host);
  return 3;  // reaching here means the pass was not ended from its middle yield
}
