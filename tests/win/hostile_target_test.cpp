// Targets that make suspension hard: many threads, threads that come and go, a process
// that ends while it is held.
#include <gtest/gtest.h>

#include <vector>

#include "child_process.h"
#include "process_checks.h"
#include "throttling/limited_process_win.h"
#include "throttling/thread_control_win.h"

namespace tovrel {
namespace {

using test::ChildProcess;
using test::ExeDir;
using test::SuspendCountOf;
using test::ThreadIdsOf;

SuspendedThreads Suspend(ThreadControl& control, const ChildProcess& child) {
  const auto pid = static_cast<std::int32_t>(child.pid());
  return control.SuspendAllThreads(pid, OpenLimitedProcess(pid, SystemTimeNow()));
}

bool WaitForThreads(const ChildProcess& child, size_t n) {
  return test::WaitUntil([&] { return ThreadIdsOf(child.pid()).size() >= n; });
}

TEST(HostileTarget, OneTurnStopsAndRestartsEveryOneOfFiveHundredThreads) {
  ChildProcess child(L"\"" + ExeDir() + L"idle_child.exe\" 500");
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(WaitForThreads(child, 500));
  Win32ThreadControl control;
  SuspendedThreads held = Suspend(control, child);
  EXPECT_EQ(held.threads.size(), ThreadIdsOf(child.pid()).size());
  size_t stopped = 0;
  for (DWORD id : ThreadIdsOf(child.pid())) stopped += SuspendCountOf(id) == 1 ? 1 : 0;
  EXPECT_EQ(stopped, 500u);
  control.ResumeAllThreads(std::move(held));
  size_t running = 0;
  for (DWORD id : ThreadIdsOf(child.pid())) running += SuspendCountOf(id) == 0 ? 1 : 0;
  EXPECT_EQ(running, 500u);
}

TEST(HostileTarget, AProcessThatChurnsThreadsRunsFreelyOnceReleased) {
  ChildProcess child(L"\"" + ExeDir() + L"churn_child.exe\"");
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(WaitForThreads(child, 1));
  Win32ThreadControl control;
  const auto pid = static_cast<std::int32_t>(child.pid());
  const std::vector<ULONG_PTR> before = test::OpenHandleValues();
  const int handlesBefore = static_cast<int>(before.size());
  auto process = OpenLimitedProcess(pid, SystemTimeNow());
  ASSERT_NE(process, nullptr);
  int lastHeld = 0;
  for (int turn = 0; turn < 300; ++turn) {
    SuspendedThreads held = control.SuspendAllThreads(pid, process);
    lastHeld = static_cast<int>(held.threads.size());
    ::Sleep(turn % 3);
    control.ResumeAllThreads(std::move(held));
  }
  // The limit keeps only its process, the threads its last hold stopped and the one the
  // next walk goes on from, and lets all go with it. How many threads the child has at
  // once depends on how much of the machine it gets, so the count is the last hold's.
  EXPECT_LE(test::CountOpenHandles(), handlesBefore + 2 + lastHeld + 2)
      << "the last hold stopped " << lastHeld << " threads; " << test::HandlesOpenedSince(before);
  process.reset();
  EXPECT_LE(test::CountOpenHandles(), handlesBefore + 2) << test::HandlesOpenedSince(before);
  // Every thread it has now carries no suspension of ours. A thread it is just starting
  // is held suspended for a moment by its creator (the system creates it suspended, then
  // resumes it), so a suspension seen must be gone before the deadline: ours never goes.
  const auto free = [](DWORD id) {
    const DWORD count = SuspendCountOf(id);
    return count == 0 || count == static_cast<DWORD>(-1);
  };
  std::vector<DWORD> suspended;
  for (DWORD id : ThreadIdsOf(child.pid()))
    if (!free(id)) suspended.push_back(id);
  EXPECT_TRUE(test::WaitUntil([&] {
    std::erase_if(suspended, free);
    return suspended.empty();
  })) << suspended.size() << " threads stay suspended, the first " << suspended.front() << " with count "
      << SuspendCountOf(suspended.front());
  EXPECT_TRUE(test::GainsCpu(child.pid(), 50));
  EXPECT_TRUE(child.running());
}

class EndedWhileHeld : public ::testing::TestWithParam<bool> {};

TEST_P(EndedWhileHeld, ResumingWhatIsGoneIsHarmlessAndLeavesNoHandles) {
  const bool exitsItself = GetParam();
  Win32ThreadControl control;
  // A first child settles whatever the calls keep open for good.
  {
    ChildProcess warmup(L"\"" + ExeDir() + L"busy_child.exe\" 1");
    ASSERT_TRUE(WaitForThreads(warmup, 1));
    control.ResumeAllThreads(Suspend(control, warmup));
  }
  const int handlesBefore = test::CountOpenHandles();
  {
    ChildProcess child(L"\"" + ExeDir() + L"busy_child.exe\" 4");
    ASSERT_TRUE(WaitForThreads(child, 4));
    const auto pid = static_cast<std::int32_t>(child.pid());
    const auto process = OpenLimitedProcess(pid, SystemTimeNow());
    SuspendedThreads held = control.SuspendAllThreads(pid, process);
    ASSERT_GE(held.threads.size(), 4u);
    if (exitsItself) {
      // A thread the suspension never saw ends the process.
      HANDLE target = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, child.pid());
      auto exitProcess = reinterpret_cast<LPTHREAD_START_ROUTINE>(
          ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "ExitProcess"));
      HANDLE t = ::CreateRemoteThread(target, nullptr, 0, exitProcess, nullptr, 0, nullptr);
      ASSERT_NE(t, nullptr);
      ::CloseHandle(t);
      ::CloseHandle(target);
    } else {
      ::TerminateProcess(child.process(), 7);
    }
    ASSERT_EQ(::WaitForSingleObject(child.process(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    control.ResumeAllThreads(std::move(held));
    EXPECT_TRUE(control.SuspendAllThreads(pid, process).threads.empty());
  }
  EXPECT_LE(test::CountOpenHandles(), handlesBefore + 2);
}

INSTANTIATE_TEST_SUITE_P(Ways, EndedWhileHeld, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "ExitsItself" : "IsKilled"; });

}  // namespace
}  // namespace tovrel
