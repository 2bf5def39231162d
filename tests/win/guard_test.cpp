#include "throttling/guard_win.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "process_checks.h"
#include "throttling/limited_process_win.h"

namespace tovrel {
namespace {

using State = SuspensionRecord::ThreadState;
using test::ChildProcess;
using test::ExeDir;
using test::SuspendCountOf;
using test::ThreadIdsOf;

using test::WaitUntil;

bool AllThreads(DWORD pid, DWORD count) {
  const std::vector<DWORD> ids = ThreadIdsOf(pid);
  if (ids.empty()) return false;
  for (DWORD id : ids)
    if (SuspendCountOf(id) != count) return false;
  return true;
}

std::string ImageOf(HANDLE process) {
  wchar_t path[MAX_PATH];
  DWORD size = MAX_PATH;
  if (!::QueryFullProcessImageNameW(process, 0, path, &size)) return "(no image)";
  return std::string(path, path + size);
}

DWORD WINAPI Park(void* release) {
  ::WaitForSingleObject(static_cast<HANDLE>(release), INFINITE);
  return 0;
}

TEST(Guard, SettlesEachRecordedThreadByWhatWasDoneToIt) {
  ChildProcess child(L"\"" + ExeDir() + L"idle_child.exe\" 5");
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(WaitUntil([&] { return ThreadIdsOf(child.pid()).size() >= 5; }));
  const std::vector<DWORD> ids = ThreadIdsOf(child.pid());
  auto call = [](DWORD id, DWORD(WINAPI * fn)(HANDLE)) {
    HANDLE t = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, id);
    fn(t);
    ::CloseHandle(t);
  };
  auto suspend = [&](DWORD id) { call(id, &::SuspendThread); };
  auto resume = [&](DWORD id) { call(id, &::ResumeThread); };
  // A thread of another process (this one) recorded under the child's id.
  HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE foreign = ::CreateThread(nullptr, 0, &Park, release, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(foreign, nullptr);

  auto layout = std::make_unique<SuspensionRecord::Layout>();
  SuspensionRecord record(layout.get());
  HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, child.pid());
  ASSERT_NE(process, nullptr);
  auto hold = [&](int slot, HANDLE p) {
    record.BeginHold(slot, child.pid(), reinterpret_cast<std::uintptr_t>(p));
    suspend(ids[0]);
    record.Set(slot, *record.Add(slot, ids[0]), State::kSuspended);  // stopped by the hold
    suspend(ids[1]);
    record.Add(slot, ids[1]);  // killed just after its suspension took place
    record.Add(slot, ids[2]);  // killed just before it took place
    const auto resumed = record.Add(slot, ids[3]);
    record.Set(slot, *resumed, State::kResuming);  // killed just after its resumption took place
    record.Set(slot, *record.Add(slot, ::GetThreadId(foreign)), State::kSuspended);
  };

  // A handle that names another process: the slot cannot be trusted, nothing is touched.
  HANDLE other = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ::GetCurrentProcessId());
  hold(0, other);
  ResumeWhatWasHeld(record);
  EXPECT_EQ(SuspendCountOf(ids[0]), 1u);
  EXPECT_EQ(SuspendCountOf(ids[1]), 1u);
  for (int i : {0, 1}) resume(ids[i]);

  // The child's own handle in another slot (the untrusted one still holds): what was
  // stopped is resumed once, nothing else moves. Thread 0 was stopped twice, once by its
  // own process; thread 1 only by the call in flight.
  suspend(ids[0]);
  hold(1, process);
  EXPECT_EQ(SuspendCountOf(ids[0]), 2u);
  EXPECT_EQ(SuspendCountOf(ids[1]), 1u);
  ResumeWhatWasHeld(record);
  ::CloseHandle(other);
  EXPECT_EQ(SuspendCountOf(ids[0]), 1u) << "a suspended thread is resumed exactly once";
  EXPECT_EQ(SuspendCountOf(ids[1]), 0u) << "a suspension in flight is resumed once";
  EXPECT_EQ(SuspendCountOf(ids[2]), 0u);
  EXPECT_EQ(SuspendCountOf(ids[3]), 0u);
  EXPECT_EQ(SuspendCountOf(ids[4]), 0u);
  EXPECT_EQ(::ResumeThread(foreign), 1u) << "a thread of another process was resumed";

  // Ended by itself: a thread killed while it starts could take the loader lock with it.
  ::SetEvent(release);
  ::WaitForSingleObject(foreign, 5000);
  ::CloseHandle(foreign);
  ::CloseHandle(release);
  ::CloseHandle(process);
}

// A limiter with a guard, holding busy children at 1 % until it is killed (or for that
// many seconds).
struct Limiter {
  explicit Limiter(const std::vector<const ChildProcess*>& targets, const wchar_t* seconds = L"0")
      : process(L"\"" + ExeDir() + L"exit_during_hold.exe\" hold " + Pids(targets) + L" " + seconds) {}
  static std::wstring Pids(const std::vector<const ChildProcess*>& targets) {
    std::wstring pids;
    for (const ChildProcess* t : targets) pids += (pids.empty() ? L"" : L",") + std::to_wstring(t->pid());
    return pids;
  }
  DWORD Guard() const {
    const std::vector<DWORD> guards = test::ChildrenOf(process.pid());
    return guards.size() == 1 ? guards[0] : 0;
  }
  ChildProcess process;
};

