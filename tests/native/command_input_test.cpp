#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "button_control/command.h"
#include "fake_command_host.h"
#include "sized_canvas.h"

namespace tovrel {
namespace {

using test::FakeCommandHost;
using test::SizedCanvas;
using Log = std::vector<std::string>;

std::string Args(std::int16_t b, std::int16_t s, float x, float y) {
  return " " + std::to_string(b) + " " + std::to_string(s) + " " + std::to_string(static_cast<int>(x)) + " " +
         std::to_string(static_cast<int>(y));
}

class CommandInput : public ::testing::Test {
 protected:
  void SetUp() override {
    cmd.Initialize();
    cmd.InitProperties();
    cmd.OnResize();
    auto& e = cmd.events;
    e.Click = [this] { log.push_back("Click"); };
    e.MouseOut = [this] { log.push_back("MouseOut"); };
    e.MouseDown = [this](auto& b, auto& s, auto& x, auto& y) { log.push_back("MouseDown" + Args(b, s, x, y)); };
    e.MouseUp = [this](auto& b, auto& s, auto& x, auto& y) { log.push_back("MouseUp" + Args(b, s, x, y)); };
    e.MouseMove = [this](auto& b, auto& s, auto& x, auto& y) { log.push_back("MouseMove" + Args(b, s, x, y)); };
    e.KeyDown = [this](auto& k, auto&) { log.push_back("KeyDown " + std::to_string(k)); };
    e.KeyUp = [this](auto& k, auto&) { log.push_back("KeyUp " + std::to_string(k)); };
    e.KeyPress = [this](auto& k) { log.push_back("KeyPress " + std::to_string(k)); };
    Forget();
  }
  void Forget() {
    log.clear();
    canvas.drawCalls = 0;
  }
  // The pointer enters and the hover timer polls it at (x, y).
  void TickAt(int x, int y) {
    host.cursor = {x, y};
    cmd.OnTimer1();
  }
  std::uint8_t Visual() const { return cmd.state().VisualState; }

