#include "throttling/limit_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
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
    const int count = threadsOf.count(pid) ? threadsOf[pid] : 1;
    for (int i = 0; i < count; ++i) s.threads.push_back({static_cast<std::uint32_t>(pid) * 10 + i});
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
  int Processors() override { return processors; }

  // The lines logged since the last call.
  std::vector<std::string> Take() { return std::exchange(log, {}); }
  void At(int ms) { now = milliseconds(ms); }

  std::vector<std::string> log;
  int heldNow = 0;
  int maxHeldAtOnce = 0;
  LimitTime now{0};
  LimitTime suspensionTakes{0};  // how long a process takes to stop
  int processors = 1;
  std::map<std::int32_t, int> threadsOf;  // threads each process has; one unless told
};

using Lines = std::vector<std::string>;

LimitTime Us(long long us) { return LimitTime(us); }

// Moves the clock to `at`, runs a pass, and tells what it did.
Lines PassAt(Recorder& r, ProcessLimitTable& t, LimitTime at) {
  r.now = at;
  LimitPass(t, r, r);
  return r.Take();
}

TEST(LimitSchedule, LimitsRunInTurnAndALateOneTakesItsPlaceWithinItsFirstCycle) {
  Recorder r;
  ProcessLimitTable t;
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), Lines{"arm none"}) << "woke up for no limit at all";

  // The first limit holds at once, for its whole (100 - p) x 3 ms.
  t(1).Add(11, u"", 50, nullptr);  // stopped 150 ms, runs 150
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 11", "arm 150"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(20)), Lines{"arm 150"});  // woke early: nothing is served
  EXPECT_EQ(PassAt(r, t, milliseconds(150)), (Lines{"resume 11", "arm 300"}));

  // Added at 200 to run right after entry 1 (from 300): held at once, and until its place
  // (390) hold and run are shortened alike, 210/300 and 90/300 of the 190 ms left.
  r.At(200);
  t(2).Add(22, u"", 30, nullptr);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 22", "arm 300"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(300)), (Lines{"suspend 11", "arm 333"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(333)), (Lines{"resume 22", "arm 390"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(390)), (Lines{"suspend 22", "arm 450"}));
  // One added when the last run ends takes its place at once, with a whole cycle.
  r.At(420);
  t(3).Add(33, u"", 10, nullptr);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 33", "arm 450"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(450)), (Lines{"resume 11", "arm 600"}));

  // From now on they run one after another (one processor), and one wake ends one hold
  // and begins the next: four wakes a cycle for three limits. Slow stops do not move the turn.
  r.suspensionTakes = Us(300);
  for (int cycle = 0; cycle < 2; ++cycle) {
    const int at = 600 + 300 * cycle;
    EXPECT_EQ(PassAt(r, t, milliseconds(at)), (Lines{"suspend 11", "resume 22", "arm " + std::to_string(at + 90)}));
    EXPECT_EQ(PassAt(r, t, milliseconds(at + 90)),
              (Lines{"suspend 22", "resume 33", "arm " + std::to_string(at + 120)}));
    EXPECT_EQ(PassAt(r, t, milliseconds(at + 120)), (Lines{"suspend 33", "arm " + std::to_string(at + 150)}));
    EXPECT_EQ(PassAt(r, t, milliseconds(at + 150)), (Lines{"resume 11", "arm " + std::to_string(at + 300)}));
  }
  EXPECT_EQ(r.maxHeldAtOnce, 3);

  // A change moves its own hold's end only; a release keeps the others' time.
  r.suspensionTakes = Us(0);
  EXPECT_EQ(PassAt(r, t, milliseconds(1200)), (Lines{"suspend 11", "resume 22", "arm 1290"}));
  r.At(1210);
  t(1).CpuPercent = 80;  // its hold ends at 1260 instead of 1350
  EXPECT_EQ(PassAt(r, t, milliseconds(1260)), (Lines{"resume 11", "arm 1290"}));
  r.At(1270);
  t(2).TurnOff();
  EXPECT_EQ(PassAt(r, t, milliseconds(1290)), (Lines{"resume 33", "arm 1320"}));
  // A release during a hold resumes before the handler returns, with no pass at all.
  EXPECT_EQ(PassAt(r, t, milliseconds(1320)), (Lines{"suspend 33", "arm 1500"}));
  r.At(1330);
  t(3).TurnOff();
  EXPECT_EQ(r.Take(), Lines{"resume 33"});
  EXPECT_EQ(NextDue(t, r.now), milliseconds(1500));

  // A pass more than a cycle late keeps the limit's place in the turn (200 ms into each).
  EXPECT_EQ(PassAt(r, t, milliseconds(2150)), (Lines{"suspend 11", "arm 2160"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(2160)), (Lines{"resume 11", "arm 2400"}));

  // With no limit left the turn is over: the next add starts one of its own, held whole.
  t(1).TurnOff();
  r.At(3000);
  t(2).Add(44, u"", 10, nullptr);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 44", "arm 3270"}));
  t.Clear();
  EXPECT_EQ(PassAt(r, t, milliseconds(3280)), (Lines{"resume 44", "arm none"}));
}

