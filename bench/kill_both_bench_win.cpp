// What a user meets who ends every Tovrel.exe at once (taskkill /im Tovrel.exe /f): Tovrel and
// its guard killed one right after the other while a limit at 1 % holds a busy child, round
// after round. Prints how often the child was left frozen, and how often the guard resumed it
// between the two ends. A frozen child is resumed by hand before the next round.
// Usage: kill_both_bench_win.exe [path of Tovrel.exe] [rounds]
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support_win.h"
#include "main_window/process_list_win.h"
#include "tests/e2e/tovrel_driver.h"

namespace tovrel::bench {
namespace {

void ResumeByHand(DWORD pid) {
  for (DWORD id : test::ThreadIdsOf(pid))
    if (HANDLE t = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, id)) {
      while (::ResumeThread(t) > 1) {
      }
      ::CloseHandle(t);
    }
}

enum class Outcome { kFrozen, kResumed, kFailed };

Outcome Round(const std::wstring& exe) {
  test::ChildProcess child(L"\"" + test::ExeDir() + L"busy_child.exe\" 1");
  if (!test::WaitUntil([&] {
        return !GetProcessImagePath(static_cast<std::int32_t>(child.pid()), u"busy_child.exe").empty();
      }))
    return Outcome::kFailed;
  test::TovrelApp app(exe);
  std::vector<DWORD> guards;
  if (!app.main() || !app.SetLimit(child.pid(), 1) ||
      !test::WaitUntil([&] { return (guards = test::ChildrenOf(app.pid())).size() == 1; }) ||
      !test::WaitUntil([&] { return !test::AllThreadsRunning(child.pid()); }))
    return Outcome::kFailed;
  HANDLE guard = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, guards[0]);
  if (!guard) return Outcome::kFailed;
  ::TerminateProcess(app.process(), 1);
  ::TerminateProcess(guard, 1);
  ::WaitForSingleObject(app.process(), 10000);
  ::WaitForSingleObject(guard, 10000);
  ::CloseHandle(guard);
  // What the guard could do, it did before it ended; two seconds are all a user would wait.
  const bool resumed = test::WaitUntil([&] { return test::AllThreadsRunning(child.pid()); }, 2000);
  if (!resumed) ResumeByHand(child.pid());
  return resumed ? Outcome::kResumed : Outcome::kFrozen;
}

int Run(int argc, char** argv) {
  const std::wstring exe = argc > 1 && argv[1][0] ? std::wstring(argv[1], argv[1] + std::strlen(argv[1]))
                                                  : test::ExeDir() + L"Tovrel.exe";
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 15;
  int frozen = 0, resumed = 0, failed = 0;
  for (int i = 0; i < rounds; ++i) {
    switch (Round(exe)) {
      case Outcome::kFrozen: ++frozen; break;
      case Outcome::kResumed: ++resumed; break;
      case Outcome::kFailed: ++failed; break;
    }
  }
  Print("Tovrel and its guard killed one right after the other, a limit of 1 %% holding a busy child\n");
  Print("%-8s %-14s %-22s %-8s\n", "rounds", "left frozen", "resumed by the guard", "failed");
  Print("%-8d %-14d %-22d %-8d\n", rounds, frozen, resumed, failed);
  return failed == 0 ? 0 : 1;
}

}  // namespace
}  // namespace tovrel::bench

int main(int argc, char** argv) { return tovrel::bench::Run(argc, argv); }