  SizedCanvas canvas{20, 10};
  FakeCommandHost host{canvas};
  Command cmd{host};
  Log log;
};

TEST_F(CommandInput, LeftClickPressesReleasesAndClicks) {
  cmd.OnMouseDown(1, 0, 5, 5);
  EXPECT_EQ(Visual(), StateDown);
  EXPECT_GT(canvas.drawCalls, 0);
  cmd.OnMouseUp(1, 0, 5, 5);
  EXPECT_EQ(Visual(), StateUp);
  const int refreshes = host.refreshes;
  cmd.OnClick();
  EXPECT_EQ(host.refreshes, refreshes + 1);
  EXPECT_EQ(log, (Log{"MouseDown 1 0 5 5", "MouseUp 1 0 5 5", "Click"}));
}

TEST_F(CommandInput, RightAndMiddleButtons) {
  cmd.OnMouseDown(2, 0, 3, 3);
  EXPECT_EQ(Visual(), StateUp);
  EXPECT_GT(canvas.drawCalls, 0);  // forced repaint all the same
  EXPECT_EQ(cmd.state().LastMouseButton, 2);
  cmd.OnMouseUp(2, 0, 3, 3);
  cmd.OnClick();
  EXPECT_EQ(log, (Log{"MouseDown 2 0 3 3", "MouseUp 2 0 3 3", "Click"}));
  // A right release leaves a pressed look alone, and so does the click after a right press.
  cmd.OnKeyDown(32, 0);
  cmd.OnMouseDown(2, 0, 3, 3);
  cmd.OnMouseUp(2, 0, 3, 3);
  EXPECT_EQ(Visual(), StateDown);
  cmd.OnClick();
  EXPECT_EQ(Visual(), StateDown);

  Forget();
  cmd.OnMouseDown(4, 0, 3, 3);
  EXPECT_EQ(Visual(), StateDown);
  host.hoverTimer = false;
  cmd.OnMouseMove(4, 0, 3, 3);
  cmd.OnMouseMove(5, 0, 3, 3);
  EXPECT_FALSE(host.hoverTimer);
  EXPECT_FALSE(cmd.state().Timer1Enabled);
  cmd.OnMouseUp(4, 0, 3, 3);
  EXPECT_EQ(Visual(), StateUp);
  EXPECT_EQ(log, (Log{"MouseDown 4 0 3 3", "MouseUp 4 0 3 3"}));
}

TEST_F(CommandInput, HoverEntersOnceAndLeavesByTheTimer) {
  cmd.OnMouseMove(0, 0, 5, 5);
  EXPECT_TRUE(host.hoverTimer);
  EXPECT_TRUE(cmd.state().Timer1Enabled);
  EXPECT_EQ(cmd.state().MouseInside, kVbTrue);
  EXPECT_GT(canvas.drawCalls, 0);
  canvas.drawCalls = 0;
  cmd.OnMouseMove(0, 0, 6, 5);
  EXPECT_EQ(canvas.drawCalls, 0);  // later moves inside do not repaint

  // The far edges and the cut corners are inside; one past them is outside.
  for (auto [x, y] : {std::pair{20, 10}, std::pair{0, 0}, std::pair{20, 0}, std::pair{0, 10}}) TickAt(x, y);
  EXPECT_TRUE(host.hoverTimer);
  TickAt(21, 5);
  EXPECT_FALSE(host.hoverTimer);
  EXPECT_FALSE(cmd.state().Timer1Enabled);
  EXPECT_EQ(cmd.state().MouseInside, kVbFalse);
  TickAt(-1, 5);  // the timer is off: no second MouseOut
  EXPECT_EQ(log, (Log{"MouseMove 0 0 5 5", "MouseMove 0 0 6 5", "MouseOut"}));

  for (auto [x, y] : {std::pair{5, -1}, std::pair{5, 11}}) {
    cmd.OnMouseMove(0, 0, 1, 1);
    TickAt(x, y);
    EXPECT_FALSE(host.hoverTimer) << x << "," << y;
  }
}

TEST_F(CommandInput, MovesOnTheEdgeCountButNotBeyond) {
  cmd.OnMouseMove(0, 0, 20, 10);
  cmd.OnMouseMove(0, 0, 0, 0);
  EXPECT_EQ(log.size(), 2u);
  log.clear();
  cmd.OnMouseMove(1, 0, -1, 5);
  cmd.OnMouseMove(0, 0, 20.5f, 5);
  cmd.OnMouseMove(0, 0, 5, 10.5f);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(host.hoverTimer);  // every move starts the timer, inside or not
}

TEST_F(CommandInput, DragOutAndBackIn) {
  cmd.OnMouseDown(1, 0, 5, 5);
  cmd.OnMouseMove(1, 0, 5, 5);
  cmd.OnMouseMove(1, 0, -1, 5);
  TickAt(-1, 5);
  EXPECT_EQ(Visual(), StateUp);  // the up look while still held
  canvas.drawCalls = 0;
  cmd.OnMouseMove(1, 0, 4, 4);
  EXPECT_EQ(Visual(), StateDown);
  EXPECT_GT(canvas.drawCalls, 0);
  canvas.drawCalls = 0;
  cmd.OnMouseMove(1, 0, 5, 4);
  EXPECT_EQ(canvas.drawCalls, 0);  // already drawn pressed
  cmd.OnMouseMove(1, 0, -2, 4);
  TickAt(-2, 4);
  cmd.OnMouseUp(1, 0, -2, 4);  // released outside: the host reports no click
  EXPECT_EQ(log, (Log{"MouseDown 1 0 5 5", "MouseMove 1 0 5 5", "MouseOut", "MouseMove 1 0 4 4",
                      "MouseMove 1 0 5 4", "MouseOut", "MouseUp 1 0 -2 4"}));
}

TEST_F(CommandInput, DoubleClickGivesOneClickAndTwoPresses) {
  cmd.OnMouseDown(1, 0, 5, 5);
  cmd.OnMouseUp(1, 0, 5, 5);
  cmd.OnClick();
  cmd.OnDblClick();
  EXPECT_EQ(Visual(), StateDown);
  cmd.OnMouseUp(1, 0, 5, 5);
  EXPECT_EQ(log, (Log{"MouseDown 1 0 5 5", "MouseUp 1 0 5 5", "Click", "MouseDown 1 1 1 1", "MouseUp 1 0 5 5"}));
  // After a right press the double-click does nothing.
  cmd.OnMouseDown(2, 0, 5, 5);
  log.clear();
  cmd.OnDblClick();
  EXPECT_TRUE(log.empty());
}

TEST_F(CommandInput, SpaceActsAsAClick) {
  cmd.OnKeyDown(32, 0);
  EXPECT_EQ(Visual(), StateDown);
  cmd.OnKeyDown(32, 0);  // auto-repeat presses again
  cmd.OnKeyPress(32);
  cmd.OnMouseDown(2, 0, 1, 1);
  cmd.OnKeyUp(32, 0);
  EXPECT_EQ(Visual(), StateUp);
  EXPECT_EQ(cmd.state().LastMouseButton, 1);
  EXPECT_EQ(log, (Log{"KeyDown 32", "MouseDown 1 1 1 1", "KeyDown 32", "MouseDown 1 1 1 1", "KeyPress 32",
                      "MouseDown 2 0 1 1", "KeyUp 32", "MouseUp 1 1 1 1", "Click"}));
}

TEST_F(CommandInput, HandlersChangeWhatTheControlDoes) {
  cmd.events.KeyDown = [this](std::int16_t& k, std::int16_t&) {
    log.push_back("KeyDown " + std::to_string(k));
    k = 0;
  };
  cmd.OnKeyDown(32, 0);
  cmd.OnKeyUp(32, 0);
  EXPECT_EQ(cmd.state().LastKeyCode, 0);
  EXPECT_EQ(Visual(), StateUp);
  EXPECT_EQ(log, (Log{"KeyDown 32", "KeyUp 32"}));

  // A key code that does not fit the byte field is an overflow, not a wrapped Space.
  cmd.events.KeyDown = [](std::int16_t& k, std::int16_t&) { k = 288; };
  EXPECT_THROW(cmd.OnKeyDown(65, 0), RunTimeError);
  EXPECT_EQ(Visual(), StateUp);

  // A move handler that drops the button makes the move a hover.
  cmd.events.MouseMove = [](std::int16_t& b, std::int16_t&, float&, float&) { b = 0; };
  cmd.OnMouseMove(1, 0, 5, 5);
  EXPECT_EQ(cmd.state().MouseInside, kVbTrue);
}

TEST_F(CommandInput, ArrowsMoveTheFocusAndEnterDoesNothing) {
  for (std::int16_t key : {39, 40, 37, 38, 13}) cmd.OnKeyDown(key, 0);
  EXPECT_EQ(host.focusMoves, (std::vector<bool>{true, true, false, false}));
  EXPECT_EQ(log, (Log{"KeyDown 39", "KeyDown 40", "KeyDown 37", "KeyDown 38", "KeyDown 13"}));
  EXPECT_EQ(Visual(), StateUp);
  EXPECT_EQ(cmd.state().LastKeyCode, 13);
}

TEST_F(CommandInput, DisabledButtonIgnoresInputButTracksFocusAndLeaving) {
  cmd.OnMouseMove(0, 0, 5, 5);  // timer running before it is disabled
  cmd.SetEnabled(kVbFalse);
  log.clear();
  cmd.OnMouseDown(1, 0, 5, 5);
  cmd.OnMouseUp(1, 0, 5, 5);
  cmd.OnMouseMove(0, 0, 6, 6);
  cmd.OnClick();
  cmd.OnDblClick();
  cmd.OnAccessKey();
  cmd.OnKeyDown(32, 0);
  cmd.OnKeyPress(32);
  cmd.OnKeyUp(32, 0);
  cmd.OnKeyDown(39, 0);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(host.focusMoves.empty());
  EXPECT_EQ(Visual(), StateUp);

  canvas.drawCalls = 0;
  cmd.OnGotFocus();
  EXPECT_EQ(cmd.state().HasFocus, kVbTrue);
  EXPECT_GT(canvas.drawCalls, 0);
  canvas.drawCalls = 0;
  cmd.OnAmbientChanged();
  EXPECT_GT(canvas.drawCalls, 0);
  cmd.OnLostFocus();
  EXPECT_EQ(cmd.state().HasFocus, kVbFalse);
  TickAt(30, 5);
  EXPECT_EQ(log, (Log{"MouseOut"}));
}

TEST_F(CommandInput, AccessKeyClicksWithoutTouchingTheLastButton) {
  cmd.OnMouseDown(4, 0, 1, 1);
  cmd.OnAccessKey();
  EXPECT_EQ(cmd.state().LastMouseButton, 4);
  EXPECT_EQ(Visual(), StateDown);  // only a left press is released by a click
  EXPECT_EQ(log, (Log{"MouseDown 4 0 1 1", "Click"}));
}

TEST(CommandAccessKey, FirstMarkedCharacterInLowerCaseAndTheNameReadWithoutMarkers) {
  struct Case {
    std::u16string caption, key, name;
  };
  const Case cases[] = {
      {u"&OK", u"o", u"OK"},         {u"Save && &Quit", u"q", u"Save & Quit"}, {u"R&&D", u"", u"R&D"},
      {u"A&", u"", u"A"},            {u"&", u"", u""},                          {u"", u"", u""},
      {u"OK", u"", u"OK"},           {u"&&&x", u"x", u"&x"},                    {u"a&&b&&c", u"", u"a&b&c"},
      {u"&&&&x", u"", u"&&x"},       {u"限&制", u"制", u"限制"},                {u"&a&b", u"a", u"ab"},
      {u"x&&y&", u"", u"x&y"},
  };
  for (const auto& [caption, key, name] : cases) {
    const std::string shown(caption.begin(), caption.end());
    EXPECT_EQ(Command::AccessKeyOf(caption), key) << shown;
    EXPECT_EQ(Command::AccessibleNameOf(caption), name) << shown;
    EXPECT_EQ(Command::ShortcutOf(caption), key.empty() ? u"" : u"Alt+" + key) << shown;
  }
}

// A screen reader that follows events hears each change of what it would read, once.
TEST_F(CommandInput, AScreenReaderIsToldOfEachChangeItWouldHear) {
  int names = host.nameChanges, states = host.stateChanges;
  auto heard = [&](int name, int state) -> ::testing::AssertionResult {
    const int n = host.nameChanges - names, s = host.stateChanges - states;
    names = host.nameChanges;
    states = host.stateChanges;
    if (n == name && s == state) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << n << " name and " << s << " state changes";
  };
  cmd.SetCaption(u"Save && &Quit");
  EXPECT_TRUE(heard(1, 0));
  EXPECT_EQ(host.captionText, u"Save && &Quit");
  // Another caption that reads the same is no news, but the window text follows it.
  cmd.SetCaption(u"Save && Qui&t");
  EXPECT_TRUE(heard(0, 0));
  EXPECT_EQ(host.captionText, u"Save && Qui&t");

  cmd.OnMouseDown(1, 0, 5, 5);
  EXPECT_TRUE(cmd.Accessible().Pressed);
  EXPECT_TRUE(heard(0, 1));
  cmd.OnMouseUp(1, 0, 5, 5);
  EXPECT_TRUE(heard(0, 1));
  cmd.OnMouseMove(0, 0, 5, 5);
  EXPECT_TRUE(cmd.Accessible().Hot);
  EXPECT_TRUE(heard(0, 1));
  cmd.OnGotFocus();
  EXPECT_TRUE(cmd.Accessible().Focused);
  EXPECT_TRUE(heard(0, 1));
  host.displayAsDefault = true;
  cmd.OnAmbientChanged();
  EXPECT_TRUE(cmd.Accessible().Default);
  EXPECT_TRUE(heard(0, 1));
  cmd.SetEnabled(kVbFalse);
  EXPECT_TRUE(cmd.Accessible().Unavailable);
  EXPECT_TRUE(heard(0, 1));
  cmd.PaintButton(Visual(), true);
  EXPECT_TRUE(heard(0, 0));
}

std::set<std::pair<int, int>> RemovedPixels(const WindowShape& shape) {
  std::set<std::pair<int, int>> pixels;
  for (const Rect& r : shape.removed) {
    EXPECT_LE(r.left, r.right);
    EXPECT_LE(r.top, r.bottom);
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, shape.height); ++y)
      for (int x = std::max(r.left, 0); x < std::min(r.right, shape.width); ++x) pixels.insert({x, y});
  }
  return pixels;
}

