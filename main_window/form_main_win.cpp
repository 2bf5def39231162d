#include "main_window/form_main_win.h"

#include <shellapi.h>

#include <algorithm>
#include <chrono>

#include "button_control/button_layout.h"
#include "button_control/command_window_win.h"
#include "limit_dialog/form_set_percent_win.h"
#include "main_window/file_icon_win.h"
#include "main_window/limit_command.h"
#include "main_window/limit_reconciliation.h"
#include "main_window/process_list_win.h"
#include "platform/message_loop_win.h"
#include "platform/shell_open_win.h"
#include "resources/resource_ids.h"
#include "throttling/exit_safety_win.h"
#include "throttling/limited_process_win.h"

namespace tovrel {

namespace {

constexpr wchar_t kClassName[] = L"Tovrel.FormMain";

constexpr COLORREF kLinkNormal = 0xFF0000;
constexpr COLORREF kLinkHovered = 0x0000FF;

using win::TwipRect;

// Positions of the controls, in twips.
constexpr TwipRect kListViewRect{720, 1920, 5775, 4455};
constexpr TwipRect kLabel1Rect{1080, 960, 4455, 375};
constexpr TwipRect kLabel2Rect{1080, 240, 1035, 210};
constexpr TwipRect kLabel3Rect{1080, 600, 1530, 180};
constexpr TwipRect kLabelOstrinRect{1080, 1440, 1890, 180};
constexpr TwipRect kCommandRefreshRect{2040, 6720, 1335, 495};
constexpr TwipRect kCommandLimitRect{3600, 6720, 1335, 495};
constexpr TwipRect kImage1Rect{240, 240, 720, 720};
constexpr int kClientWidthTwips = 7320;
constexpr int kClientHeightTwips = 7500;

// Widths of the list's columns, in twips.
constexpr int kColumnWidths[] = {500, 800, 2600, 1600};

constexpr win::FontLook kFont{};
constexpr win::FontLook kProductNameFont{.points = 10.5, .weight = FW_BOLD};
constexpr win::FontLook kLinkHoverFont{.underline = true};

HICON LoadAppIcon(int size) {
  return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TOVREL), IMAGE_ICON,
                                         size, size, LR_DEFAULTCOLOR));
}

// Labels keep the link label's look in their static procedure's mouse moves.
LRESULT CALLBACK LinkLabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
  if (msg == WM_MOUSEMOVE) ::SendMessageW(reinterpret_cast<HWND>(ref), WM_APP, 0, 0);
  if (msg == WM_SETCURSOR) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
  }
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

FormMain::FormMain(Guard* guard) : guard_(guard) {
  bigIcon_.reset(LoadAppIcon(::GetSystemMetrics(SM_CXICON)));
  smallIcon_.reset(LoadAppIcon(::GetSystemMetrics(SM_CXSMICON)));
  RegisterClassOnce(kClassName, bigIcon_.get(), smallIcon_.get());
}

FormMain::~FormMain() = default;

void FormMain::Load() {
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_CONTROLPARENT;
  CreateWindowFor(kClassName, win::Wide(kMainTitle).c_str(), style, exStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100,
                  100, nullptr, nullptr);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SizeAndCentre(kClientWidthTwips, kClientHeightTwips, work);
  CreateControls();
  Form_Load();
}

void FormMain::Show(int showCommand) {
  ::ShowWindow(hwnd(), showCommand);
  ::UpdateWindow(hwnd());
  // The first hold comes only after the list has been filled.
  timerLimit_.Attach(hwnd(), kTimerLimitId);
}

void FormMain::CreateControls() {
  HWND self = hwnd();
  const RECT none{0, 0, 0, 0};
  // Created in tab order, so the dialog navigation follows it; Layout places them.
  list_.Create(self, kListViewProcesses, none, nullptr);
  // No label stands before the list: it is named after its column of program names.
  win::NameForScreenReaders(list_.hwnd(), kColumnHeaders[2]);
  for (std::size_t i = 0; i < std::size(kColumnWidths); ++i)
    list_.AddColumn(kColumnHeaders[i], win::Twips(kColumnWidths[i], dpi()));
  images_.Create(::GetSystemMetrics(SM_CXSMICON));
  label1_.Create(self, kLabel1, kDescription, none, nullptr);
  label2_.Create(self, kLabel2, kProductName, none, nullptr);
  label3_.Create(self, kLabel3, kVersionCaption, none, nullptr);
  labelOstrin_.Create(self, kLabelOstrin, kHomePageUrl, none, nullptr);
  ::SetWindowSubclass(labelOstrin_.hwnd(), &LinkLabelProc, 1, reinterpret_cast<DWORD_PTR>(self));

  const Font buttonFont;  // SimSun 9 pt, GB2312
  commandRefresh_ = win::CommandWindow::Create(
      self, kCommandRefresh, win::Pixels(kCommandRefreshRect, dpi()),
      ButtonLayoutData(kCommandRefreshRect.width, kCommandRefreshRect.height, buttonFont, kRefreshCaption), u"CommandRefresh");
  commandRefresh_->command.events.Click = [this] { CommandRefresh_Click(); };
  commandLimit_ = win::CommandWindow::Create(
      self, kCommandLimit, win::Pixels(kCommandLimitRect, dpi()),
      ButtonLayoutData(kCommandLimitRect.width, kCommandLimitRect.height, buttonFont, kLimitCaption), u"CommandLimit");
  commandLimit_->command.events.Click = [this] { CommandLimit_Click(); };

  image1_ = win::CreateChild(L"STATIC", L"", SS_ICON | SS_REALSIZECONTROL, 0, self, kImage1, none);
  Layout();
}

