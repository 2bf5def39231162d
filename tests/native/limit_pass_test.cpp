#include "throttling/limit_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>


namespace tovrel {
namespace {

using std::chrono::milliseconds;

// Records every suspension, resumption and arming as one line, so order and count can be
// asserted. Its clock moves only when a test moves it.
class Recorder : public ThreadControl, public LimitHost {
 public:
  SuspendedThreads SuspendAllThreads(std::int32_t pid, std::shared_ptr<const LimitedProcess> process) override {
    log.push_back("suspend " + std::to_string(pid));
    maxHeldAtOnce = std::max(maxHeldAtOnce, ++heldNow);
    now += suspensionTakes;
    SuspendedThreads s{pid, std::move(process), {}};
    s.threads.push_back({static_cast<std::uint32_t>(pid) * 10});
    return s;
  }
  void ResumeAllThreads(SuspendedThreads s) noexcept override {
    log.push_back("resume " + std::to_string(s.processId));
    --heldNow;
  }
  void ArmTimer(std::optional<LimitTime> dueAt) override {
    log.push_back(dueAt ? "arm " + std::to_string(std::chrono::duration_cast<milliseconds>(*dueAt).count())
                        : "arm none");
  }
  LimitTime Now() override { return now; }

  // The lines logged since the last call.
  std::vector<std::string> Take() { return std::exchange(log, {}); }
  void At(int ms) { now = milliseconds(ms); }

  std::vector<std::string> log;
  int heldNow = 0;
  int maxHeldAtOnce = 0;
  LimitTime now{0};
  LimitTime suspensionTakes{0};  // how long a process takes to stop
};

using Lines = std::vector<std::string>;

TEST(LimitSchedule, EachLimitHoldsAndRunsOnItsOwnTime) {
  Recorder r;
  ProcessLimitTable t;
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), Lines{"arm none"}) << "woke up for no limit at all";

  // Adds start their first holds at once; holds of different limits overlap.
  t(1).Add(11, u"", 50, nullptr);  // stopped 150 ms, runs 150
  t(2).Add(22, u"", 90, nullptr);  // stopped 30 ms, runs 270
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 11", "suspend 22", "arm 30"}));
  EXPECT_EQ(r.heldNow, 2);
  r.At(20);
  LimitPass(t, r, r);  // woke early: nothing is served
  EXPECT_EQ(r.Take(), Lines{"arm 30"});
  r.At(30);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"resume 22", "arm 150"}));

  // A change during a hold moves its end; an end already past ends the hold at once.
  t(1).CpuPercent = 70;
  EXPECT_EQ(NextDue(t, milliseconds(40)), milliseconds(90));
  r.At(60);
  t(1).CpuPercent = 99;
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"resume 11", "arm 300"}));  // entry 2 runs 270 ms from 30

  r.At(300);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 22", "arm 330"}));
  // Moments due together: every hold end first, then the hold starts, each in table order.
  t(1).CpuPercent = 90;  // its run since 60 now ends at 330 too
  r.At(330);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"resume 22", "suspend 11", "arm 360"}));

  // A release during a hold resumes before the handler returns, with no pass at all.
  r.At(340);
  t(1).TurnOff();
  EXPECT_EQ(r.Take(), Lines{"resume 11"});
  EXPECT_EQ(NextDue(t, r.now), milliseconds(600));
  // Long work ends every open hold at once; the schedule goes on from there.
  r.At(600);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 22", "arm 630"}));
  r.At(610);
  EndEveryHold(t, r);
  EXPECT_EQ(r.Take(), Lines{"resume 22"});
  EXPECT_EQ(NextDue(t, r.now), milliseconds(610 + 270));
  // A process that takes 2 ms to stop runs meanwhile: its next hold begins 2 ms early.
  r.suspensionTakes = milliseconds(2);
  r.At(880);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 22", "arm 912"}));  // stopped at 882, held 30 ms
  r.At(912);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"resume 22", "arm 1180"}));  // runs 270 ms, less the 2 to stop
  t(2).TurnOff();
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), Lines{"arm none"});
  EXPECT_EQ(r.maxHeldAtOnce, 2);
  EXPECT_EQ(t.CountHolding(), 0);
}

