// The hosted Command control driven through real window messages under Wine: event
// orders, focus movement, access keys, window shape, the backing surface and GDI hygiene.
#include "button_control/command_window_win.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "accessible_reader.h"
#include "button_control/button_layout.h"
#include "child_process.h"
#include "object_probes.h"

namespace tovrel::win {
namespace {

constexpr int kWidth = 89;
constexpr int kHeight = 33;
using Events = std::vector<std::string>;

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void PumpFor(DWORD milliseconds) {
  for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < milliseconds; ::Sleep(5)) Pump();
}

// Pumps messages until the condition holds, for at most a few seconds; whether it held.
bool PumpUntil(const std::function<bool()>& condition) {
  for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < 5000; ::Sleep(5)) {
    Pump();
    if (condition()) return true;
  }
  return condition();
}

// Layout data as a form stores it for one button: 15 twips to the pixel at 96 DPI.
PropertyStore Layout(const std::u16string& caption, int buttonType) {
  PropertyStore store = ButtonLayoutData(kWidth * 15.0, kHeight * 15.0, Font{}, caption);
  store.Set("ButtonType", static_cast<double>(buttonType));
  return store;
}

std::string Mouse(const char* name, std::int16_t b, std::int16_t s, float x, float y) {
  char text[64];
  std::snprintf(text, sizeof(text), "%s %d %d %g %g", name, b, s, static_cast<double>(x), static_cast<double>(y));
  return text;
}

// The public events of a button; the pointer-tracking ones, which the system may add
// on its own, only when asked for.
void Record(Command& command, Events& log, bool withPointer = false) {
  CommandEvents& e = command.events;
  e.Click = [&log] { log.push_back("Click"); };
  e.MouseDown = [&log](std::int16_t& b, std::int16_t& s, float& x, float& y) { log.push_back(Mouse("MouseDown", b, s, x, y)); };
  e.MouseUp = [&log](std::int16_t& b, std::int16_t& s, float& x, float& y) { log.push_back(Mouse("MouseUp", b, s, x, y)); };
  e.KeyDown = [&log](std::int16_t& k, std::int16_t& s) { log.push_back("KeyDown " + std::to_string(k) + " " + std::to_string(s)); };
  e.KeyUp = [&log](std::int16_t& k, std::int16_t& s) { log.push_back("KeyUp " + std::to_string(k) + " " + std::to_string(s)); };
  if (!withPointer) return;
  e.MouseMove = [&log](std::int16_t& b, std::int16_t& s, float& x, float& y) { log.push_back(Mouse("MouseMove", b, s, x, y)); };
  e.MouseOut = [&log] { log.push_back("MouseOut"); };
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return ::DefWindowProcW(hwnd, msg, wp, lp); }

// A top-level window that buttons are added to in tab order, like a small form.
class CommandWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const ATOM formClass = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = &FormProc;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      wc.lpszClassName = L"TovrelCommandTestForm";
      return ::RegisterClassExW(&wc);
    }();
    ASSERT_NE(formClass, 0);
    ::SetCursorPos(5, 5);  // away from the form unless a test puts it there
    form_ = ::CreateWindowExW(0, MAKEINTATOM(formClass), L"form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 420,
                              260, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(form_, nullptr);
    ::SetForegroundWindow(form_);
    Pump();
  }
  void TearDown() override {
    ::DestroyWindow(form_);
    Pump();
  }

  CommandWindow* Add(const std::u16string& caption, int buttonType = XpButton, PropertyStore layout = {}) {
    const int left = 10 + 100 * count_;
    if (layout.size() == 0) layout = Layout(caption, buttonType);
    ++count_;
    return CommandWindow::Create(form_, 100 + count_, {left, 10, left + kWidth, 10 + kHeight}, layout,
                                 u"Command" + std::u16string(1, static_cast<char16_t>(u'0' + count_)));
  }

  static void Send(const CommandWindow* w, UINT msg, WPARAM wp, int x, int y) {
    ::SendMessageW(w->hwnd(), msg, wp, MAKELPARAM(x, y));
  }

  HWND form_ = nullptr;
  int count_ = 0;
};

