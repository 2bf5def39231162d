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

LimitTime Us(long long us) { return LimitTime(us); }

// Moves the clock to `at`, runs a pass, and tells what it did.
Lines PassAt(Recorder& r, ProcessLimitTable& t, LimitTime at) {
  r.now = at;
  LimitPass(t, r, r);
  return r.Take();
}

TEST(LimitSchedule, LimitsShareOneCycleAndALateOneJoinsItWithinItsFirst) {
  Recorder r;
  ProcessLimitTable t;
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), Lines{"arm none"}) << "woke up for no limit at all";

  // Adds start their first holds at once, together; each ends on its own time.
  t(1).Add(11, u"", 50, nullptr);  // stopped 150 ms, runs 150
  t(2).Add(22, u"", 90, nullptr);  // stopped 30 ms, runs 270
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 11", "suspend 22", "arm 30"}));
  EXPECT_EQ(r.heldNow, 2);
  EXPECT_EQ(PassAt(r, t, milliseconds(20)), Lines{"arm 30"});  // woke early: nothing is served
  EXPECT_EQ(PassAt(r, t, milliseconds(30)), (Lines{"resume 22", "arm 150"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(150)), (Lines{"resume 11", "arm 300"}));

  // Added with 100 ms of the cycle left: held at once for 90 % of them, run 10 %, then
  // held with the others.
  r.At(200);
  t(3).Add(33, u"", 10, nullptr);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 33", "arm 290"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(290)), (Lines{"resume 33", "arm 300"}));
  // Every hold begins with one wake, and now lasts its whole (100 - p) x 3 ms.
  r.suspensionTakes = Us(300);  // each process takes 0.3 ms to stop
  EXPECT_EQ(PassAt(r, t, milliseconds(300)), (Lines{"suspend 11", "suspend 22", "suspend 33", "arm 330"}));
  EXPECT_EQ(r.maxHeldAtOnce, 3);

  // A change moves its own end only: entry 3 at 50 now ends with entry 1, with the same
  // wake, though it stopped 0.6 ms later.
  r.At(310);
  t(3).CpuPercent = 50;
  EXPECT_EQ(PassAt(r, t, Us(330'600)), (Lines{"resume 22", "arm 450"}));
  EXPECT_EQ(PassAt(r, t, Us(450'300)), (Lines{"resume 11", "resume 33", "arm 600"}));
  // A release keeps the others' time, and a change during a run waits for the next cycle.
  r.At(460);
  t(1).TurnOff();
  t(2).CpuPercent = 10;
  EXPECT_EQ(NextDue(t, r.now), milliseconds(600));
  r.suspensionTakes = Us(0);
  EXPECT_EQ(PassAt(r, t, milliseconds(600)), (Lines{"suspend 22", "suspend 33", "arm 750"}));
  // A release during a hold resumes before the handler returns, with no pass at all.
  r.At(700);
  t(3).TurnOff();
  EXPECT_EQ(r.Take(), Lines{"resume 33"});
  EXPECT_EQ(NextDue(t, r.now), milliseconds(870));
  t(2).TurnOff();
  EXPECT_EQ(r.Take(), Lines{"resume 22"});

  // With no limit left the cycle is over: the next add starts one of its own, held whole.
  r.At(1000);
  t(1).Add(44, u"", 10, nullptr);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 44", "arm 1270"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(1270)), (Lines{"resume 44", "arm 1300"}));
  t(1).TurnOff();
  EXPECT_EQ(PassAt(r, t, milliseconds(1280)), Lines{"arm none"});

  // Slow stops at 1 %: entry 2's hold outlasts the start of the next holds, so its next
  // follows at once, for what is left until the one after, where it joins entry 1 again.
  r.suspensionTakes = milliseconds(2);
  t(1).Add(55, u"", 1, nullptr);
  t(2).Add(66, u"", 1, nullptr);
  EXPECT_EQ(PassAt(r, t, milliseconds(2000)), (Lines{"suspend 55", "suspend 66", "arm 2299"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(2299)), (Lines{"resume 55", "suspend 55", "arm 2301"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(2301)), (Lines{"resume 66", "suspend 66", "arm 2598"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(2598)),
            (Lines{"resume 55", "resume 66", "suspend 55", "suspend 66", "arm 2897"}));
  t.Clear();
  EXPECT_EQ(PassAt(r, t, milliseconds(2600)), (Lines{"resume 55", "resume 66", "arm none"}));
}

// Long work (a refresh, the shell), the guard's restart and the timer's end go through
// EndEveryHold(table, host); whatever ends the program through the table's own.
TEST(LimitSchedule, EveryWayOfEndingAllHoldsResumesEveryEntry) {
  Recorder r;
  ProcessLimitTable t;
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) t(i).Add(11 * i, u"", 10, nullptr);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 11", "suspend 22", "suspend 33", "arm 270"}));
  r.At(100);
  EndEveryHold(t, r);
  EXPECT_EQ(r.Take(), (Lines{"resume 11", "resume 22", "resume 33"}));
  EXPECT_EQ(r.heldNow, 0);
  // The schedule goes on: they run until the cycle's next holds.
  EXPECT_EQ(NextDue(t, r.now), milliseconds(300));
  EXPECT_EQ(PassAt(r, t, milliseconds(300)), (Lines{"suspend 11", "suspend 22", "suspend 33", "arm 570"}));

  t.EndEveryHold();
  EXPECT_EQ(r.Take(), (Lines{"resume 11", "resume 22", "resume 33"}));
  EXPECT_EQ(r.heldNow, 0);
  EXPECT_EQ(t.CountActive(), 3) << "only the holds end";
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

TEST(LimitSchedule, HoldTimesAreThreeMillisecondsPerPoint) {
  EXPECT_EQ(HoldTime(99), milliseconds(3));
  EXPECT_EQ(HoldTime(50), milliseconds(150));
  EXPECT_EQ(HoldTime(1), milliseconds(297));
  // Out of the slider's range: never negative, overflow is an error.
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
