#include "limit_dialog/form_set_percent_win.h"

#include <gtest/gtest.h>

#include "main_window/form_main_win.h"
#include "platform/message_loop_win.h"

namespace tovrel {
namespace {

const DialogServices NoProcess{nullptr, nullptr, [](std::int32_t) { return OpenedProcess{}; }, {}};

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProcessLimits().Clear();
    form.Load();
    ASSERT_GT(form.ListViewProcesses().Count(), 0);
    ProcessLimits()(1) = {kVbTrue, 4242, 30, u"c:\\x.exe"};
    form.ListViewProcesses().SetSubItem(1, kSubPercent, u"30%");
  }
  void TearDown() override { ProcessLimits().Clear(); }

  void ExpectNothingChanged() {
    EXPECT_EQ(ProcessLimits()(1).Active, kVbTrue);
    EXPECT_EQ(ProcessLimits()(1).CpuPercent, 30);
    EXPECT_EQ(ProcessLimits()(2).Active, kVbFalse);
    EXPECT_EQ(form.ListViewProcesses().SubItem(1, kSubPercent), u"30%");
  }

  FormMain form;
};

TEST_F(DialogTest, TheSliderRunsFrom1To99AndItsLabelFollowsEveryChange) {
  FormSetProcessCpuPercent dialog(form.hwnd(), ProcessLimits(), form.ListViewProcesses(), NoProcess);
  EXPECT_EQ(dialog.LabelPercentText(), u"99");
  dialog.SetSliderValue(50);  // set by code: the label follows too
  EXPECT_EQ(dialog.LabelPercentText(), u"50");
  dialog.SetSliderValue(0);
  EXPECT_EQ(dialog.SliderPercent().Value(), 1);
  EXPECT_EQ(dialog.LabelPercentText(), u"1");
  dialog.SetSliderValue(100);
  EXPECT_EQ(dialog.SliderPercent().Value(), 99);
  EXPECT_EQ(dialog.LabelPercentText(), u"99");
  // A user's key on the slider.
  ::SendMessageW(dialog.SliderPercent().hwnd(), WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(dialog.LabelPercentText(), u"98");
}

TEST_F(DialogTest, CancelAndTheCloseButtonUnloadWithoutChangingAnything) {
  {
    FormSetProcessCpuPercent dialog(form.hwnd(), ProcessLimits(), form.ListViewProcesses(), NoProcess);
    dialog.SetChangeMode(false);
    dialog.SetProcess(u"4242", u"c:\\x.exe");
    dialog.SetSliderValue(10);
    dialog.CommandCancel_Click();
    EXPECT_FALSE(dialog.loaded());
  }
  ExpectNothingChanged();
  {
    FormSetProcessCpuPercent dialog(form.hwnd(), ProcessLimits(), form.ListViewProcesses(), NoProcess);
    dialog.SetChangeMode(true);
    dialog.SetProcess(u"4242", u"c:\\x.exe");
    dialog.SetSliderValue(70);
    ::SendMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(dialog.loaded());
  }
  ExpectNothingChanged();
  EXPECT_TRUE(::IsWindowEnabled(form.hwnd()));
}

TEST_F(DialogTest, ChangeModeButtonsWriteTheEntryAndTheSelectedRow) {
  form.ListViewProcesses().SelectRow(1);
  {
    FormSetProcessCpuPercent dialog(form.hwnd(), ProcessLimits(), form.ListViewProcesses(), NoProcess);
    dialog.SetProcess(u"4242", u"c:\\x.exe");
    dialog.SetSliderValue(70);
    dialog.CommandModify_Click();
    EXPECT_FALSE(dialog.loaded());
  }
  EXPECT_EQ(ProcessLimits()(1).CpuPercent, 70);
  EXPECT_EQ(form.ListViewProcesses().SubItem(1, kSubPercent), u"70%");
  {
    FormSetProcessCpuPercent dialog(form.hwnd(), ProcessLimits(), form.ListViewProcesses(), NoProcess);
    dialog.SetProcess(u"4242", u"c:\\x.exe");
    dialog.CommandFree_Click();
  }
  EXPECT_EQ(ProcessLimits()(1).Active, kVbFalse);
  EXPECT_EQ(ProcessLimits()(1).ProcessId, 4242);
  EXPECT_EQ(form.ListViewProcesses().SubItem(1, kSubPercent), u"");
}

}  // namespace
}  // namespace tovrel