TEST(CommandRegion, CutCornersOnlyForGradientAndGlassStyles) {
  const std::set<std::pair<int, int>> corners{{0, 0}, {1, 0}, {0, 1}, {8, 0}, {9, 0}, {9, 1},
                                              {0, 4}, {1, 4}, {0, 3}, {8, 4}, {9, 4}, {9, 3}};
  for (int style : {3, 4, 8, 9}) {
    WindowShape shape = Command::BuildRegion(style, 10, 5);
    EXPECT_EQ(shape.width, 10);
    EXPECT_EQ(shape.height, 5);
    EXPECT_EQ(RemovedPixels(shape), corners) << style;
  }
  for (int style : {0, 1, 2, 5, 6, 7, 10, -3}) EXPECT_TRUE(Command::BuildRegion(style, 10, 5).removed.empty()) << style;
}

TEST_F(CommandInput, ResizeTakesTheScaleAndShapesTheWindow) {
  cmd.SetButtonType(GradientButton);
  canvas.Resize(10, 5);
  canvas.drawCalls = 0;
  cmd.OnResize();
  const CommandState& s = cmd.state();
  EXPECT_EQ(s.ClientWidth, 10);
  EXPECT_EQ(s.ClientHeight, 5);
  // The paint pass places the caption's top; the resize gives the far edges.
  EXPECT_EQ((std::vector{s.CaptionRect.right, s.CaptionRect.bottom, s.PressedCaptionRect.right,
                         s.PressedCaptionRect.bottom}),
            (std::vector{10, 5, 10, 5}));
  EXPECT_EQ(s.FocusRect, (Rect{2, 2, 8, 3}));
  EXPECT_EQ(RemovedPixels(host.lastShape).size(), 12u);
  EXPECT_GT(canvas.drawCalls, 0);

  // Zero high: rectangles and shape still set, nothing painted.
  canvas.Resize(10, 0);
  canvas.drawCalls = 0;
  const int shapes = host.shapesSet;
  cmd.OnResize();
  EXPECT_EQ(s.FocusRect, (Rect{2, 2, 8, -2}));
  EXPECT_EQ(host.shapesSet, shapes + 1);
  EXPECT_EQ(canvas.drawCalls, 0);
}

}  // namespace
}  // namespace tovrel