TEST(LimitSchedule, AHoldWhoseLimitWasSwitchedOffOrReusedNeverStaysStopped) {
  Recorder r;
  ProcessLimitTable t;
  t(1).Add(11, u"", 10, nullptr);
  LimitPass(t, r, r);
  // Switched off without TurnOff (as the form's load does to an empty entry): due at once.
  t(1).Active = kVbFalse;
  EXPECT_EQ(NextDue(t, milliseconds(5)), milliseconds(5));
  r.At(5);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 11", "arm 270", "resume 11", "arm none"}));

  // An add over an entry that still holds resumes the old process first.
  t(1).Add(11, u"", 10, nullptr);
  LimitPass(t, r, r);
  t(1).Add(44, u"", 10, nullptr);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 11", "arm 275", "resume 11", "suspend 44", "arm 275"}));
  t.Clear();
  EXPECT_EQ(r.Take(), Lines{"resume 44"});
}

TEST(LimitSchedule, AFailedSuspensionStillArmsTheTimerAndHoldsNothing) {
  struct Throwing : Recorder {
    SuspendedThreads SuspendAllThreads(std::int32_t, std::shared_ptr<const LimitedProcess>) override {
      throw RunTimeError(7);
    }
  } r;
  ProcessLimitTable t;
  t(1).Add(11, u"", 50, nullptr);
  EXPECT_THROW(LimitPass(t, r, r), RunTimeError);
  EXPECT_EQ(r.Take(), Lines{"arm 0"});  // still due: tried again at once
  EXPECT_EQ(t.CountHolding(), 0);
}

TEST(LimitSchedule, HoldAndRunTimesAreThreeMillisecondsPerPoint) {
  EXPECT_EQ(HoldTime(99), milliseconds(3));
  EXPECT_EQ(HoldTime(50), milliseconds(150));
  EXPECT_EQ(HoldTime(1), milliseconds(297));
  EXPECT_EQ(RunTime(50) + HoldTime(50), milliseconds(300));
  EXPECT_EQ(RunTime(1), milliseconds(3));
  // Out of the slider's range: never negative, overflow is an error.
  EXPECT_EQ(RunTime(-5), milliseconds(0));
  EXPECT_EQ(RunTime(150), milliseconds(300));
  EXPECT_EQ(HoldTime(150), milliseconds(0));
  try {
    HoldTime(-2147483647);
    FAIL() << "expected overflow";
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.number(), kErrOverflow);
  }
}

TEST(Suspension, EachHoldIsResumedOnceWhereverItGoes) {
  Recorder r;
  {
    Suspension a = Suspension::Begin(r, 11, nullptr);
    Suspension b = Suspension::Begin(r, 22, nullptr);
    Suspension moved(std::move(a));  // the hold goes with the value, not resumed
    EXPECT_FALSE(a.holding());
    EXPECT_TRUE(moved.holding());
    moved = Suspension::Begin(r, 33, nullptr);  // a hold still open is resumed first
    EXPECT_EQ(r.heldNow, 2);
    b.End();
    b.End();
    EXPECT_EQ(moved.threadCount(), 1u);
  }  // what is still held goes with its value
  EXPECT_EQ(r.heldNow, 0);
  EXPECT_EQ(r.Take(), (Lines{"suspend 11", "suspend 22", "suspend 33", "resume 11", "resume 22", "resume 33"}));

  // Every way out of the program reaches every open hold through the table.
  ProcessLimitTable t;
  t(1).Add(44, u"", 10, nullptr);
  t(3).Add(55, u"", 10, nullptr);
  LimitPass(t, r, r);
  EXPECT_EQ(t.CountHolding(), 2);
  t.EndEveryHold();
  EXPECT_EQ(r.heldNow, 0);
  EXPECT_EQ(t(1).Active, kVbTrue) << "only the holds end";
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
