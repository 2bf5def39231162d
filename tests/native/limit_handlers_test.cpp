#include <gtest/gtest.h>

#include <array>
#include <map>
#include <tuple>
#include <vector>

#include "fake_rows.h"
#include "limit_dialog/set_percent_actions.h"
#include "main_window/limit_command.h"
#include "limit_dialog/process_rows.h"
#include "main_window/limit_reconciliation.h"

namespace tovrel {
namespace {

using test::FakeRows;

TEST(Reconcile, WritesThePercentageOnEveryMatchingRowAndDropsEndedProcesses) {
  ProcessLimitTable t;
  t(1) = {kVbTrue, 100, 50, u"a"};
  t(2) = {kVbTrue, 200, 30, u"b"};  // no longer listed
  t(3) = {kVbFalse, 300, 70, u"c"};  // inactive: never written
  FakeRows rows;
  rows.Add(u"100", u"a.exe");
  rows.Add(u"300", u"c.exe");
  rows.Add(u"100", u"a.exe");
  ReconcileLimits(t, rows);
  EXPECT_EQ(rows.SubItem(1, kSubPercent), u"50%");
  EXPECT_EQ(rows.SubItem(3, kSubPercent), u"50%");
  EXPECT_EQ(rows.SubItem(2, kSubPercent), u"");
  EXPECT_EQ(t(1).Active, kVbTrue);
  EXPECT_EQ(t(2).Active, kVbFalse);
  EXPECT_EQ(t(2).ProcessId, 200);  // turning off changes Active only
  EXPECT_EQ(t(2).CpuPercent, 30);
}

TEST(Reconcile, AReusedProcessIdInheritsTheLimit) {
  ProcessLimitTable t;
  t(1) = {kVbTrue, 4242, 10, u"old.exe"};
  FakeRows rows;
  rows.Add(u"4242", u"new.exe");
  ReconcileLimits(t, rows);
  EXPECT_EQ(rows.SubItem(1, kSubPercent), u"10%");
  EXPECT_EQ(t(1).Active, kVbTrue);
}

TEST(NumericValue, ReadsTheLeadingNumber) {
  EXPECT_EQ(NumericValue(u"1234"), 1234.0);
  EXPECT_EQ(NumericValue(u"  56abc"), 56.0);
  EXPECT_EQ(NumericValue(u"-7"), -7.0);
  EXPECT_EQ(NumericValue(u""), 0.0);
  EXPECT_EQ(NumericValue(u"x1"), 0.0);
  EXPECT_EQ(ToInt32(u"2147483647"), 2147483647);
  EXPECT_THROW(ToInt32(u"2147483648"), RunTimeError);
  EXPECT_THROW(ToInt32(u"abc"), RunTimeError);
}

// A process held open by a limit; the test sees whether anything still holds it.
struct HeldOpen : LimitedProcess {};

struct DialogFixture : ::testing::Test {
  ProcessLimitTable t;
  FakeRows rows;
  std::vector<std::int32_t> opened;
  std::map<std::int32_t, LimitRefusal> refused;
  std::vector<std::u16string> warnings;
  ProcessOpener open = [this](std::int32_t pid) {
    opened.push_back(pid);
    if (refused.count(pid)) return OpenedProcess{nullptr, refused[pid]};
    return OpenedProcess{std::make_shared<HeldOpen>()};
  };
  Warning warn = [this](const std::u16string& text, const std::u16string& title) {
    warnings.push_back(text + u"|" + title);
  };
  void SetUp() override {
    rows.Add(u"500", u"busy.exe", u"");
    rows.Add(u"600", u"other.exe", u"");
  }
};

TEST_F(DialogFixture, OkFillsTheFirstFreeEntryAndTheSelectedRow) {
  t(1) = {kVbTrue, 1, 20, u"x"};
  rows.selected = 2;
  EXPECT_TRUE(CommandOK_Click(t, {u"600", u"c:\\other.exe", 40}, rows, open, warn));
  EXPECT_EQ(t(2).Active, kVbTrue);
  EXPECT_EQ(t(2).ProcessId, 600);
  EXPECT_EQ(t(2).ImagePath, u"c:\\other.exe");
  EXPECT_EQ(t(2).CpuPercent, 40);
  EXPECT_EQ(t(3).Active, kVbFalse);
  EXPECT_EQ(rows.SubItem(2, kSubPercent), u"40%");
  EXPECT_EQ(rows.SubItem(1, kSubPercent), u"");
}

TEST_F(DialogFixture, TheProcessIsHeldWhileItsLimitIsActiveAndLetGoWhenItIsTurnedOff) {
  rows.selected = 1;
  ASSERT_TRUE(CommandOK_Click(t, {u"500", u"p", 40}, rows, open, warn));
  EXPECT_EQ(opened, std::vector<std::int32_t>{500});
  std::weak_ptr<const LimitedProcess> first = t(1).Process;
  EXPECT_FALSE(first.expired());
  CommandFree_Click(t, {u"500", u"p", 40}, rows);
  EXPECT_TRUE(first.expired()) << "a released limit still holds its process";

  // Reused by a later add: the new process, and a schedule that starts afresh.
  t(1).CycleLength = LimitTime(5000);
  ASSERT_TRUE(CommandOK_Click(t, {u"600", u"q", 30}, rows, open, warn));
  EXPECT_FALSE(t(1).Started());
  std::weak_ptr<const LimitedProcess> second = t(1).Process;
  EXPECT_FALSE(second.expired());
  ReconcileLimits(t, rows);  // 600 is still listed: kept
  EXPECT_FALSE(second.expired());
  rows.rows.erase(rows.rows.begin() + 1);
  ReconcileLimits(t, rows);  // 600 has ended
  EXPECT_EQ(t(1).Active, kVbFalse);
  EXPECT_TRUE(second.expired()) << "a limit dropped by the refresh still holds its process";
}

TEST_F(DialogFixture, OkThatCannotStoreALimitChangesNothing) {
  // A process that cannot be held (it ended while the dialog was open): the notice says
  // so, no entry is used, the row stays empty.
  rows.selected = 1;
  refused[500] = LimitRefusal::kEnded;
  EXPECT_FALSE(CommandOK_Click(t, {u"500", u"p", 40}, rows, open, warn));
  EXPECT_EQ(warnings, std::vector<std::u16string>{u"该进程已经结束，请刷新列表。|提示"});
  EXPECT_EQ(rows.SubItem(1, kSubPercent), u"");
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(t(i).Active, kVbFalse);
  EXPECT_EQ(t(1).ProcessId, 0);

  for (int i = 1; i <= 3; ++i) t(i) = {kVbTrue, i, 20, u"x"};
  opened.clear();
  EXPECT_FALSE(CommandOK_Click(t, {u"600", u"p", 40}, rows, open, warn));
  EXPECT_TRUE(opened.empty()) << "nothing to hold without a free entry";
  EXPECT_EQ(rows.SubItem(1, kSubPercent), u"");
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(t(i).ProcessId, i);
}

TEST_F(DialogFixture, ModifyAndFreeTakeTheFirstEntryWithTheIdActiveOrNot) {
  t(1) = {kVbFalse, 500, 10, u"old"};
  t(2) = {kVbTrue, 500, 50, u"cur"};
  rows.selected = 1;
  CommandModify_Click(t, {u"500", u"p", 70}, rows);
  EXPECT_EQ(t(1).CpuPercent, 70);
  EXPECT_EQ(t(2).CpuPercent, 50);
  EXPECT_EQ(rows.SubItem(1, kSubPercent), u"70%");

  t(1).Active = kVbTrue;
  CommandFree_Click(t, {u"500", u"p", 70}, rows);
  EXPECT_EQ(t(1).Active, kVbFalse);
  EXPECT_EQ(t(1).ProcessId, 500);  // the freed entry keeps its id
  EXPECT_EQ(t(2).Active, kVbTrue);
  EXPECT_EQ(rows.SubItem(1, kSubPercent), u"");
}

TEST_F(DialogFixture, ChangeModeOnAnIdInNoEntryWritesTheColumnAndKeepsTheTable) {
  t(1) = {kVbTrue, 42, 10, u"x"};
  auto fields = [&](int i) { return std::tuple(t(i).Active, t(i).ProcessId, t(i).CpuPercent); };
  const std::array before{fields(1), fields(2), fields(3)};
  rows.selected = 1;
  CommandModify_Click(t, {u"500", u"p", 33}, rows);
  EXPECT_EQ(rows.SubItem(1, kSubPercent), u"33%");
  CommandFree_Click(t, {u"500", u"p", 33}, rows);
  EXPECT_EQ(rows.SubItem(1, kSubPercent), u"");
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(fields(i), before[static_cast<std::size_t>(i - 1)]) << "entry " << i;
}

// Records what the command does to the dialog.
struct FakeDialog : LimitDialogPort {
  void SetSliderValue(std::int32_t v) override { sliderValues.push_back(v); }
  void SetChangeMode(bool c) override { changeMode = c; }
  void SetProcess(const std::u16string& p, const std::u16string& path) override {
    pidText = p;
    this->path = path;
  }
  void ShowModal() override { ++shown; }
  std::vector<std::int32_t> sliderValues;
  int changeMode = -1;
  std::u16string pidText, path;
  int shown = 0;
};

struct CommandFixture : ::testing::Test {
  ProcessLimitTable t;
  FakeRows rows;
  FakeDialog dialog;
  std::vector<std::u16string> warnings;
  std::map<std::int32_t, LimitRefusal> refused;
  int yields = 0;
  LimitCommandServices services{
      [this] { ++yields; },
      [](std::int32_t pid, const std::u16string& exe) {
        return u"c:\\apps\\" + exe + u"-" + PercentText(pid);  // marks what was asked
      },
      [this](const std::u16string& text, const std::u16string& title) { warnings.push_back(text + u"|" + title); },
      [this](std::int32_t pid) { return refused.count(pid) ? refused[pid] : LimitRefusal::kNone; }};
};

TEST_F(CommandFixture, DoesNothingOnAnEmptyList) {
  CommandLimit_Click(rows, t, dialog, services);
  EXPECT_EQ(dialog.shown, 0);
  EXPECT_TRUE(dialog.sliderValues.empty());
}

TEST_F(CommandFixture, AddModeStartsAt99WithTheRowsPidAndAFreshPath) {
  rows.Add(u"0700", u"busy.exe");
  CommandLimit_Click(rows, t, dialog, services);
  EXPECT_EQ(dialog.shown, 1);
  EXPECT_EQ(dialog.changeMode, 0);
  EXPECT_EQ(dialog.sliderValues, std::vector<std::int32_t>{99});
  EXPECT_EQ(dialog.pidText, u"0700");  // exactly as the row shows it
  EXPECT_EQ(dialog.path, u"c:\\apps\\busy.exe-700%");
  EXPECT_EQ(yields, 6);  // before and after each of the three tests
}

TEST_F(CommandFixture, RefusesAFourthLimitOrAProcessThatCannotBeHeldAndChangesNothing) {
  rows.Add(u"900", u"busy.exe");
  rows.Add(u"4", u"services.exe");
  refused[4] = LimitRefusal::kCritical;
  refused[900] = LimitRefusal::kTovrel;
  rows.selected = 2;
  CommandLimit_Click(rows, t, dialog, services);
  rows.selected = 1;
  CommandLimit_Click(rows, t, dialog, services);
  refused[900] = LimitRefusal::kNoAccess;
  CommandLimit_Click(rows, t, dialog, services);
  // The fourth limit's notice comes first: no question is asked of the process then.
  for (int i = 1; i <= 3; ++i) t(i) = {kVbTrue, i, 50, u"x"};
  CommandLimit_Click(rows, t, dialog, services);
  EXPECT_EQ(warnings, (std::vector<std::u16string>{u"无法限制该进程：这是系统关键进程。|提示",
                                                  u"无法限制 Tovrel 自身。|提示",
                                                  u"无法限制该进程：没有足够的权限。|提示",
                                                  u"为了系统稳定性考虑，只允许限制3个进程。|提示"}));
  EXPECT_EQ(dialog.shown, 0);
  EXPECT_EQ(rows.SubItem(1, kSubPercent), u"");
  EXPECT_EQ(rows.SubItem(2, kSubPercent), u"");
  EXPECT_EQ(t.CountActive(), 3);
  // A change is never refused.
  rows.SetSubItem(2, kSubPercent, u"50%");
  rows.selected = 2;
  CommandLimit_Click(rows, t, dialog, services);
  EXPECT_EQ(dialog.shown, 1);
}

TEST_F(CommandFixture, ARowWithAPercentageOpensChangeModeEvenWithThreeLimits) {
  for (int i = 1; i <= 3; ++i) t(i) = {kVbTrue, 100 + i, 10 * i, u"x"};
  rows.Add(u"102", u"busy.exe", u"20%");
  CommandLimit_Click(rows, t, dialog, services);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(dialog.changeMode, 1);
  EXPECT_EQ(dialog.sliderValues, (std::vector<std::int32_t>{99, 20}));
  EXPECT_EQ(dialog.shown, 1);
}

TEST_F(CommandFixture, ChangeModeWithNoMatchingEntryKeepsTheSliderAt99) {
  t(1) = {kVbTrue, 1, 10, u"x"};
  rows.Add(u"555", u"busy.exe", u"40%");
  CommandLimit_Click(rows, t, dialog, services);
  EXPECT_EQ(dialog.changeMode, 1);
  EXPECT_EQ(dialog.sliderValues, std::vector<std::int32_t>{99});
}

TEST_F(CommandFixture, RowsWithoutASelectionDoNothing) {
  rows.Add(u"555", u"busy.exe");
  rows.selected = 0;
  CommandLimit_Click(rows, t, dialog, services);
  EXPECT_EQ(dialog.shown, 0);
}

}  // namespace
}  // namespace tovrel
