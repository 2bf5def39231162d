#include "limit_dialog/form_set_percent_win.h"

#include "button_control/button_layout.h"
#include "button_control/command_window_win.h"
#include "limit_dialog/set_percent_actions.h"
#include "platform/message_loop_win.h"

namespace tovrel {

namespace {

constexpr wchar_t kClassName[] = L"Tovrel.FormSetProcessCpuPercent";

using win::TwipRect;

constexpr TwipRect kLabel1Rect{1170, 1560, 540, 180};
constexpr TwipRect kLabelProcessPathRect{1920, 1560, 4770, 420};
constexpr TwipRect kLabel2Rect{1260, 960, 450, 180};
constexpr TwipRect kLabelProcessPidRect{1920, 960, 4770, 420};
constexpr TwipRect kImageProcessIcoRect{360, 1080, 615, 615};
constexpr TwipRect kLabel3Rect{360, 2280, 1350, 180};
constexpr TwipRect kSliderPercentRect{1920, 2160, 4815, 615};
constexpr TwipRect kLabelPercentRect{6960, 2160, 615, 495};
constexpr TwipRect kCommandModifyRect{2280, 3480, 1335, 495};
constexpr TwipRect kCommandFreeRect{3840, 3480, 1335, 495};
constexpr TwipRect kCommandCancelRect{3840, 4080, 1335, 495};
constexpr TwipRect kCommandOkRect{2280, 4080, 1335, 495};
constexpr int kClientWidthTwips = 7830;
constexpr int kClientHeightTwips = 4935;
constexpr int kSliderMinimum = 1;
constexpr int kSliderMaximum = 99;
constexpr win::FontLook kFont{};
constexpr win::FontLook kPercentFont{.points = 12, .weight = FW_BOLD};

}  // namespace

FormSetProcessCpuPercent::FormSetProcessCpuPercent(HWND owner, ProcessLimitTable& limits, ProcessRows& rows,
                                                   DialogServices services)
    : owner_(owner), limits_(limits), rows_(rows), services_(std::move(services)) {
  const HICON bigIcon = services_.bigIcon, smallIcon = services_.smallIcon;
  RegisterClassOnce(kClassName, bigIcon, smallIcon);
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  CreateWindowFor(kClassName, win::Wide(kDialogTitle).c_str(), style, exStyle, 0, 0, 100, 100, owner, nullptr);
  ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
  RECT ownerRect{};
  ::GetWindowRect(owner, &ownerRect);
  SizeAndCentre(kClientWidthTwips, kClientHeightTwips, ownerRect);
  CreateControls();
}

FormSetProcessCpuPercent::~FormSetProcessCpuPercent() {
  if (::IsWindowEnabled(owner_) == FALSE) ::EnableWindow(owner_, TRUE);
}

void FormSetProcessCpuPercent::CreateControls() {
  HWND self = hwnd();
  const RECT none{0, 0, 0, 0};
  // Created in tab order; Layout places them.
  label1_.Create(self, kDialogLabel1, kPathCaption, none, nullptr);
  labelProcessPath_.Create(self, kLabelProcessPath, u"", none, nullptr);
  label2_.Create(self, kDialogLabel2, kPidCaption, none, nullptr);
  labelProcessPid_.Create(self, kLabelProcessPid, u"", none, nullptr);
  label3_.Create(self, kDialogLabel3, kSliderCaption, none, nullptr);
  slider_.Create(self, kSliderPercent, none, kSliderMinimum, kSliderMaximum);
  // Named by the label just before it, which is how the system names a slider; its
  // window text says the same for whatever reads that instead.
  ::SetWindowTextW(slider_.hwnd(), win::Wide(kSliderCaption).c_str());
  slider_.Change = [this] { SliderPercent_Change(); };
  labelPercent_.Create(self, kLabelPercent, u"99", none, nullptr);

  const Font buttonFont;
  auto make = [&](int id, const TwipRect& r, const std::u16string& caption, const char16_t* name) {
    return win::CommandWindow::Create(self, id, win::Pixels(r, dpi()),
                                      ButtonLayoutData(r.width, r.height, buttonFont, caption), name);
  };
  commandModify_ = make(kCommandModify, kCommandModifyRect, kModifyCaption, u"CommandModify");
  commandFree_ = make(kCommandFree, kCommandFreeRect, kFreeCaption, u"CommandFree");
  commandCancel_ = make(kCommandCancel, kCommandCancelRect, kCancelCaption, u"CommandCancel");
  commandOk_ = make(kCommandOk, kCommandOkRect, kOkCaption, u"CommandOK");
  commandModify_->command.events.Click = [this] { CommandModify_Click(); };
  commandFree_->command.events.Click = [this] { CommandFree_Click(); };
  commandCancel_->command.events.Click = [this] { CommandCancel_Click(); };
  commandOk_->command.events.Click = [this] { CommandOK_Click(); };

  imageProcessIco_ =
      win::CreateChild(L"STATIC", L"", SS_ICON | SS_CENTERIMAGE | SS_REALSIZECONTROL, 0, self, kImageProcessIco, none);
  Layout();
  // The design-time value matches the label's "99".
  slider_.SetValue(99);
}

void FormSetProcessCpuPercent::Layout() {
  Place({{label1_.hwnd(), kLabel1Rect, kFont, Fit::kGrowToText},
         {labelProcessPath_.hwnd(), kLabelProcessPathRect, kFont},
         {label2_.hwnd(), kLabel2Rect, kFont, Fit::kGrowToText},
         {labelProcessPid_.hwnd(), kLabelProcessPidRect, kFont},
         {label3_.hwnd(), kLabel3Rect, kFont, Fit::kGrowToText},
         {slider_.hwnd(), kSliderPercentRect},
         {labelPercent_.hwnd(), kLabelPercentRect, kPercentFont},
         {commandModify_->hwnd(), kCommandModifyRect},
         {commandFree_->hwnd(), kCommandFreeRect},
         {commandCancel_->hwnd(), kCommandCancelRect},
         {commandOk_->hwnd(), kCommandOkRect},
         {imageProcessIco_, kImageProcessIcoRect}});
}

void FormSetProcessCpuPercent::SetSliderValue(std::int32_t value) { slider_.SetValue(value); }

void FormSetProcessCpuPercent::SetChangeMode(bool change) {
  ::ShowWindow(commandModify_->hwnd(), change ? SW_SHOW : SW_HIDE);
  ::ShowWindow(commandFree_->hwnd(), change ? SW_SHOW : SW_HIDE);
  ::ShowWindow(commandCancel_->hwnd(), change ? SW_HIDE : SW_SHOW);
  ::ShowWindow(commandOk_->hwnd(), change ? SW_HIDE : SW_SHOW);
}

void FormSetProcessCpuPercent::SetProcess(const std::u16string& pidText, const std::u16string& path) {
  labelProcessPid_.SetText(pidText);
  labelProcessPath_.SetText(path);
  icon_ = services_.largeIcon ? services_.largeIcon(path) : win::Picture();
  ::SendMessageW(imageProcessIco_, STM_SETICON, reinterpret_cast<WPARAM>(icon_.icon()), 0);
}

void FormSetProcessCpuPercent::ShowModal() {
  if (!hwnd()) return;
  // Shown before the owner is disabled, as a dialog box is: the owner is deactivated while
  // its control still has the focus, and gets it back when it is active again. The dialog
  // itself starts on its first tab stop when it is activated.
  ::ShowWindow(hwnd(), SW_SHOW);
  ::SetForegroundWindow(hwnd());
  ::EnableWindow(owner_, FALSE);
  // The limiting schedule keeps its time while the dialog is open; a WM_QUIT is for the
  // outer loop.
  if (const std::optional<int> code = win::Pump(true, [this] { return !hwnd(); })) ::PostQuitMessage(*code);
  ::EnableWindow(owner_, TRUE);
  ::SetActiveWindow(owner_);
}

void FormSetProcessCpuPercent::SliderPercent_Change() { labelPercent_.SetText(DecimalText(slider_.Value())); }

DialogValues FormSetProcessCpuPercent::Values() const {
  return DialogValues{labelProcessPid_.Text(), labelProcessPath_.Text(), slider_.Value()};
}

void FormSetProcessCpuPercent::CommandOK_Click() {
  // A refusal is the dialog's own notice; the dialog then closes as after a cancel.
  tovrel::CommandOK_Click(limits_, Values(), rows_, services_.open,
                          [this](const std::u16string& text, const std::u16string& title) {
                            win::ShowMessage(hwnd(), text, title, MB_OK | MB_ICONEXCLAMATION);
                          });
  LimitsChanged();
  Unload();
}

void FormSetProcessCpuPercent::CommandModify_Click() {
  tovrel::CommandModify_Click(limits_, Values(), rows_);
  LimitsChanged();
  Unload();
}

void FormSetProcessCpuPercent::CommandFree_Click() {
  tovrel::CommandFree_Click(limits_, Values(), rows_);
  LimitsChanged();
  Unload();
}

void FormSetProcessCpuPercent::LimitsChanged() {
  if (services_.limitsChanged) services_.limitsChanged();
}

void FormSetProcessCpuPercent::CommandCancel_Click() { Unload(); }

void FormSetProcessCpuPercent::Unload() {
  // The owner comes back before this window goes, so activation returns to it.
  ::EnableWindow(owner_, TRUE);
  if (hwnd()) ::DestroyWindow(hwnd());
}

LRESULT FormSetProcessCpuPercent::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lp) == slider_.hwnd()) slider_.OnScroll();
      return 0;
    case WM_CLOSE:
      CommandCancel_Click();
      return 0;
    default:
      break;
  }
  return Form::HandleMessage(msg, wp, lp);
}

}  // namespace tovrel
