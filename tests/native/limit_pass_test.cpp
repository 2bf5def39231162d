#include "throttling/limit_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace tovrel {
namespace {

// Records every call of the pass as one line, so order and count can be asserted. Its
// clock moves only when the pass sleeps or a test moves it.
class Recorder : public ThreadControl, public LimitHost {
 public:
  SuspendedThreads SuspendAllThreads(std::int32_t pid, std::shared_ptr<const LimitedProcess> process) override {
    log.push_back("suspend " + std::to_string(pid));
    ++suspendedNow;
    maxSuspendedAtOnce = std::max(maxSuspendedAtOnce, suspendedNow);
    return {pid, std::move(process), {{static_cast<std::uint32_t>(pid) * 10}}};
  }
  void ResumeAllThreads(SuspendedThreads s) noexcept override {
    log.push_back("resume " + std::to_string(s.processId));
    --suspendedNow;
  }
  void StopTimer() override {
    timerEnabled = false;
    log.push_back("timer off");
  }
  void ArmTimer(std::optional<std::chrono::milliseconds> delay) override {
    timerEnabled = delay.has_value();
    armedFor = delay;
    log.push_back(delay ? "arm " + std::to_string(delay->count()) : "arm none");
  }
  void DoEvents() override {
    log.push_back("yield");
    timerStatesSeenInYields.push_back(timerEnabled);
    ++yields;
    if (onYield) onYield(yields);
  }
  void Sleep(std::uint32_t ms) override {
    log.push_back("sleep " + std::to_string(ms));
    now += std::chrono::milliseconds(ms);
  }
  LimitTime Now() override { return now; }

  std::vector<std::string> log;
  std::vector<bool> timerStatesSeenInYields;
  std::function<void(int)> onYield;
  int yields = 0;
  int suspendedNow = 0;
  int maxSuspendedAtOnce = 0;
  bool timerEnabled = true;
  std::optional<std::chrono::milliseconds> armedFor;
  LimitTime now{0};
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
  expected.push_back("arm none");  // nothing to wake up for
  EXPECT_EQ(r.log, expected);
  for (bool on : r.timerStatesSeenInYields) EXPECT_FALSE(on);
  EXPECT_FALSE(r.timerEnabled);
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
      "arm 0"};  // entry 1 resumed 447 ms ago and may run only 297 ms: due already
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
      "arm 30"};  // entry 3 at 10 % runs 30 ms after its resumption
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
  EXPECT_EQ(r.armedFor, std::chrono::milliseconds(0));  // the turn never ended, so it is due again
  EXPECT_FALSE(HeldSuspension::Instance().holding());
}

int Count(const std::vector<std::string>& log, const std::string& line) {
  return static_cast<int>(std::count(log.begin(), log.end(), line));
}

TEST(LimitSchedule, AProcessRunsItsShareOfTimeBetweenTurns) {
  using std::chrono::milliseconds;
  Recorder r;
  auto table = TableWith({{kVbTrue, 11, 50, u""}});
  LimitPass(table, r, r);  // stopped 150 ms, resumed at 150
  EXPECT_EQ(r.armedFor, milliseconds(150));

  r.now = milliseconds(250);  // a tick before it is due serves nothing
  r.log.clear();
  LimitPass(table, r, r);
  EXPECT_EQ(Count(r.log, "suspend 11"), 0);
  EXPECT_EQ(r.armedFor, milliseconds(50));

  r.now = LimitTime(299'500);  // a timer firing a hair early still serves the turn
  LimitPass(table, r, r);
  EXPECT_EQ(Count(r.log, "suspend 11"), 1);

  // The percentage is read when the check is made: at 10 % it may run only 30 ms.
  table(1).CpuPercent = 10;
  EXPECT_EQ(NextPassDelay(table, r.now), milliseconds(30));
  r.now += milliseconds(20);
  EXPECT_EQ(NextPassDelay(table, r.now), milliseconds(10));
  EXPECT_FALSE(TurnDue(table(1), r.now));
  r.now += milliseconds(10);
  EXPECT_TRUE(TurnDue(table(1), r.now));
}

TEST(LimitSchedule, TheNextPassIsArmedForTheFirstActiveEntryDue) {
  using std::chrono::milliseconds;
  ProcessLimitTable table;
  EXPECT_EQ(NextPassDelay(table, LimitTime(0)), std::nullopt);
  table(2) = {kVbFalse, 22, 50, u""};
  table(2).LastResumed = LimitTime(0);
  EXPECT_EQ(NextPassDelay(table, LimitTime(0)), std::nullopt);  // inactive entries never wake the timer

  table(1) = {kVbTrue, 11, 90, u""};
  table(1).LastResumed = LimitTime(1000);
  table(3) = {kVbTrue, 33, 20, u""};
  table(3).LastResumed = LimitTime(100'000);
  // Entry 1 is due at 271 ms, entry 3 at 160 ms; a part of a millisecond rounds up.
  EXPECT_EQ(NextPassDelay(table, LimitTime(100'000)), milliseconds(60));
  EXPECT_EQ(NextPassDelay(table, LimitTime(159'500)), milliseconds(1));
  EXPECT_EQ(NextPassDelay(table, LimitTime(400'000)), milliseconds(0));
  // An entry never served yet is due at once.
  table(3).Add(33, u"", 20, nullptr);
  EXPECT_EQ(NextPassDelay(table, LimitTime(100'000)), milliseconds(0));
}

TEST(LimitSchedule, AnEntryReusedByAnAddDuringItsTurnIsDueAtOnce) {
  Recorder r;
  auto table = TableWith({{kVbTrue, 11, 50, u""}});
  r.onYield = [&](int n) {
    if (n == 2) {  // the dialog releases the limit and adds another process in its place
      table(1).TurnOff();
      table(1).Add(44, u"c:\\other.exe", 50, nullptr);
    }
  };
  LimitPass(table, r, r);
  EXPECT_EQ(Count(r.log, "resume 11"), 1);
  EXPECT_FALSE(table(1).LastResumed.has_value());
  EXPECT_EQ(r.armedFor, std::chrono::milliseconds(0));
}

TEST(TurnSleep, IsThreeMillisecondsPerPointBelowAHundred) {
  EXPECT_EQ(TurnSleepMilliseconds(99), 3u);
  EXPECT_EQ(TurnSleepMilliseconds(50), 150u);
  EXPECT_EQ(TurnSleepMilliseconds(1), 297u);
  // Run and stop times add up to one 300 ms cycle; out of range, never negative.
  EXPECT_EQ(RunTime(50).count() + TurnSleepMilliseconds(50), 300);
  EXPECT_EQ(RunTime(1).count(), 3);
  EXPECT_EQ(RunTime(-5).count(), 0);
  EXPECT_EQ(RunTime(150).count(), 300);
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
  held.Hold(r, r.SuspendAllThreads(11, nullptr));
  held.Hold(r, r.SuspendAllThreads(22, nullptr));
  EXPECT_EQ(r.suspendedNow, 1);
  held.Release();
  held.Release();
  EXPECT_EQ(r.suspendedNow, 0);
  const std::vector<std::string> expected{"suspend 11", "suspend 22", "resume 11", "resume 22"};
  EXPECT_EQ(r.log, expected);
}

}  // namespace
}  // namespace tovrel
