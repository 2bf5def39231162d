#include "throttling/limit_timer_win.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "child_process.h"
#include "platform/message_loop_win.h"
#include "throttling/guard_win.h"

namespace tovrel {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Counts the holds a real timer begins and ends, with the moment of each.
class CountingThreads : public ThreadControl {
 public:
  SuspendedThreads SuspendAllThreads(std::int32_t pid, std::shared_ptr<const LimitedProcess> process) override {
    suspended.push_back(Clock::now());
    log.push_back("suspend " + std::to_string(pid));
    return {pid, std::move(process), {}};
  }
  void ResumeAllThreads(SuspendedThreads s) noexcept override {
    resumed.push_back(Clock::now());
    log.push_back("resume " + std::to_string(s.processId));
  }
  std::vector<Clock::time_point> suspended, resumed;
  std::vector<std::string> log;
};

class LimitTimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    // WM_TIMER of a STATIC window goes nowhere: the loops below hand it to the timer.
    timer.Attach(window, 7);
  }
  void TearDown() override {
    table.Clear();
    ::DestroyWindow(window);
  }

  void Dispatch(MSG& msg) {
    if (msg.hwnd == window && msg.message == WM_TIMER && msg.wParam == 7) {
      ++ticks;
      timer.OnTimer();
    } else {
      ::DispatchMessageW(&msg);
    }
  }
  // Our own loop, as the program's: it waits for messages and the schedule's moments.
  bool RunUntil(const std::function<bool()>& done, int ms = 10000) {
    const auto end = Clock::now() + milliseconds(ms);
    const UINT_PTR tick = ::SetTimer(nullptr, 0, 20, nullptr);  // wakes the wait to look at the clock
    MSG msg;
    while (!done() && Clock::now() < end && win::NextMessage(msg) == win::Next::kMessage) Dispatch(msg);
    ::KillTimer(nullptr, tick);
    return done();
  }
  // A loop we don't own (a message box's): it only dispatches WM_TIMER.
  bool RunForeignLoopUntil(const std::function<bool()>& done, int ms = 10000) {
    const auto end = Clock::now() + milliseconds(ms);
    const UINT_PTR tick = ::SetTimer(nullptr, 0, 20, nullptr);
    MSG msg;
    while (!done() && Clock::now() < end && ::GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
    ::KillTimer(nullptr, tick);
    return done();
  }

  ProcessLimitTable table;
  CountingThreads threads;
  LimitTimer timer{table, threads};
  HWND window = nullptr;
  int ticks = 0;
};

TEST_F(LimitTimerTest, HoldsKeepTheirTimeInEveryLoopAndNothingWakesWithoutALimit) {
  const auto quiet = Clock::now() + milliseconds(300);
  RunUntil([&] { return Clock::now() > quiet; });
  EXPECT_EQ(ticks, 0) << "woke up with no limit at all";
  EXPECT_TRUE(threads.suspended.empty());

  // An add is held at once, before any loop runs.
  table(1).Add(4242, u"", 50, nullptr);
  timer.Serve();
  ASSERT_EQ(threads.suspended.size(), 1u);
  ASSERT_TRUE(RunUntil([&] { return threads.suspended.size() >= 3; })) << "the schedule stopped in our loop";
  // Never sooner than the schedule: stopped 150 ms, then running 150 ms, each moment on
  // the cycle as it was due. A moment served late shortens the phase after it (on a
  // loaded machine by some milliseconds), so each is measured from the first hold.
  const auto slack = milliseconds(2);
  const auto start = threads.suspended[0];
  for (std::size_t i = 0; i + 1 < threads.suspended.size(); ++i) {
    EXPECT_GE(threads.resumed[i] - start, milliseconds(300 * i + 150) - slack) << "hold " << i;
    EXPECT_GE(threads.suspended[i + 1] - start, milliseconds(300 * (i + 1)) - slack) << "run " << i;
  }
  // A message box's loop only dispatches WM_TIMER: the schedule goes on there too.
  const std::size_t before = threads.suspended.size();
  ASSERT_TRUE(RunForeignLoopUntil([&] { return threads.suspended.size() >= before + 2; }))
      << "the schedule stopped in a loop we don't own";

  // A release turns every timer off at once.
  table(1).TurnOff();
  timer.Serve();
  const std::size_t held = threads.suspended.size();
  const int tickCount = ticks;
  const auto after = Clock::now() + milliseconds(400);
  RunUntil([&] { return Clock::now() > after; });
  EXPECT_EQ(threads.suspended.size(), held);
  EXPECT_EQ(ticks, tickCount);
  EXPECT_EQ(threads.resumed.size(), threads.suspended.size()) << "a hold was left open";
}

// Long work, the guard's restart and the timer's end each resume every entry's hold
// before anything else.
TEST(LimitTimerEnds, EveryWayOfEndingAllHoldsResumesEveryEntry) {
  using Lines = std::vector<std::string>;
  const Lines allResumed{"resume 101", "resume 102", "resume 103"};
  Guard guard(test::ExeDir() + L"exit_during_hold.exe");
  ASSERT_TRUE(guard.EnsureRunning());
  ProcessLimitTable table;
  CountingThreads threads;
  std::size_t mark = 0;
  auto since = [&] { return Lines(threads.log.begin() + static_cast<std::ptrdiff_t>(mark), threads.log.end()); };
  auto firstSince = [&](std::size_t n) {
    Lines lines = since();
    lines.resize(std::min(lines.size(), n));
    return lines;
  };
  {
    LimitTimer timer(table, threads, &guard);
    // Within a cycle of the turn there is a moment when all three hold.
    auto allHolding = [&] {
      mark = threads.log.size();
      return test::WaitUntil([&] {
        timer.OnTimer();
        return table.CountHolding() == ProcessLimitTable::kSize;
      });
    };
    for (int i = 1; i <= ProcessLimitTable::kSize; ++i) table(i).Add(100 + i, u"", 10, nullptr);
    timer.Serve();
    ASSERT_EQ(table.CountHolding(), 3);

    mark = threads.log.size();
    timer.EndHolds();
    EXPECT_EQ(since(), allResumed) << "long work";

    ASSERT_TRUE(allHolding());
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, guard.processId());
    ASSERT_NE(process, nullptr);
    ::TerminateProcess(process, 1);
    ::WaitForSingleObject(process, 10000);
    ::CloseHandle(process);
    ASSERT_TRUE(test::WaitUntil([&] { return guard.died(); })) << "the guard's end was never told";
    mark = threads.log.size();
    timer.OnTimer();
    EXPECT_EQ(firstSince(3), allResumed) << "the guard's restart";
    EXPECT_FALSE(guard.died());

    ASSERT_TRUE(allHolding());
    mark = threads.log.size();
  }
  EXPECT_EQ(since(), allResumed) << "the timer's end";
  EXPECT_EQ(table.CountHolding(), 0);
}

}  // namespace
}  // namespace tovrel