// Where two threads may run at once, a single-threaded process runs with the one added
// before it and the next after them: three at one percentage wake Tovrel three times a
// cycle, never more than two running at once. One added after a release runs with the
// last to join.
TEST(LimitSchedule, WhereTwoMayRunAtOnceTwoRunTogetherAndTheThirdAfterThem) {
  Recorder r;
  r.processors = 2;
  ProcessLimitTable t;
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) t(i).Add(11 * i, u"", 10, nullptr);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 11", "suspend 22", "suspend 33", "arm 27"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(27)), (Lines{"resume 33", "arm 30"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(30)), (Lines{"suspend 33", "arm 270"}));
  for (int at = 270; at < 600; at += 300) {
    EXPECT_EQ(PassAt(r, t, milliseconds(at)), (Lines{"resume 11", "resume 22", "arm " + std::to_string(at + 30)}));
    EXPECT_EQ(r.heldNow, 1);
    EXPECT_EQ(PassAt(r, t, milliseconds(at + 30)),
              (Lines{"suspend 11", "suspend 22", "resume 33", "arm " + std::to_string(at + 60)}));
    EXPECT_EQ(PassAt(r, t, milliseconds(at + 60)), (Lines{"suspend 33", "arm " + std::to_string(at + 300)}));
  }
  r.At(640);
  t(2).TurnOff();
  r.At(650);
  t(2).Add(44, u"", 10, nullptr);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"resume 22", "suspend 44", "arm 870"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(870)), (Lines{"resume 11", "arm 900"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(900)), (Lines{"suspend 11", "resume 33", "arm 902"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(902)), (Lines{"resume 44", "arm 930"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(930)), (Lines{"suspend 44", "suspend 33", "arm 1170"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(1170)), (Lines{"resume 11", "arm 1200"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(1200)), (Lines{"suspend 11", "resume 44", "resume 33", "arm 1230"}));
  t.Clear();
  r.Take();

  // A process with two threads takes both places: the next runs after it.
  r.threadsOf[55] = 2;
  r.At(2000);
  t(1).Add(55, u"", 10, nullptr);
  t(2).Add(66, u"", 10, nullptr);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 55", "suspend 66", "arm 2027"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(2027)), (Lines{"resume 66", "arm 2030"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(2030)), (Lines{"suspend 66", "arm 2270"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(2270)), (Lines{"resume 55", "arm 2300"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(2300)), (Lines{"suspend 55", "resume 66", "arm 2330"}));
  t.Clear();
}

// Long work (a refresh, the shell), the guard's restart, the timer's end and whatever ends
// the program all go through the table's EndEveryHold: whichever entries hold, all resume,
// and the turn goes on after it.
TEST(LimitSchedule, EveryWayOfEndingAllHoldsResumesEveryEntry) {
  Recorder r;
  ProcessLimitTable t;
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i) t(i).Add(11 * i, u"", 10, nullptr);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 11", "suspend 22", "suspend 33", "arm 27"}));
  r.At(10);
  t.EndEveryHold();
  EXPECT_EQ(r.Take(), (Lines{"resume 11", "resume 22", "resume 33"}));
  EXPECT_EQ(r.heldNow, 0);
  // The schedule goes on: each runs until its place in the turn.
  EXPECT_EQ(NextDue(t, r.now), milliseconds(30));
  EXPECT_EQ(PassAt(r, t, milliseconds(30)), (Lines{"suspend 22", "arm 60"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(60)), (Lines{"suspend 33", "arm 300"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(300)), (Lines{"suspend 11", "resume 22", "arm 330"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(330)), (Lines{"suspend 22", "resume 33", "arm 360"}));
  EXPECT_EQ(PassAt(r, t, milliseconds(360)), (Lines{"suspend 33", "arm 570"}));

  r.At(400);
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
    SuspendedThreads SuspendAllThreads(std::int32_t pid, std::shared_ptr<const LimitedProcess> process) override {
      if (pid == 11) throw RunTimeError(7);
      return Recorder::SuspendAllThreads(pid, std::move(process));
    }
  } r;
  ProcessLimitTable t;
  t(2).Add(22, u"", 50, nullptr);
  LimitPass(t, r, r);
  EXPECT_EQ(r.Take(), (Lines{"suspend 22", "arm 150"}));
  // Its hold ends when another cannot begin in the same wake.
  t(1).Add(11, u"", 50, nullptr);
  r.At(150);
  EXPECT_THROW(LimitPass(t, r, r), RunTimeError);
  EXPECT_EQ(r.Take(), (Lines{"resume 22", "arm 150"}));  // still due: tried again at once
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
