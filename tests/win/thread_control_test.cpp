#include "throttling/thread_control_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

#include "child_process.h"
#include "process_checks.h"
#include "throttling/guard_win.h"
#include "throttling/limited_process_win.h"

namespace tovrel {
namespace {

using test::ChildProcess;
using test::ExeDir;

std::shared_ptr<const LimitedProcess> Open(const ChildProcess& child) {
  return OpenLimitedProcess(static_cast<std::int32_t>(child.pid()), SystemTimeNow());
}

SuspendedThreads Suspend(ThreadControl& control, const ChildProcess& child) {
  return control.SuspendAllThreads(static_cast<std::int32_t>(child.pid()), Open(child));
}

// Each way of finding the threads must give the same holds.
class ThreadControlWays : public ::testing::TestWithParam<ThreadWalk> {};

// Waits until the child has started all its threads.
void WarmUp(const ChildProcess& child, size_t threads) {
  ASSERT_TRUE(test::WaitUntil([&] { return test::ThreadIdsOf(child.pid()).size() >= threads; }))
      << "the child never showed " << threads << " threads";
}

TEST_P(ThreadControlWays, ASuspendedChildAccruesNoCpuTimeAndRunsAgainAfterResumption) {
  ChildProcess child(L"\"" + ExeDir() + L"busy_child.exe\" 3");
  ASSERT_TRUE(child.started());
  WarmUp(child, 3);
  Win32ThreadControl control(nullptr, GetParam());

  SuspendedThreads held = Suspend(control, child);
  EXPECT_GE(held.threads.size(), 3u);
  EXPECT_TRUE(test::GetsNoCpu(child.pid()));

  control.ResumeAllThreads(std::move(held));
  EXPECT_TRUE(test::GainsCpu(child.pid()));
}

TEST_P(ThreadControlWays, AThreadTheChildSuspendedItselfStaysSuspended) {
  wchar_t tmp[MAX_PATH], file[MAX_PATH];
  ::GetTempPathW(MAX_PATH, tmp);
  ::GetTempFileNameW(tmp, L"tvr", 0, file);
  ChildProcess child(L"\"" + ExeDir() + L"busy_child.exe\" 1 \"" + file + L"\"");
  ASSERT_TRUE(child.started());
  DWORD parked = 0;
  test::WaitUntil([&] {
    std::ifstream in(file);
    in >> parked;
    return parked != 0;
  });
  ::DeleteFileW(file);
  ASSERT_NE(parked, 0u);
  ASSERT_EQ(test::SuspendCountOf(parked), 1u);

  Guard guard(ExeDir() + L"exit_during_hold.exe");
  ASSERT_TRUE(guard.EnsureRunning());
  Win32ThreadControl control(&guard, GetParam());
  const auto pid = static_cast<std::int32_t>(child.pid());
  const auto process = OpenLimitedProcess(pid, SystemTimeNow(), &guard);
  SuspendedThreads held = control.SuspendAllThreads(pid, process);
  EXPECT_EQ(test::SuspendCountOf(parked), 2u);
  control.ResumeAllThreads(std::move(held));
  EXPECT_EQ(test::SuspendCountOf(parked), 1u);

  // Suspended as often as a thread can be, it cannot be stopped once more: the guard must
  // not be told to resume it, nor may our resumption touch it.
  win::UniqueHandle t(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, parked));
  DWORD count = 0;
  while (count < 1000 && ::SuspendThread(t.get()) != static_cast<DWORD>(-1)) ++count;
  ASSERT_LT(count, 1000u) << "no limit to a thread's suspensions";
  held = control.SuspendAllThreads(pid, process);
  const std::vector<SuspensionRecord::Held> recorded = guard.record()->Read();
  ASSERT_EQ(recorded.size(), 1u) << "the busy thread's hold was not recorded";
  for (const SuspensionRecord::Pending& line : recorded[0].threads)
    EXPECT_FALSE(line.threadId == parked && line.state == SuspensionRecord::ThreadState::kSuspended)
        << "a failed suspension was recorded as one";
  control.ResumeAllThreads(std::move(held));
  EXPECT_EQ(::ResumeThread(t.get()), count + 1) << "our resumption resumed a thread it never stopped";
}

TEST_P(ThreadControlWays, ThreadsStartedSinceAHoldAreStoppedByTheNextAndOneCreatedSuspendedIsNeverStarted) {
  ChildProcess child(L"\"" + ExeDir() + L"busy_child.exe\" 1");
  ASSERT_TRUE(child.started());
  WarmUp(child, 1);
  // Listed is not yet running: under Wine a thread made in another process is made by
  // that process, and one held while it starts up (a lock of its loader taken) never
  // makes it, so the creation below would wait for good. Its own spinning says it is up.
  ASSERT_TRUE(test::GainsCpu(child.pid(), 1));
  Win32ThreadControl control(nullptr, GetParam());
  // One limit's process across its holds, as the schedule keeps it.
  const std::shared_ptr<const LimitedProcess> limited = Open(child);
  const auto pid = static_cast<std::int32_t>(child.pid());
  SuspendedThreads held = control.SuspendAllThreads(pid, limited);

  // Someone creates a thread in the target, suspended, while our suspension holds.
  HANDLE process = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, child.pid());
  ASSERT_NE(process, nullptr);
  auto entry = [](const char* name) {
    return reinterpret_cast<LPTHREAD_START_ROUTINE>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name));
  };
  DWORD newId = 0;
  HANDLE created = ::CreateRemoteThread(process, nullptr, 0, entry("ExitThread"), nullptr, CREATE_SUSPENDED, &newId);
  ASSERT_NE(created, nullptr);

  control.ResumeAllThreads(std::move(held));
  ::Sleep(50);
  EXPECT_EQ(::WaitForSingleObject(created, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the new thread ran";
  EXPECT_EQ(::SuspendThread(created), 1u);  // still held by its creator's suspension only
  ::ResumeThread(created);
  ::ResumeThread(created);
  ::WaitForSingleObject(created, 2000);
  ::CloseHandle(created);

  // Threads started between holds are stopped by the next one, also when the last thread
  // an earlier hold found has ended since.
  for (int round = 0; round < 2; ++round) {
    DWORD id = 0;
    HANDLE sleeper = ::CreateRemoteThread(process, nullptr, 0, entry("Sleep"), reinterpret_cast<void*>(INFINITE), 0, &id);
    ASSERT_NE(sleeper, nullptr);
    ASSERT_TRUE(test::WaitUntil([&] { return test::SuspendCountOf(id) == 0; }));
    held = control.SuspendAllThreads(pid, limited);
    EXPECT_EQ(test::SuspendCountOf(id), 1u) << "a thread started since the last hold ran on, round " << round;
    control.ResumeAllThreads(std::move(held));
    EXPECT_EQ(test::SuspendCountOf(id), 0u);
    ::TerminateThread(sleeper, 0);
    ::WaitForSingleObject(sleeper, 5000);
    ::CloseHandle(sleeper);
  }
  ::CloseHandle(process);
}

TEST(ThreadControl, TheHandleProbeSeesHandlesComeAndGo) {
  const int before = test::CountOpenHandles();
  HANDLE events[5];
  for (HANDLE& e : events) e = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  EXPECT_EQ(test::CountOpenHandles(), before + 5);
  for (HANDLE e : events) ::CloseHandle(e);
  EXPECT_EQ(test::CountOpenHandles(), before);
}

// A process found in no open handle: the only thing an entry's turn may stop is what
// the add held open.
struct AnyProcess : LimitedProcess {};

TEST(LimitedProcess, OnlyTheListedRunningProcessThatMayBeStoppedIsHeld) {
  ChildProcess child(L"\"" + ExeDir() + L"busy_child.exe\" 1");
  ASSERT_TRUE(child.started());
  WarmUp(child, 1);
  const auto pid = static_cast<std::int32_t>(child.pid());
  const std::uint64_t now = SystemTimeNow();
  // Held, or refused for the reason the user is told.
  auto refusal = [](std::int32_t id, std::uint64_t listedAt) {
    LimitRefusal why = LimitRefusal::kNone;
    const bool held = OpenLimitedProcess(id, listedAt, nullptr, &why) != nullptr;
    EXPECT_EQ(held, why == LimitRefusal::kNone) << "process " << id;
    return why;
  };
  EXPECT_EQ(refusal(pid, now), LimitRefusal::kNone);
  // Listed before the child was created: the id the row shows belonged to another process.
  EXPECT_EQ(refusal(pid, now - 10'000'000ull), LimitRefusal::kEnded);
  // Suspending our own threads would stop this very call for good.
  EXPECT_EQ(refusal(static_cast<std::int32_t>(::GetCurrentProcessId()), now), LimitRefusal::kTovrel);
  EXPECT_EQ(refusal(0x7FFFFFF0, now), LimitRefusal::kEnded);
  // Wine's services.exe lives in the system folder under the name of a critical process.
  const std::vector<DWORD> services = test::ProcessIdsNamed(L"services.exe");
  ASSERT_FALSE(services.empty());
  for (DWORD id : services) EXPECT_EQ(refusal(static_cast<std::int32_t>(id), now), LimitRefusal::kCritical);

  Win32ThreadControl control;
  EXPECT_TRUE(control.SuspendAllThreads(pid, nullptr).threads.empty());
  EXPECT_TRUE(control.SuspendAllThreads(static_cast<std::int32_t>(::GetCurrentProcessId()),
                                        std::make_shared<AnyProcess>())
                  .threads.empty());
  EXPECT_TRUE(control.SuspendAllThreads(0x7FFFFFF0, std::make_shared<AnyProcess>()).threads.empty());

  // A listed thread id that now belongs to another process is never opened for suspension.
  const std::vector<std::uint32_t> listed{test::ThreadIdsOf(child.pid()).front(), ::GetCurrentThreadId()};
  const auto opened = OpenThreadsOf(child.pid(), listed);
  ASSERT_EQ(opened.size(), 1u) << "a thread of another process was opened as the child's";
  EXPECT_EQ(opened[0].id, listed[0]);

  // Held open, an ended process has no thread left to suspend.
  std::shared_ptr<const LimitedProcess> held = Open(child);
  ASSERT_NE(held, nullptr);
  ::TerminateProcess(child.process(), 0);
  ::WaitForSingleObject(child.process(), 5000);
  EXPECT_TRUE(control.SuspendAllThreads(pid, held).threads.empty());
  // Its id cannot pass to another process while handles hold it, but it has ended.
  EXPECT_EQ(refusal(pid, SystemTimeNow()), LimitRefusal::kEnded) << "an ended process was held for a new limit";
}

TEST_P(ThreadControlWays, HandleCountDoesNotGrowOverAThousandPairs) {
  ChildProcess child(L"\"" + ExeDir() + L"busy_child.exe\" 2");
  ASSERT_TRUE(child.started());
  WarmUp(child, 2);
  Win32ThreadControl control(nullptr, GetParam());
  // A first pair settles any handles the calls cache.
  control.ResumeAllThreads(Suspend(control, child));
  const int before = test::CountOpenHandles();
  ASSERT_GT(before, 0);
  for (int i = 0; i < 1000; ++i)
    control.ResumeAllThreads(Suspend(control, child));
  EXPECT_LE(test::CountOpenHandles(), before + 2);
  // And the child is left running.
  EXPECT_EQ(test::SuspendCountOf(test::ThreadIdsOf(child.pid()).front()), 0u);
}

INSTANTIATE_TEST_SUITE_P(Ways, ThreadControlWays, ::testing::Values(ThreadWalk::kPerProcess, ThreadWalk::kSystemView),
                         [](const auto& info) { return info.param == ThreadWalk::kPerProcess ? "Walk" : "SystemView"; });

TEST(ThreadControl, TheWalkFindsWhatTheViewListsAndARefusedWalkFallsBackToTheView) {
  ChildProcess child(L"\"" + ExeDir() + L"idle_child.exe\" 6");
  ASSERT_TRUE(child.started());
  WarmUp(child, 6);
  std::vector<DWORD> listed = test::ThreadIdsOf(child.pid());
  std::vector<OpenedThread> walked;
  win::UniqueHandle full(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, child.pid()));
  ASSERT_TRUE(WalkThreads(full.get(), walked));
  std::vector<DWORD> ids;
  for (const OpenedThread& t : walked) ids.push_back(::GetThreadId(t.handle.get()));
  std::sort(listed.begin(), listed.end());
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, listed);

  // A handle without the right to walk (as a protected process grants): refused, and
  // its holds still stop every thread, found the other way.
  win::UniqueHandle limited(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, child.pid()));
  walked.clear();
  EXPECT_FALSE(WalkThreads(limited.get(), walked));
  EXPECT_TRUE(walked.empty());
  Win32ThreadControl control;
  SuspendedThreads held = control.SuspendAllThreads(static_cast<std::int32_t>(child.pid()),
                                                    std::make_shared<Win32LimitedProcess>(std::move(limited), nullptr));
  EXPECT_EQ(held.threads.size(), listed.size());
  for (DWORD id : listed) EXPECT_EQ(test::SuspendCountOf(id), 1u) << "thread " << id;
  control.ResumeAllThreads(std::move(held));
  for (DWORD id : listed) EXPECT_EQ(test::SuspendCountOf(id), 0u) << "thread " << id;
}

}  // namespace
}  // namespace tovrel

