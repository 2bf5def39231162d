// FormSetProcessCpuPercent: the modal dialog that adds, changes or removes one limit.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "limit_dialog/limit_dialog_port.h"
#include "limit_dialog/set_percent_actions.h"
#include "platform/controls_win.h"
#include "platform/form_win.h"
#include "platform/picture_win.h"
#include "resources/texts.h"
#include "throttling/process_limits.h"

namespace tovrel {

namespace win {
class CommandWindow;
}

// Control ids, also how tests find the controls.
enum DialogControl : int {
  kDialogLabel1 = 200,
  kLabelProcessPath,
  kDialogLabel2,
  kLabelProcessPid,
  kDialogLabel3,
  kSliderPercent,
  kLabelPercent,
  kCommandModify,
  kCommandFree,
  kCommandCancel,
  kCommandOk,
  kImageProcessIco,
};

// What the dialog needs of the window that opens it.
struct DialogServices {
  HICON bigIcon = nullptr;  // the window's icons
  HICON smallIcon = nullptr;
  // Holds the process of a new limit open (CommandOK).
  ProcessOpener open;
  // The large icon of a path, for ImageProcessIco.
  std::function<win::Picture(const std::u16string& path)> largeIcon;
  // After a button changed the table: the limiting schedule takes the change at once.
  std::function<void()> limitsChanged;
};

class FormSetProcessCpuPercent : public win::Form, public LimitDialogPort {
 public:
  // Loaded hidden with its design-time values; the buttons write limits and rows.
  FormSetProcessCpuPercent(HWND owner, ProcessLimitTable& limits, ProcessRows& rows, DialogServices services);
  ~FormSetProcessCpuPercent() override;

  void SetSliderValue(std::int32_t value) override;
  void SetChangeMode(bool change) override;
  void SetProcess(const std::u16string& pidText, const std::u16string& path) override;
  void ShowModal() override;

  bool loaded() const { return hwnd() != nullptr; }
  win::Slider& SliderPercent() { return slider_; }
  std::u16string LabelPercentText() const { return labelPercent_.Text(); }
  void CommandOK_Click();
  void CommandModify_Click();
  void CommandFree_Click();
  void CommandCancel_Click();

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void CreateControls();
  void Layout() override;
  void SliderPercent_Change();
  DialogValues Values() const;
  void LimitsChanged();
  void Unload();

  HWND owner_;
  ProcessLimitTable& limits_;
  ProcessRows& rows_;
  DialogServices services_;
  win::Label label1_, labelProcessPath_, label2_, labelProcessPid_, label3_, labelPercent_;
  HWND imageProcessIco_ = nullptr;
  win::Picture icon_;
  win::Slider slider_;
  win::CommandWindow* commandModify_ = nullptr;
  win::CommandWindow* commandFree_ = nullptr;
  win::CommandWindow* commandCancel_ = nullptr;
  win::CommandWindow* commandOk_ = nullptr;
};

}  // namespace tovrel