void FormMain::Layout() {
  Place({{list_.hwnd(), kListViewRect, kFont},
         {label1_.hwnd(), kLabel1Rect, kFont, Fit::kGrowToWrappedText},
         {label2_.hwnd(), kLabel2Rect, kProductNameFont, Fit::kToText},
         {label3_.hwnd(), kLabel3Rect, kFont, Fit::kToText},
         {labelOstrin_.hwnd(), kLabelOstrinRect, linkHovered_ ? kLinkHoverFont : kFont, Fit::kToText},
         {commandRefresh_->hwnd(), kCommandRefreshRect},
         {commandLimit_->hwnd(), kCommandLimitRect},
         {image1_, kImage1Rect}});
  for (int i = 0; i < static_cast<int>(std::size(kColumnWidths)); ++i)
    ListView_SetColumnWidth(list_.hwnd(), i, win::Twips(kColumnWidths[i], dpi()));
  win::UniqueIcon icon(LoadAppIcon(win::Twips(kImage1Rect.width, dpi())));
  ::SendMessageW(image1_, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
  imageIcon_ = std::move(icon);
}

COLORREF FormMain::TextColour(HWND label) const {
  return label == labelOstrin_.hwnd() ? labelOstrin_.color : Form::TextColour(label);
}

void FormMain::Form_Load() {
  ProcessLimitTable& limits = ProcessLimits();
  for (int i = 1; i <= ProcessLimitTable::kSize; ++i)
    if (limits(i).ProcessId == 0) limits(i).Active = kVbFalse;
  SetLinkLook(false);
  CommandRefresh_Click();
}

void FormMain::SetLinkLook(bool hovered) {
  linkHovered_ = hovered;
  labelOstrin_.color = hovered ? kLinkHovered : kLinkNormal;
  ::SendMessageW(labelOstrin_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(hovered ? kLinkHoverFont : kFont)),
                 FALSE);
  ::InvalidateRect(labelOstrin_.hwnd(), nullptr, TRUE);
}

void FormMain::CommandRefresh_Click() {
  // Long work: no process stays stopped past its hold's end meanwhile.
  timerLimit_.EndHolds();
  ::KillTimer(hwnd(), kTimerIconsId);  // icons still coming from the last refresh are overtaken
  {
    // One redraw: the user sees the old list, then the new one. A list that is not
    // drawn meanwhile also takes its rows far faster, shown or not.
    const win::ListView::HeldRedraw held(list_);
    listedAt_ = ListProcesses(list_, images_, rowIcons_, paths_);
  }
  ReconcileLimits(ProcessLimits(), list_);
  timerLimit_.Serve();
  // The icons the shell has yet to make come between messages: the window answers first.
  if (!rowIcons_.Done()) ::SetTimer(hwnd(), kTimerIconsId, USER_TIMER_MINIMUM, nullptr);
}

void FormMain::AddIconsSlice() {
  // At most 10 ms between messages: a row is begun only while it should still fit.
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(10);
  Clock::time_point rowStart = Clock::now();
  Clock::duration longest{};
  const bool done = rowIcons_.AddUntil([&] {
    const Clock::time_point now = Clock::now();
    longest = std::max(longest, now - rowStart);
    rowStart = now;
    return now + longest >= end;
  });
  if (done) ::KillTimer(hwnd(), kTimerIconsId);
}

OpenedProcess FormMain::OpenForLimit(std::int32_t processId) const {
  OpenedProcess opened;
  opened.process = OpenLimitedProcess(processId, listedAt_, guard_, &opened.refusal);
  return opened;
}

void FormMain::CommandLimit_Click() {
  FormSetProcessCpuPercent dialog(
      hwnd(), ProcessLimits(), list_,
      DialogServices{bigIcon_.get(), smallIcon_.get(), [this](std::int32_t pid) { return OpenForLimit(pid); },
                     [](const std::u16string& path) { return GetFileIcon(path, false); },
                     [this] { timerLimit_.Serve(); }});
  LimitCommandServices services{
      [] { win::DoEvents(); },
      [](std::int32_t pid, const std::u16string& exe) { return GetProcessImagePath(pid, exe); },
      [this](const std::u16string& text, const std::u16string& title) {
        win::ShowMessage(hwnd(), text, title, MB_OK | MB_ICONEXCLAMATION);
      },
      [this](std::int32_t pid) { return WhyNotLimitable(pid, listedAt_, guard_); }};
  tovrel::CommandLimit_Click(list_, ProcessLimits(), dialog, services);
}

bool FormMain::Form_Unload() {
  const int answer = win::ShowMessage(hwnd(), kExitPrompt, kExitTitle, MB_YESNO | MB_ICONQUESTION);
  if (answer != IDYES) return false;
  EndProgramNow(0);
}

LRESULT FormMain::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      if (wp == kTimerLimitId) timerLimit_.OnTimer();
      if (wp == kTimerIconsId) AddIconsSlice();
      return 0;
    case WM_APP:  // the pointer moved over the link label
      SetLinkLook(true);
      return 0;
    case WM_MOUSEMOVE:
      SetLinkLook(false);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kLabelOstrin && HIWORD(wp) == STN_CLICKED) {
        // The shell may take long to answer: the holds end first.
        timerLimit_.EndHolds();
        win::OpenLink(hwnd(), win::Wide(kHomePageUrl), win::IsElevated());
        timerLimit_.Serve();
        return 0;
      }
      break;
    case WM_CLOSE:
      Form_Unload();
      return 0;
    case WM_ENDSESSION:
      // The session ends: end now rather than let a hold stop another process first.
      if (wp) EndProgramNow(0);
      return 0;
    case WM_DESTROY:
      ::KillTimer(hwnd(), kTimerLimitId);
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return Form::HandleMessage(msg, wp, lp);
}

}  // namespace tovrel