namespace tovrel {
namespace {

class EndingWhileHoldsOverlap : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(EndingWhileHoldsOverlap, LeavesEveryLimitedProcessRunning) {
  std::vector<std::unique_ptr<ChildProcess>> children;
  std::wstring pids;
  for (const wchar_t* threads : {L"2", L"1", L"1"}) {
    children.push_back(std::make_unique<ChildProcess>(L"\"" + ExeDir() + L"busy_child.exe\" " + threads));
    WarmUp(*children.back(), static_cast<size_t>(_wtoi(threads)));
    pids += (pids.empty() ? L"" : L",") + std::to_wstring(children.back()->pid());
  }
  ChildProcess limiter(L"\"" + ExeDir() + L"exit_during_hold.exe\" " + GetParam() + L" " + pids);
  ASSERT_TRUE(limiter.started());
  ASSERT_EQ(::WaitForSingleObject(limiter.process(), 20000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 0;
  ::GetExitCodeProcess(limiter.process(), &code);
  EXPECT_NE(code, 20u) << "the holds were not interrupted";
  EXPECT_NE(code, 21u) << "the three holds never began together";
  for (const auto& child : children) {
    for (DWORD id : test::ThreadIdsOf(child->pid())) EXPECT_EQ(test::SuspendCountOf(id), 0u) << "thread " << id;
    EXPECT_TRUE(test::GainsCpu(child->pid()));
  }
}

INSTANTIATE_TEST_SUITE_P(Ways, EndingWhileHoldsOverlap,
                         ::testing::Values(L"exit", L"crash", L"terminate", L"endsession"));

}  // namespace
}  // namespace tovrel
