#include "throttling/limit_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace tovrel {
namespace {

// Records every call of the pass as one line, so order and count can be asserted.
class Recorder : public ThreadControl, public LimitHost {
 public:
  SuspendedThreads SuspendAllThreads(std::int32_t pid) override {
    log.push_back("suspend " + std::to_string(pid));
    ++suspendedNow;
    maxSuspendedAtOnce = std::max(maxSuspendedAtOnce, suspendedNow);
    return {pid, {static_cast<std::uint32_t>(pid) * 10}};
  }
  void ResumeAllThreads(const SuspendedThreads& s) override {
    log.push_back("resume " + std::to_string(s.processId));
    --suspendedNow;
  }
  void SetTimerEnabled(bool enabled) override {
    timerEnabled = enabled;
    log.push_back(enabled ? "timer on" : "timer off");
  }
  void DoEvents() override {
    log.push_back("yield");
    timerStatesSeenInYields.push_back(timerEnabled);
    ++yields;
    if (onYield) onYield(yields);
  }
  void Sleep(std::uint32_t ms) override { log.push_back("sleep " + std::to_string(ms)); }

  std::vector<std::string> log;
  std::vector<bool> timerStatesSeenInYields;
  std::function<void(int)> onYield;
  int yields = 0;
  int suspendedNow = 0;
  int maxSuspendedAtOnce = 0;
  bool timerEnabled = true;
};

ProcessLimitTable TableWith(std::initializer_list<ProcessLimit> active) {
  ProcessLimitTable t;
  int i = 1;
  for (const auto& e : active) t(i++) = e;
  return t;
}

TEST(LimitPass, WithNoActiveEntryOnlyYieldsTwicePerEntryWithTheTimerOff) {
  Recorder r;
  ProcessLimitTable table;
  table(2) = {kVbFalse, 42, 50, u"c:\\x.exe"};  // inactive entries keep their fields but are not served
  LimitPass(table, r, r);
  std::vector<std::string> expected{"timer off"};
  for (int i = 0; i < 6; ++i) expected.push_back("yield");
  expected.push_back("timer on");
  EXPECT_EQ(r.log, expected);
  for (bool on : r.timerStatesSeenInYields) EXPECT_FALSE(on);
  EXPECT_TRUE(r.timerEnabled);
}

TEST(LimitPass, ServesThreeEntriesInIndexOrderOneAtATime) {
  Recorder r;
  auto table = TableWith({{kVbTrue, 11, 99, u""}, {kVbTrue, 22, 50, u""}, {kVbTrue, 33, 1, u""}});
  LimitPass(table, r, r);
  const std::vector<std::string> expected{
      "timer off",
      "yield", "suspend 11", "yield", "sleep 3", "resume 11", "yield",
      "yield", "suspend 22", "yield", "sleep 150", "resume 22", "yield",
      "yield", "suspend 33", "yield", "sleep 297", "resume 33", "yield",
      "timer on"};
  EXPECT_EQ(r.log, expected);
  EXPECT_EQ(r.maxSuspendedAtOnce, 1);
  EXPECT_FALSE(HeldSuspension::Instance().holding());
}

TEST(LimitPass, ChangesMadeDuringYieldsTakeEffectWithinThePass) {
  Recorder r;
  auto table = TableWith({{kVbTrue, 11, 50, u""}, {kVbTrue, 22, 50, u""}, {kVbFalse, 33, 10, u""}});
  r.onYield = [&](int n) {
    if (n == 2) {        // middle yield of entry 1
      table(1).Active = kVbFalse;  // turned off during its own turn: still sleeps and resumes
      table(1).CpuPercent = 90;    // the new percentage is the one slept
      table(2).Active = kVbFalse;  // turned off before its turn: skipped
      table(3).Active = kVbTrue;   // turned on with a higher index: served in this pass
    }
  };
  LimitPass(table, r, r);
  const std::vector<std::string> expected{
      "timer off",
      "yield", "suspend 11", "yield", "sleep 30", "resume 11", "yield",
      "yield", "yield",
      "yield", "suspend 33", "yield", "sleep 270", "resume 33", "yield",
      "timer on"};
  EXPECT_EQ(r.log, expected);
}

TEST(LimitPass, ResumesTheProcessIdThatWasSuspendedEvenIfTheEntryChanged) {
  Recorder r;
  auto table = TableWith({{kVbTrue, 11, 50, u""}});
  r.onYield = [&](int n) {
    if (n == 2) table(1).ProcessId = 77;
  };
  LimitPass(table, r, r);
  EXPECT_NE(std::find(r.log.begin(), r.log.end(), "resume 11"), r.log.end());
  EXPECT_EQ(std::find(r.log.begin(), r.log.end(), "resume 77"), r.log.end());
}

TEST(LimitPass, ExitFromTheMiddleYieldReleasesTheHeldProcessOnceOnly) {
  Recorder r;
  auto table = TableWith({{kVbTrue, 11, 50, u""}});
  r.onYield = [&](int n) {
    if (n == 2) {
      ASSERT_TRUE(HeldSuspension::Instance().holding());
      HeldSuspension::Instance().Release();  // what the exit path does before ending
      EXPECT_EQ(r.suspendedNow, 0);
    }
  };
  LimitPass(table, r, r);
  EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "resume 11"), 1);
  EXPECT_EQ(r.suspendedNow, 0);
}