void ExpectRunning(const ChildProcess& child) {
  EXPECT_TRUE(WaitUntil([&] { return AllThreads(child.pid(), 0); })) << "the child stayed frozen";
  EXPECT_TRUE(test::GainsCpu(child.pid()));
}

TEST(Guard, AKilledLimiterNeverLeavesItsProcessesFrozen) {
  std::vector<std::unique_ptr<ChildProcess>> children;
  for (const wchar_t* threads : {L"2", L"1", L"1"})
    children.push_back(std::make_unique<ChildProcess>(L"\"" + ExeDir() + L"busy_child.exe\" " + threads));
  ChildProcess other(L"\"" + ExeDir() + L"busy_child.exe\" 1");
  ASSERT_TRUE(other.started());
  for (const auto& child : children) ASSERT_TRUE(WaitUntil([&] { return !ThreadIdsOf(child->pid()).empty(); }));
  ASSERT_TRUE(WaitUntil([&] { return ThreadIdsOf(children[0]->pid()).size() >= 2; }));
  // A second limiter on the same machine has its own guard, which must not act.
  Limiter bystander({&other});
  for (int round = 0; round < 6; ++round) {
    Limiter limiter({children[0].get(), children[1].get(), children[2].get()});
    DWORD guard = 0;
    ASSERT_TRUE(WaitUntil([&] { return (guard = limiter.Guard()) != 0; }));
    // Held open while it surely runs: once it has ended, Wine may give its id to another process.
    HANDLE g = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, guard);
    ASSERT_NE(g, nullptr);
    // Killed while all three holds overlap.
    ASSERT_TRUE(WaitUntil([&] {
      return AllThreads(children[0]->pid(), 1) && AllThreads(children[1]->pid(), 1) && AllThreads(children[2]->pid(), 1);
    })) << "round " << round;
    ::TerminateProcess(limiter.process.process(), 9);
    ::WaitForSingleObject(limiter.process.process(), 5000);
    for (const auto& child : children) ExpectRunning(*child);
    EXPECT_EQ(::WaitForSingleObject(g, 10000), static_cast<DWORD>(WAIT_OBJECT_0))
        << "the guard stays behind: process " << ::GetProcessId(g) << " " << ImageOf(g);
    ::CloseHandle(g);
  }
  EXPECT_TRUE(WaitUntil([&] { return AllThreads(other.pid(), 1); })) << "the other limiter stopped limiting";
}

TEST(Guard, AKilledGuardIsReplacedAndAGuardEndsWithItsLimiter) {
  ChildProcess child(L"\"" + ExeDir() + L"busy_child.exe\" 1");
  ASSERT_TRUE(child.started());
  {
    Limiter limiter({&child});
    ASSERT_TRUE(WaitUntil([&] { return limiter.Guard() != 0; }));
    const DWORD first = limiter.Guard();
    HANDLE g = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, first);
    ASSERT_NE(g, nullptr);
    ::TerminateProcess(g, 9);
    ::WaitForSingleObject(g, 5000);
    ::CloseHandle(g);
    DWORD second = 0;
    ASSERT_TRUE(WaitUntil([&] { return (second = limiter.Guard()) != 0 && second != first; })) << "no new guard";
    // (Once it has started up: Wine gives no creation time to a process in its first moments.)
    EXPECT_TRUE(WaitUntil([&] { return OpenLimitedProcess(static_cast<std::int32_t>(second), SystemTimeNow()) != nullptr; }))
        << "an ordinary process to anyone but its own limiter";
    ASSERT_TRUE(WaitUntil([&] { return AllThreads(child.pid(), 1); }));
    ::TerminateProcess(limiter.process.process(), 9);
    ::WaitForSingleObject(limiter.process.process(), 5000);
    ExpectRunning(child);
  }
  // A limiter that ends normally has resumed everything itself; its guard ends too.
  Limiter polite({&child}, L"3");
  ASSERT_TRUE(WaitUntil([&] { return polite.Guard() != 0; }));
  const DWORD guard = polite.Guard();
  HANDLE g = ::OpenProcess(SYNCHRONIZE, FALSE, guard);
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(::WaitForSingleObject(polite.process.process(), 20000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(::WaitForSingleObject(g, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  ::CloseHandle(g);
  ExpectRunning(child);
}

TEST(Guard, ItsOwnLimiterNeverHoldsItsGuard) {
  Guard guard(ExeDir() + L"exit_during_hold.exe");
  ASSERT_TRUE(guard.EnsureRunning());
  ASSERT_NE(guard.processId(), 0u);
  EXPECT_EQ(OpenLimitedProcess(static_cast<std::int32_t>(guard.processId()), SystemTimeNow(), &guard), nullptr);
  EXPECT_TRUE(guard.EnsureRunning());  // still the same, running guard
}

}  // namespace
}  // namespace tovrel