TEST_F(CommandWindowTest, CreatedAsAVisibleTabStopChildAndLoadedFromItsLayout) {
  CommandWindow* w = Add(u"&OK");
  EXPECT_EQ(CommandWindow::FromHwnd(w->hwnd()), w);
  EXPECT_EQ(CommandWindow::FromHwnd(form_), nullptr);
  EXPECT_EQ(::GetDlgItem(form_, 101), w->hwnd());
  EXPECT_EQ(::GetWindowLongW(w->hwnd(), GWL_STYLE) & (WS_CHILD | WS_VISIBLE | WS_TABSTOP),
            WS_CHILD | WS_VISIBLE | WS_TABSTOP);
  EXPECT_EQ(w->command.Caption(), u"&OK");
  EXPECT_EQ(w->AccessKeys(), u"o");
  EXPECT_EQ(w->InstanceName(), u"Command1");
  EXPECT_EQ(w->command.state().ClientWidth, kWidth);
  EXPECT_EQ(w->command.state().ClientHeight, kHeight);
  // Loading is not a change; a later assignment is.
  EXPECT_EQ(w->PropertyChangeCount(), 0);
  w->command.SetCaption(u"&Go");
  EXPECT_EQ(w->PropertyChangeCount(), 1);

  PropertyStore broken = Layout(u"x", XpButton);
  broken.Set("ButtonType", std::u16string(u"not a number"));
  EXPECT_THROW(Add(u"", XpButton, broken), RunTimeError);
  EXPECT_EQ(::GetDlgItem(form_, 102), nullptr);
}

