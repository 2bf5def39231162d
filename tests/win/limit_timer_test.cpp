#include "throttling/limit_timer_win.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace tovrel {
namespace {

using Clock = std::chrono::steady_clock;

// Counts the turns a real timer starts, with the moment of each.
class CountingThreads : public ThreadControl {
 public:
  SuspendedThreads SuspendAllThreads(std::int32_t pid, std::shared_ptr<const LimitedProcess> process) override {
    turns.push_back(Clock::now());
    return {pid, std::move(process), {}};
  }
  void ResumeAllThreads(SuspendedThreads) noexcept override {}
  std::vector<Clock::time_point> turns;
};

class LimitTimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    // WM_TIMER of a STATIC window goes nowhere: the loop below hands it to the timer.
    timer.Attach(window, 7);
  }
  void TearDown() override { ::DestroyWindow(window); }

  // Runs the message loop as the program's would, for a while.
  void RunFor(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
      MSG msg;
      if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT) == WAIT_TIMEOUT) continue;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.hwnd == window && msg.message == WM_TIMER && msg.wParam == 7) {
          ++ticks;
          timer.OnTimer();
        } else {
          ::DispatchMessageW(&msg);
        }
      }
    }
  }

  ProcessLimitTable table;
  CountingThreads threads;
  LimitTimer timer{table, threads};
  HWND window = nullptr;
  int ticks = 0;
};

TEST_F(LimitTimerTest, WakesOnlyWhenATurnIsDueAndFollowsAddsAndReleasesAtOnce) {
  RunFor(300);
  EXPECT_EQ(ticks, 0) << "woke up with no limit at all";

  // An add between passes is served at once, not a timer period later.
  table(1).Add(4242, u"", 50, nullptr);
  const auto added = Clock::now();
  timer.Rearm();
  RunFor(700);
  ASSERT_GE(threads.turns.size(), 2u);
  // (Bounds loose enough for a loaded machine: the faults they catch are a timer left
  // off, or a schedule off by a large factor.)
  EXPECT_LT(threads.turns[0] - added, std::chrono::milliseconds(250));
  // Then one turn per 300 ms cycle: stopped 150 ms, running 150 ms, never sooner.
  const auto cycle = threads.turns[1] - threads.turns[0];
  EXPECT_GE(cycle, std::chrono::milliseconds(298));
  EXPECT_LT(cycle, std::chrono::milliseconds(600));
  EXPECT_LE(ticks, static_cast<int>(threads.turns.size()) + 1) << "passes that served nothing";

  // A release between passes turns the timer off at once.
  table(1).TurnOff();
  timer.Rearm();
  const int before = ticks;
  RunFor(400);
  EXPECT_EQ(ticks, before);
}

}  // namespace
}  // namespace tovrel