TEST(LimitPass, AnExceptionInAYieldStillResumesAndReenablesTheTimer) {
  Recorder r;
  auto table = TableWith({{kVbTrue, 11, 50, u""}});
  r.onYield = [&](int n) {
    if (n == 2) throw RunTimeError(5);
  };
  EXPECT_THROW(LimitPass(table, r, r), RunTimeError);
  EXPECT_EQ(r.suspendedNow, 0);
  EXPECT_TRUE(r.timerEnabled);
  EXPECT_FALSE(HeldSuspension::Instance().holding());
}

TEST(TurnSleep, IsThreeMillisecondsPerPointBelowAHundred) {
  EXPECT_EQ(TurnSleepMilliseconds(99), 3u);
  EXPECT_EQ(TurnSleepMilliseconds(50), 150u);
  EXPECT_EQ(TurnSleepMilliseconds(1), 297u);
  // Out of the slider's range: never a negative (huge unsigned) sleep, overflow is an error.
  EXPECT_EQ(TurnSleepMilliseconds(150), 0u);
  try {
    TurnSleepMilliseconds(-2147483647);
    FAIL() << "expected overflow";
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.number(), kErrOverflow);
  }
}

TEST(ProcessLimitTable, HasThreeZeroFilledEntriesIndexedFromOne) {
  ProcessLimitTable t;
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(t(i).Active, kVbFalse);
    EXPECT_EQ(t(i).ProcessId, 0);
    EXPECT_EQ(t(i).CpuPercent, 0);
    EXPECT_TRUE(t(i).ImagePath.empty());
  }
  EXPECT_THROW(t(0), RunTimeError);
  EXPECT_THROW(t(4), RunTimeError);
  t(2).Active = kVbTrue;
  EXPECT_EQ(t.CountActive(), 1);
}

}  // namespace
}  // namespace tovrel

namespace tovrel {
namespace {

TEST(HeldSuspension, HoldingAgainResumesWhatWasHeldFirst) {
  Recorder r;
  HeldSuspension& held = HeldSuspension::Instance();
  held.Hold(r, r.SuspendAllThreads(11));
  held.Hold(r, r.SuspendAllThreads(22));
  EXPECT_EQ(r.suspendedNow, 1);
  held.Release();
  held.Release();
  EXPECT_EQ(r.suspendedNow, 0);
  const std::vector<std::string> expected{"suspend 11", "suspend 22", "resume 11", "resume 22"};
  EXPECT_EQ(r.log, expected);
}

}  // namespace
}  // namespace tovrel