TEST_F(CommandWindowTest, TheClickComesAfterTheReleaseAndOnlyOverTheControl) {
  CommandWindow* w = Add(u"OK");
  Events log;
  Record(w->command, log);

  Send(w, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT | MK_CONTROL, 10, 12);
  EXPECT_EQ(w->command.state().VisualState, StateDown);
  EXPECT_EQ(::GetCapture(), w->hwnd());
  EXPECT_EQ(::GetFocus(), w->hwnd());
  Send(w, WM_LBUTTONUP, MK_SHIFT, 10, 12);
  EXPECT_EQ(w->command.state().VisualState, StateUp);
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(log, (Events{"MouseDown 1 3 10 12", "MouseUp 1 1 10 12", "Click"}));

  // Dragged out, or released on the right edge, or the capture taken away: no click.
  log.clear();
  Send(w, WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
  Send(w, WM_MOUSEMOVE, MK_LBUTTON, -5, 10);
  Send(w, WM_LBUTTONUP, 0, -5, 10);
  Send(w, WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
  Send(w, WM_LBUTTONUP, 0, kWidth, 10);
  Send(w, WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
  ::SetCapture(form_);
  ::ReleaseCapture();
  Send(w, WM_LBUTTONUP, 0, 10, 10);
  EXPECT_EQ(log, (Events{"MouseDown 1 0 10 10", "MouseUp 1 0 -5 10", "MouseDown 1 0 10 10", "MouseUp 1 0 89 10",
                         "MouseDown 1 0 10 10"}));
}

TEST_F(CommandWindowTest, ADoubleClickGivesOneClickTwoPressesAndTwoReleases) {
  CommandWindow* w = Add(u"OK");
  Events log;
  Record(w->command, log);
  Send(w, WM_LBUTTONDOWN, MK_LBUTTON, 20, 15);
  Send(w, WM_LBUTTONUP, 0, 20, 15);
  Send(w, WM_LBUTTONDBLCLK, MK_LBUTTON, 20, 15);
  EXPECT_EQ(w->command.state().VisualState, StateDown);
  Send(w, WM_LBUTTONUP, 0, 20, 15);
  EXPECT_EQ(log, (Events{"MouseDown 1 0 20 15", "MouseUp 1 0 20 15", "Click", "MouseDown 1 1 1 1",
                         "MouseUp 1 0 20 15"}));
}

TEST_F(CommandWindowTest, TheRightButtonNeverLooksPressedTheMiddleOneDoes) {
  CommandWindow* w = Add(u"OK");
  Events log;
  Record(w->command, log);
  Send(w, WM_RBUTTONDOWN, MK_RBUTTON, 5, 6);
  EXPECT_EQ(w->command.state().VisualState, StateUp);
  Send(w, WM_RBUTTONUP, 0, 5, 6);
  Send(w, WM_MBUTTONDOWN, MK_MBUTTON, 5, 6);
  EXPECT_EQ(w->command.state().VisualState, StateDown);
  Send(w, WM_MBUTTONUP, 0, 5, 6);
  // A second button during a press clicks nothing; the first one's release does.
  Send(w, WM_LBUTTONDOWN, MK_LBUTTON, 5, 6);
  Send(w, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 5, 6);
  Send(w, WM_RBUTTONUP, MK_LBUTTON, 5, 6);
  Send(w, WM_LBUTTONUP, 0, 5, 6);
  EXPECT_EQ(log, (Events{"MouseDown 2 0 5 6", "MouseUp 2 0 5 6", "Click", "MouseDown 4 0 5 6", "MouseUp 4 0 5 6",
                         "Click", "MouseDown 1 0 5 6", "MouseDown 2 0 5 6", "MouseUp 2 0 5 6", "MouseUp 1 0 5 6",
                         "Click"}));
}

TEST_F(CommandWindowTest, SpaceActsAsAPressReleaseAndClick) {
  CommandWindow* w = Add(u"OK");
  Events log;
  Record(w->command, log);
  ::SetFocus(w->hwnd());
  ::SendMessageW(w->hwnd(), WM_KEYDOWN, VK_SPACE, 0x00390001);
  EXPECT_EQ(w->command.state().VisualState, StateDown);
  ::SendMessageW(w->hwnd(), WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0390001u));
  EXPECT_EQ(log, (Events{"KeyDown 32 0", "MouseDown 1 1 1 1", "KeyUp 32 0", "MouseUp 1 1 1 1", "Click"}));
}

TEST_F(CommandWindowTest, ArrowsMoveTheFocusThroughTheTabOrderAndTabStaysWithTheDialogManager) {
  CommandWindow* a = Add(u"A");
  CommandWindow* b = Add(u"B");
  CommandWindow* c = Add(u"C");
  Events log;
  Record(b->command, log);
  const std::pair<CommandWindow*, WPARAM> steps[] = {{a, VK_RIGHT}, {b, VK_DOWN}, {c, VK_RIGHT}, {a, VK_LEFT}, {c, VK_UP}};
  const CommandWindow* expected[] = {b, c, a, c, b};
  ::SetFocus(a->hwnd());
  for (int i = 0; i < 5; ++i) {
    ::SendMessageW(steps[i].first->hwnd(), WM_KEYDOWN, steps[i].second, 1);
    EXPECT_EQ(::GetFocus(), expected[i]->hwnd()) << "step " << i;
  }
  EXPECT_EQ(a->command.state().HasFocus, kVbFalse);
  EXPECT_EQ(b->command.state().HasFocus, kVbTrue);

  // Through IsDialogMessage: Tab moves on without reaching the control, arrows reach it.
  log.clear();
  auto deliver = [this](HWND target, WPARAM key) {
    MSG msg{target, WM_KEYDOWN, key, 1, static_cast<DWORD>(::GetMessageTime()), {0, 0}};
    if (!::IsDialogMessageW(form_, &msg)) ::DispatchMessageW(&msg);
  };
  ::SetFocus(a->hwnd());
  deliver(a->hwnd(), VK_TAB);
  EXPECT_EQ(::GetFocus(), b->hwnd());
  deliver(b->hwnd(), VK_RIGHT);
  EXPECT_EQ(::GetFocus(), c->hwnd());
  EXPECT_EQ(log, (Events{"KeyDown 39 0"}));
}

TEST_F(CommandWindowTest, AccessKeysClickTheVisibleEnabledButtonThatOwnsThem) {
  CommandWindow* ok = Add(u"&OK");
  CommandWindow* quit = Add(u"Save && &Quit");
  PropertyStore off = Layout(u"&Xit", XpButton);
  off.Set("Enabled", 0.0);
  CommandWindow* disabled = Add(u"", XpButton, off);
  Events okLog, quitLog, offLog;
  Record(ok->command, okLog);
  Record(quit->command, quitLog);
  Record(disabled->command, offLog);

  EXPECT_TRUE(CommandWindow::RouteAccessKey(form_, L'O'));
  EXPECT_TRUE(CommandWindow::RouteAccessKey(form_, L'q'));
  EXPECT_FALSE(CommandWindow::RouteAccessKey(form_, L'z'));
  // Alt+O typed while another button has the focus.
  ::SetFocus(quit->hwnd());
  EXPECT_EQ(::SendMessageW(quit->hwnd(), WM_SYSCHAR, L'o', 1 << 29), 0);
  EXPECT_EQ(okLog, (Events{"Click", "Click"}));
  EXPECT_EQ(quitLog, (Events{"Click"}));

  // Disabled: the window too, so it takes neither access keys nor clicks.
  EXPECT_FALSE(::IsWindowEnabled(disabled->hwnd()));
  EXPECT_FALSE(CommandWindow::RouteAccessKey(form_, L'x'));
  Send(disabled, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
  Send(disabled, WM_LBUTTONUP, 0, 5, 5);
  EXPECT_TRUE(offLog.empty());
  disabled->command.SetEnabled(kVbTrue);
  EXPECT_TRUE(CommandWindow::RouteAccessKey(form_, L'x'));
  EXPECT_EQ(offLog, (Events{"Click"}));
  ::ShowWindow(ok->hwnd(), SW_HIDE);
  EXPECT_FALSE(CommandWindow::RouteAccessKey(form_, L'o'));
}

TEST_F(CommandWindowTest, TheHoverTimerReportsThePointerLeavingAndOnlyThen) {
  CommandWindow* w = Add(u"OK");
  Events log;
  Record(w->command, log, true);
  Send(w, WM_MOUSEMOVE, 0, 30, 10);
  EXPECT_EQ(w->command.state().MouseInside, kVbTrue);
  // The pointer is far away: the hover timer notices.
  EXPECT_TRUE(PumpUntil([&] { return w->command.state().MouseInside == kVbFalse; }));
  EXPECT_FALSE(w->command.state().Timer1Enabled);
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log.front(), "MouseMove 0 0 30 10");
  EXPECT_EQ(log.back(), "MouseOut");

  POINT centre{kWidth / 2, kHeight / 2};
  ::ClientToScreen(w->hwnd(), &centre);
  ASSERT_TRUE(::SetCursorPos(centre.x, centre.y));
  EXPECT_EQ(w->CursorClientPosition().x, kWidth / 2);
  log.clear();
  Send(w, WM_MOUSEMOVE, 0, kWidth / 2, kHeight / 2);
  PumpFor(100);
  EXPECT_TRUE(w->command.state().Timer1Enabled);
  for (const std::string& e : log) EXPECT_NE(e, "MouseOut");
}

// The pixels of the w by h rectangle outside the window's region, row by row.
std::vector<std::pair<int, int>> CutPixels(HWND hwnd, int w, int h) {
  UniqueGdi<HRGN> region(::CreateRectRgn(0, 0, 0, 0));
  if (::GetWindowRgn(hwnd, region.get()) == ERROR) return {{-1, -1}};
  std::vector<std::pair<int, int>> cut;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (!::PtInRegion(region.get(), x, y)) cut.emplace_back(x, y);
  if (::PtInRegion(region.get(), w, 0) || ::PtInRegion(region.get(), 0, h)) cut.emplace_back(-2, -2);
  return cut;
}

std::vector<std::pair<int, int>> Corners(int w, int h) {
  return {{0, 0}, {1, 0}, {w - 2, 0}, {w - 1, 0}, {0, 1}, {w - 1, 1}, {0, h - 2}, {w - 1, h - 2},
          {0, h - 1}, {1, h - 1}, {w - 2, h - 1}, {w - 1, h - 1}};
}

TEST_F(CommandWindowTest, GradientButtonsLoseThreePixelsAtEachCornerAndXpButtonsNone) {
  CommandWindow* gradient = Add(u"", GradientButton);
  CommandWindow* xp = Add(u"", XpButton);
  EXPECT_EQ(CutPixels(gradient->hwnd(), kWidth, kHeight), Corners(kWidth, kHeight));
  EXPECT_TRUE(CutPixels(xp->hwnd(), kWidth, kHeight).empty());
  ::MoveWindow(gradient->hwnd(), 10, 10, 10, 5, TRUE);
  EXPECT_EQ(gradient->command.state().ClientWidth, 10);
  EXPECT_EQ(gradient->surface().Width(), 10);
  EXPECT_EQ(CutPixels(gradient->hwnd(), 10, 5), Corners(10, 5));
  gradient->command.SetButtonType(XpButton);
  EXPECT_TRUE(CutPixels(gradient->hwnd(), 10, 5).empty());
}

Colour PixelOf(HWND hwnd, int x, int y, bool onScreen) {
  POINT p{x, y};
  if (onScreen) ::ClientToScreen(hwnd, &p);
  const HWND from = onScreen ? nullptr : hwnd;
  const HDC dc = ::GetDC(from);
  const COLORREF c = ::GetPixel(dc, p.x, p.y);
  ::ReleaseDC(from, dc);
  return static_cast<Colour>(c);
}

TEST_F(CommandWindowTest, WhatTheControlDrawsReadsBackAndTheWindowShowsItRightAfterRefresh) {
  // A style without drawing of its own and no caption: the face colour everywhere.
  PropertyStore layout = Layout(u"", 6);
  const Colour face = Rgb(20, 140, 60), mark = Rgb(201, 7, 99);
  layout.Set("ColorScheme", static_cast<double>(SchemeCustom));
  layout.Set("BackColor", static_cast<double>(face));
  CommandWindow* w = Add(u"", 6, layout);
  Pump();
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) ASSERT_EQ(w->surface().GetPixel(x, y), face) << x << "," << y;
  // Wine copies window pixels to the display a little later.
  EXPECT_TRUE(PumpUntil([&] { return PixelOf(w->hwnd(), kWidth - 1, kHeight - 1, true) == face; }));

  // Wine copies window pixels to the display later; the window's own pixels show the paint.
  w->Surface().FillRect({30, 10, 40, 20}, mark);
  EXPECT_EQ(PixelOf(w->hwnd(), 35, 15, false), face);
  w->Refresh();
  EXPECT_EQ(w->surface().GetPixel(35, 15), mark);
  EXPECT_EQ(PixelOf(w->hwnd(), 35, 15, false), mark);
  EXPECT_EQ(PixelOf(w->hwnd(), 40, 15, false), face);
  EXPECT_TRUE(PumpUntil([&] { return PixelOf(w->hwnd(), 35, 15, true) == mark; }));
}

// accessible_probe reading one window from its own process while this thread serves the
// calls that cross into it, as a screen reader's would.
class Probe {
 public:
  Probe(HWND window, const wchar_t* mode)
      : file_(test::ExeDir() + L"probe-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
              std::to_wstring(++runs_) + L".txt"),
        child_(test::ExeDir() + L"accessible_probe.exe " +
               std::to_wstring(reinterpret_cast<INT_PTR>(window)) + L" " + file_ + L" " + mode) {}
  ~Probe() { ::DeleteFileW(file_.c_str()); }
  bool started() const { return child_.started(); }
  bool done() const { return !child_.running(); }
  // What it wrote, once it has ended (or what it has written so far, if it has not).
  std::map<std::string, std::string> Finish() {
    for (const DWORD start = ::GetTickCount(); !done() && ::GetTickCount() - start < 20000; ::Sleep(5)) Pump();
    return Lines();
  }
  std::map<std::string, std::string> Lines() const {
    std::map<std::string, std::string> lines;
    std::ifstream in(std::string(file_.begin(), file_.end()));
    for (std::string line; std::getline(in, line);)
      if (const auto eq = line.find('='); eq != std::string::npos) lines[line.substr(0, eq)] = line.substr(eq + 1);
    return lines;
  }

 private:
  static inline int runs_ = 0;
  std::wstring file_;
  test::ChildProcess child_;
};

std::wstring Unhex(const std::string& hex) {
  std::wstring text;
  for (std::size_t i = 0; i + 4 <= hex.size(); i += 4)
    text += static_cast<wchar_t>(std::stoul(hex.substr(i, 4), nullptr, 16));
  return text;
}

long StateBits(const std::map<std::string, std::string>& read) {
  return read.count("state") ? static_cast<long>(std::stoul(read.at("state"), nullptr, 16)) : -1;
}

TEST_F(CommandWindowTest, AnotherProcessReadsANamedPushButtonThatFollowsItsStates) {
  ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
  CommandWindow* quit = Add(u"Save && &Quit");
  CommandWindow* refresh = Add(u"刷新");
  wchar_t text[64] = {};
  ::GetWindowTextW(quit->hwnd(), text, 64);
  EXPECT_STREQ(text, L"Save && &Quit");

  auto read = [](CommandWindow* w) { return Probe(w->hwnd(), L"read").Finish(); };
  auto r = read(quit);
  ASSERT_EQ(r["found"], "00000000");
  EXPECT_EQ(r["role"], std::to_string(ROLE_SYSTEM_PUSHBUTTON));
  EXPECT_EQ(Unhex(r["name"]), L"Save & Quit");
  EXPECT_EQ(Unhex(r["shortcut"]), L"Alt+q");
  EXPECT_EQ(Unhex(r["action"]), L"按下");
  EXPECT_EQ(StateBits(r), STATE_SYSTEM_FOCUSABLE);

  ::SetFocus(quit->hwnd());
  quit->SetDisplayAsDefault(true);
  Send(quit, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
  EXPECT_EQ(StateBits(read(quit)),
            STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_PRESSED | STATE_SYSTEM_DEFAULT);
  Send(quit, WM_LBUTTONUP, 0, -5, -5);

  // A caption set later is what is read, and the window text follows it.
  refresh->command.SetCaption(u"刷新(&R)");
  ::GetWindowTextW(refresh->hwnd(), text, 64);
  EXPECT_STREQ(text, L"刷新(&R)");
  r = read(refresh);
  EXPECT_EQ(Unhex(r["name"]), L"刷新(R)");
  EXPECT_EQ(Unhex(r["shortcut"]), L"Alt+r");
  refresh->command.SetEnabled(kVbFalse);
  EXPECT_EQ(StateBits(read(refresh)), STATE_SYSTEM_UNAVAILABLE);
}

// What a screen reader that follows WinEvents hears of one button's client object.
std::vector<DWORD>* heardEvents = nullptr;
HWND heardWindow = nullptr;

void CALLBACK Heard(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  if (heardEvents && hwnd == heardWindow && object == OBJID_CLIENT && child == CHILDID_SELF)
    heardEvents->push_back(event);
}

TEST_F(CommandWindowTest, ScreenReadersThatFollowEventsHearNameAndStateChanges) {
  CommandWindow* w = Add(u"OK");
  std::vector<DWORD> events;
  heardEvents = &events;
  heardWindow = w->hwnd();
  const HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, &Heard,
                                               ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  w->command.SetCaption(u"&Save");
  EXPECT_TRUE(PumpUntil([&] { return events == std::vector<DWORD>{EVENT_OBJECT_NAMECHANGE}; }));
  w->command.SetEnabled(kVbFalse);
  EXPECT_TRUE(PumpUntil([&] {
    return events == std::vector<DWORD>{EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_STATECHANGE};
  }));
  ::UnhookWinEvent(hook);
  heardEvents = nullptr;
}

TEST_F(CommandWindowTest, TheDefaultActionClicksAfterTheCallerHasReturnedAndNeverWhenDisabled) {
  ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
  CommandWindow* limit = Add(u"限制");
  std::unique_ptr<Probe> probe;
  int clicks = 0;
  bool callerReturnedFirst = false;
  // A click that waits, as a modal dialog would, for the caller to be done.
  limit->command.events.Click = [&] {
    ++clicks;
    callerReturnedFirst = PumpUntil([&] { return probe->done(); });
  };
  probe = std::make_unique<Probe>(limit->hwnd(), L"do");
  ASSERT_TRUE(probe->started());
  EXPECT_EQ(probe->Finish()["do"], "00000000");
  EXPECT_TRUE(PumpUntil([&] { return clicks == 1; }));
  EXPECT_TRUE(callerReturnedFirst);

  limit->command.SetEnabled(kVbFalse);
  EXPECT_NE(Probe(limit->hwnd(), L"do").Finish()["do"], "00000000");
  PumpFor(100);
  EXPECT_EQ(clicks, 1);
}

TEST_F(CommandWindowTest, AnObjectHeldPastItsButtonFailsCleanly) {
  ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
  CommandWindow* w = Add(u"OK");
  const HWND hwnd = w->hwnd();
  Probe probe(hwnd, L"outlive");
  ASSERT_TRUE(PumpUntil([&] { return probe.Lines().count("held") == 1 || probe.done(); }));
  ::DestroyWindow(hwnd);
  auto r = probe.Finish();
  EXPECT_EQ(r["gone"], "1");
  EXPECT_EQ(r["name"], "800401fd");  // CO_E_OBJNOTCONNECTED
}

TEST_F(CommandWindowTest, HandlersThatThrowOrDestroyTheButtonStopAtTheWindowProcedure) {
  CommandWindow* w = Add(u"OK");
  int clicks = 0;
  w->command.events.Click = [&clicks] {
    ++clicks;
    throw std::runtime_error("handler failed");
  };
  w->command.events.MouseDown = [](std::int16_t&, std::int16_t&, float&, float&) { throw RunTimeError(380); };
  for (int i = 0; i < 2; ++i) {
    Send(w, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    Send(w, WM_LBUTTONUP, 0, 5, 5);
  }
  EXPECT_EQ(clicks, 2);

  const HWND hwnd = w->hwnd();
  w->command.events.Click = [hwnd] { ::DestroyWindow(hwnd); };
  Send(w, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
  ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_FALSE(::IsWindow(hwnd));
  Pump();
}

TEST_F(CommandWindowTest, AThousandRepaintsAndResizesLeaveNoGdiObjectsBehind) {
  // The count itself must see objects come and go.
  const std::size_t start = test::LiveGdiObjects();
  std::vector<HBRUSH> brushes;
  for (int i = 0; i < 16; ++i) brushes.push_back(::CreateSolidBrush(RGB(i, 0, 0)));
  EXPECT_EQ(test::LiveGdiObjects(), start + 16);
  for (HBRUSH b : brushes) ::DeleteObject(b);

  CommandWindow* w = Add(u"&Paint", GradientButton);
  CommandWindow* other = Add(u"Other");
  w->command.SetCaption(u"warm");  // first-use caches of the system do not count
  Pump();
  const std::size_t before = test::LiveGdiObjects();
  for (int i = 0; i < 1000; ++i) {
    const int grow = i % 2;
    ::MoveWindow(w->hwnd(), 10, 10, kWidth + grow, kHeight + grow, TRUE);
    w->command.SetCaption(grow ? u"&Paint" : u"P&aint again");
    w->command.SetForeColor(Rgb(i % 256, 0, 0));
    ::SetFocus(grow ? other->hwnd() : w->hwnd());
    Send(w, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    Send(w, WM_LBUTTONUP, 0, 5, 5);
    w->surface().DrawFocusRect({2, 2, 20, 20});
    w->Refresh();
    if (i % 50 == 0) Pump();
  }
  Pump();
  EXPECT_LE(test::LiveGdiObjects(), before + 2) << "before " << before;
}

// Fills, frames, lines, pixels and the focus rectangle are compared pixel for pixel with
// the raster surface (gdi_vs_raster_test.cpp); what is left is text and the edges.
TEST(GdiSurface, TextIsTransparentInTheTextColourAndMeasuredInTheCurrentFont) {
  GdiSurface s;
  EXPECT_EQ(s.BackColor(), static_cast<Colour>(::GetSysColor(COLOR_BTNFACE)));
  const Colour face = Rgb(255, 0, 0);
  s.SetBackColor(face);
  s.Resize(60, 30);
  EXPECT_EQ(s.GetPixel(59, 29), face);
  EXPECT_EQ(s.GetPixel(60, 0), -1);
  EXPECT_EQ(s.GetPixel(0, -1), -1);
  s.SetTextColor(Rgb(0, 0, 255));
  s.DrawText(u"WM", {0, 0, 60, 30}, kCaptionOneLine);
  int glyph = 0, opaque = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) {
      glyph += s.GetPixel(x, y) != face;
      opaque += s.GetPixel(x, y) == Rgb(255, 255, 255);  // the DC's background colour
    }
  EXPECT_GT(glyph, 0);
  EXPECT_EQ(opaque, 0);

  const double width = s.TextWidth(u"W"), height = s.TextHeight(u"W");
  EXPECT_GT(width, 0);
  EXPECT_DOUBLE_EQ(s.TextWidth(u"WW"), 2 * width);
  EXPECT_EQ(s.TextHeight(u""), height);
  Font big;
  big.size = 18;
  s.SetFont(big, 96);
  EXPECT_GT(s.TextHeight(u"W"), height);
  EXPECT_GT(s.TextWidth(u"W"), width);
}

}  // namespace
}  // namespace tovrel::win
