#include <gtest/gtest.h>

#include "button_control/button_layout.h"
#include "button_control/command.h"
#include "button_control/raster_surface.h"
#include "fake_command_host.h"
#include "sized_canvas.h"

namespace tovrel {
namespace {

using test::FakeCommandHost;
using test::SizedCanvas;

int ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RunTimeError& e) {
    return e.number();
  }
  return 0;
}

class CommandPropertiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cmd.Initialize();
    cmd.InitProperties();
    cmd.OnResize();
    Forget();
  }
  void Forget() {
    canvas.drawCalls = 0;
    host.changed.clear();
  }
  bool Repainted() const { return canvas.drawCalls > 0; }
  std::vector<std::string> Signals(std::initializer_list<const char*> names) const {
    return {names.begin(), names.end()};
  }

  SizedCanvas canvas{20, 10};
  FakeCommandHost host{canvas};
  Command cmd{host};
};

TEST_F(CommandPropertiesTest, NewInstanceHasItsDefaults) {
  // Every stored property at its default is left out of the store.
  PropertyStore store;
  cmd.WriteProperties(store);
  ASSERT_EQ(store.size(), 2u);
  EXPECT_EQ(store.ReadString("Caption", u""), u"Command1");
  EXPECT_EQ(store.ReadFont("Font", Font{u"Arial"}), *host.surfaceFont);
  EXPECT_EQ(cmd.GetFont(), host.surfaceFont);  // the surface's own object
  EXPECT_EQ(cmd.BackColor(), host.sysColors[15]);
  EXPECT_EQ(cmd.OfficeXpMousemoveFrameColor(), Rgb(127, 128, 1));
  EXPECT_EQ(cmd.Enabled(), kVbTrue);
  EXPECT_EQ(host.accessKeys, u"");
  EXPECT_EQ(cmd.state().LastMouseButton, 1);
  EXPECT_EQ(cmd.hWnd(), 0x1234);  // the live handle, not the held 0
  EXPECT_EQ(cmd.properties().hWnd, 0);
}

TEST_F(CommandPropertiesTest, InitPropertiesNeitherPaintsNorDerivesColours) {
  SizedCanvas c(20, 10);
  FakeCommandHost h(c);
  Command fresh(h);
  fresh.Initialize();
  EXPECT_EQ(fresh.state().PressedCaptionRect, (Rect{2, 2, 0, 0}));
  h.sysColors[18] = Rgb(1, 2, 3);
  fresh.InitProperties();
  EXPECT_EQ(fresh.ForeColor(), Rgb(1, 2, 3));
  EXPECT_EQ(fresh.derived().TextColor, 0);  // still from Initialize
  EXPECT_EQ(c.drawCalls, 0);
  EXPECT_TRUE(h.changed.empty());
}

TEST_F(CommandPropertiesTest, AssignmentsStoreRepaintAndSignal) {
  struct Setter {
    const char* name;
    void (Command::*set)(Colour);
    Colour (Command::*get)() const;
  };
  const Setter setters[] = {
      {"MidColor", &Command::SetMidColor, &Command::MidColor},
      {"EndColor", &Command::SetEndColor, &Command::EndColor},
      {"MouseMoveMidColor", &Command::SetMouseMoveMidColor, &Command::MouseMoveMidColor},
      {"MouseMoveEndColor", &Command::SetMouseMoveEndColor, &Command::MouseMoveEndColor},
      {"MouseDownMidColor", &Command::SetMouseDownMidColor, &Command::MouseDownMidColor},
      {"MouseDownEndColor", &Command::SetMouseDownEndColor, &Command::MouseDownEndColor},
      {"OfficeXpFillColor", &Command::SetOfficeXpFillColor, &Command::OfficeXpFillColor},
      {"OfficeXpFrameColor", &Command::SetOfficeXpFrameColor, &Command::OfficeXpFrameColor},
      {"OfficeXpMousemoveFillColor", &Command::SetOfficeXpMousemoveFillColor, &Command::OfficeXpMousemoveFillColor},
      {"OfficeXpMousemoveFrameColor", &Command::SetOfficeXpMousemoveFrameColor,
       &Command::OfficeXpMousemoveFrameColor},
      {"XpType", &Command::SetXpType, &Command::GetXpType},
      {"ForeColor", &Command::SetForeColor, &Command::ForeColor},
      {"BackColor", &Command::SetBackColor, &Command::BackColor},
  };
  Colour value = 100;
  for (const Setter& s : setters) {
    Forget();
    (cmd.*s.set)(++value);
    EXPECT_EQ((cmd.*s.get)(), value) << s.name;
    EXPECT_TRUE(Repainted()) << s.name;
    EXPECT_EQ(host.changed, Signals({s.name}));
  }
  cmd.SetShowFocusRect(1);
  EXPECT_EQ(cmd.ShowFocusRect(), kVbTrue);  // a Boolean is -1 whatever non-zero was given

  Forget();
  cmd.SetCaption(u"&OK");
  EXPECT_EQ(host.accessKeys, u"o");
  EXPECT_TRUE(Repainted());
  auto font = std::make_shared<Font>();
  cmd.SetFont(font);
  EXPECT_EQ(cmd.GetFont(), font);
  EXPECT_EQ(host.surfaceFont, font);
  EXPECT_EQ(host.changed, Signals({"Caption", "Font"}));
  EXPECT_EQ(ErrorOf([&] { cmd.SetFont(nullptr); }), kErrInvalidPropertyValue);
  EXPECT_EQ(cmd.GetFont(), font);

  Forget();
  cmd.Setrectcolor(Rgb(9, 9, 9));
  EXPECT_EQ(cmd.rectcolor(), Rgb(9, 9, 9));
  EXPECT_FALSE(Repainted());
  EXPECT_EQ(host.changed, Signals({"rectcolor"}));
}

TEST_F(CommandPropertiesTest, SchemeColoursFollowBackForeAndScheme) {
  cmd.SetColorScheme(SchemeCustom);
  cmd.SetBackColor(Rgb(236, 233, 216));
  cmd.SetForeColor(Rgb(10, 20, 30));
  const DerivedColours& d = cmd.derived();
  EXPECT_EQ(d.FaceColor, Rgb(236, 233, 216));
  EXPECT_EQ(d.ShadowColor, Rgb(172, 169, 152));
  EXPECT_EQ(d.LightColor, Rgb(255, 255, 247));
  EXPECT_EQ(d.HighlightColor, Rgb(255, 255, 255));
  EXPECT_EQ(d.DarkShadowColor, Rgb(44, 41, 24));
  EXPECT_EQ(d.TextColor, Rgb(10, 20, 30));
  EXPECT_EQ(host.changed, Signals({"ColorScheme", "BackColor", "ForeColor"}));

  cmd.SetOfficeXpFillColor(1);
  cmd.SetColorScheme(SchemeGrey);
  EXPECT_EQ(d.FaceColor, Rgb(192, 192, 192));
  EXPECT_EQ(d.TextColor, 0);
  EXPECT_EQ(cmd.OfficeXpFillColor(), Rgb(236, 233, 216));
  EXPECT_EQ(cmd.OfficeXpFrameColor(), Rgb(172, 169, 154));
  EXPECT_EQ(cmd.OfficeXpMousemoveFillColor(), Rgb(193, 210, 238));
  EXPECT_EQ(cmd.OfficeXpMousemoveFrameColor(), Rgb(49, 105, 198));

  // Any scheme but 2 and 3 is the system one, read afresh.
  host.sysColors[15] = Rgb(1, 1, 1);
  cmd.SetColorScheme(7);
  EXPECT_EQ(d.FaceColor, Rgb(1, 1, 1));
  EXPECT_EQ(d.TextColor, Rgb(10, 20, 30));
}

std::vector<Colour> Gradient(const Command& c) {
  return {c.MidColor(), c.EndColor(), c.MouseMoveMidColor(), c.MouseMoveEndColor(), c.MouseDownMidColor(),
          c.MouseDownEndColor()};
}

TEST_F(CommandPropertiesTest, GlassStyleTakesItsPresetOverTheSchemeGreys) {
  cmd.SetButtonType(GlassButton);
  EXPECT_EQ(cmd.Percent(), 53);
  EXPECT_EQ(Gradient(cmd), (std::vector<Colour>{Rgb(124, 171, 255), Rgb(191, 211, 255), Rgb(157, 203, 255),
                                                Rgb(209, 231, 255), Rgb(100, 153, 255), Rgb(191, 211, 255)}));
  EXPECT_EQ(host.changed, Signals({"ButtonType"}));
  EXPECT_EQ(host.lastShape.removed.size(), 8u);  // the resize handling ran with the new style
  EXPECT_TRUE(Repainted());

  cmd.SetBackColor(Rgb(5, 5, 5));
  EXPECT_EQ(Gradient(cmd), (std::vector<Colour>{Rgb(197, 197, 197), Rgb(238, 238, 238), Rgb(123, 167, 211),
                                                Rgb(210, 245, 251), Rgb(227, 167, 105), Rgb(252, 220, 199)}));
  EXPECT_EQ(cmd.Percent(), 53);

  // Under the custom scheme the gradient colours are left alone.
  cmd.SetColorScheme(SchemeCustom);
  cmd.SetMidColor(7);
  cmd.SetBackColor(Rgb(6, 6, 6));
  EXPECT_EQ(cmd.MidColor(), 7);
}

TEST_F(CommandPropertiesTest, PercentAcceptsZeroToHundredOnly) {
  cmd.SetPercent(0);
  EXPECT_EQ(cmd.Percent(), 0);
  cmd.SetPercent(100);
  EXPECT_EQ(cmd.Percent(), 100);
  EXPECT_EQ(host.changed, Signals({"Percent", "Percent"}));
  Forget();
  for (std::int16_t bad : {std::int16_t{-1}, std::int16_t{101}, std::int16_t{-32768}}) {
    EXPECT_EQ(ErrorOf([&] { cmd.SetPercent(bad); }), kErrInvalidPropertyValue) << bad;
    EXPECT_EQ(cmd.Percent(), 100) << bad;
  }
  EXPECT_FALSE(Repainted());
  EXPECT_TRUE(host.changed.empty());
}

TEST_F(CommandPropertiesTest, HandleCannotBeSet) {
  host.userMode = false;
  EXPECT_EQ(ErrorOf([&] { cmd.SethWnd(5); }), kErrSetNotPermitted);
  host.userMode = true;
  EXPECT_EQ(ErrorOf([&] { cmd.SethWnd(5); }), kErrNotSupportedAtRunTime);
  EXPECT_EQ(cmd.properties().hWnd, 0);
  EXPECT_EQ(cmd.hWnd(), 0x1234);
  EXPECT_TRUE(host.changed.empty());
  EXPECT_FALSE(Repainted());
}

TEST_F(CommandPropertiesTest, EnabledReachesTheSurfaceAndReshapes) {
  const int shapes = host.shapesSet;
  cmd.SetEnabled(kVbFalse);
  EXPECT_FALSE(host.surfaceEnabled);
  EXPECT_EQ(host.shapesSet, shapes + 1);
  EXPECT_TRUE(Repainted());
  cmd.SetEnabled(1);
  EXPECT_TRUE(host.surfaceEnabled);
  EXPECT_EQ(cmd.Enabled(), kVbTrue);
  EXPECT_EQ(host.changed, Signals({"Enabled", "Enabled"}));
}

// --- stored properties ---

void Customise(Command& cmd) {
  cmd.SetColorScheme(SchemeCustom);
  cmd.SetBackColor(Rgb(10, 20, 30));
  cmd.SetForeColor(Rgb(200, 100, 50));
  cmd.SetButtonType(GlassButton);
  cmd.SetPercent(77);
  cmd.SetMouseDownEndColor(Rgb(3, 3, 3));
  cmd.SetOfficeXpMousemoveFrameColor(Rgb(4, 4, 4));
  cmd.SetXpType(XpOlive);
  cmd.SetShowFocusRect(kVbFalse);
  cmd.SetEnabled(kVbFalse);
  cmd.Setrectcolor(Rgb(8, 8, 8));
  cmd.SetCaption(u"Save && &Quit");
  auto font = std::make_shared<Font>();
  font->size = 12;
  font->italic = true;
  cmd.SetFont(font);
}

TEST_F(CommandPropertiesTest, WhatIsWrittenReadsBackTheSame) {
  Customise(cmd);
  PropertyStore first;
  cmd.WriteProperties(first);
  EXPECT_EQ(first.ReadInteger("PERCENT", 0), 77);
  EXPECT_EQ(first.ReadBool("enabled", kVbTrue), kVbFalse);

  SizedCanvas c(20, 10);
  FakeCommandHost h(c);
  Command loaded(h);
  loaded.Initialize();
  loaded.OnResize();
  c.drawCalls = 0;
  loaded.ReadProperties(first);
  PropertyStore second;
  loaded.WriteProperties(second);
  EXPECT_EQ(second.values(), first.values());
  EXPECT_EQ(loaded.Percent(), 77);
  EXPECT_EQ(loaded.GetButtonType(), GlassButton);
  EXPECT_EQ(loaded.derived().ShadowColor, cmd.derived().ShadowColor);
  EXPECT_EQ(*loaded.GetFont(), *cmd.GetFont());
  EXPECT_EQ(h.surfaceFont, loaded.GetFont());
  EXPECT_FALSE(h.surfaceEnabled);
  EXPECT_EQ(h.accessKeys, u"q");
  EXPECT_GT(c.drawCalls, 0);
  EXPECT_TRUE(h.changed.empty());
}

TEST_F(CommandPropertiesTest, StoredColoursWinOverTheSchemePresets) {
  cmd.SetColorScheme(SchemeGrey);
  PropertyStore store;
  cmd.WriteProperties(store);
  EXPECT_EQ(store.ReadLong("OfficeXpFillColor", 0), Rgb(236, 233, 216));
  store.Set("officexpframecolor", static_cast<double>(Rgb(1, 2, 3)));
  cmd.ReadProperties(store);
  EXPECT_EQ(cmd.OfficeXpFrameColor(), Rgb(1, 2, 3));
  EXPECT_EQ(cmd.OfficeXpFillColor(), Rgb(236, 233, 216));
  EXPECT_EQ(cmd.derived().FaceColor, Rgb(192, 192, 192));

  // A glass button under the system scheme loads its stored (here default) gradient.
  PropertyStore glass;
  glass.Set("ButtonType", 4.0);
  cmd.ReadProperties(glass);
  EXPECT_EQ(cmd.MidColor(), kDefaultMidColor);
  EXPECT_EQ(cmd.Percent(), kDefaultPercent);
}

TEST_F(CommandPropertiesTest, SystemColourDefaultsFollowTheMachine) {
  PropertyStore store;
  cmd.WriteProperties(store);
  EXPECT_FALSE(store.Contains("BackColor"));
  host.sysColors[15] = Rgb(11, 22, 33);
  host.sysColors[18] = Rgb(44, 55, 66);
  cmd.ReadProperties(store);
  EXPECT_EQ(cmd.BackColor(), Rgb(11, 22, 33));
  EXPECT_EQ(cmd.ForeColor(), Rgb(44, 55, 66));
  EXPECT_EQ(cmd.derived().TextColor, Rgb(44, 55, 66));
  // Saved again on this machine, the colours are still defaults.
  PropertyStore again;
  cmd.WriteProperties(again);
  EXPECT_FALSE(again.Contains("BackColor"));
  EXPECT_FALSE(again.Contains("ForeColor"));
}

// The host says whether high contrast is on; the control asks the machine for the colours.
TEST(CommandHighContrast, PaintsInTheMachinesColoursAndBackAtOnce) {
  RasterSurface surface(20, 10, Rgb(1, 2, 3));
  FakeCommandHost host(surface);
  host.sysColors[kColorBtnFace] = Rgb(0, 0, 1);
  host.sysColors[kColorWindowFrame] = Rgb(3, 255, 255);
  host.sysColors[kColorHighlight] = Rgb(26, 235, 4);
  host.sysColors[kColorHighlightText] = Rgb(5, 0, 0);
  Command cmd(host);
  cmd.Initialize();
  cmd.InitProperties();
  cmd.OnResize();
  const Colour xpUp = surface.GetPixel(0, 5);

  host.highContrast = true;
  cmd.OnAmbientChanged();
  EXPECT_EQ(surface.GetPixel(0, 5), Rgb(3, 255, 255));
  EXPECT_EQ(surface.GetPixel(5, 5), Rgb(0, 0, 1));
  cmd.OnMouseDown(1, 0, 5, 5);
  EXPECT_EQ(surface.GetPixel(5, 5), Rgb(26, 235, 4));
  cmd.OnGotFocus();
  EXPECT_EQ(surface.GetPixel(2, 5), Rgb(5, 0, 0));
  cmd.OnMouseUp(1, 0, 5, 5);
  cmd.OnLostFocus();

  host.highContrast = false;
  cmd.OnAmbientChanged();
  EXPECT_EQ(surface.GetPixel(0, 5), xpUp);
}

TEST_F(CommandPropertiesTest, CorruptStoredValueLeavesTheControlAsItWas) {
  Customise(cmd);
  PropertyStore before;
  cmd.WriteProperties(before);
  const FontRef font = cmd.GetFont();
  struct Corrupt {
    const char* name;
    StoredValue value;
    int error;
  };
  const Corrupt cases[] = {{"XpType", u"blue", kErrTypeMismatch},
                           {"Font", 3.0, kErrTypeMismatch},
                           {"Caption", Font{}, kErrTypeMismatch},
                           {"Percent", 40000.0, kErrOverflow},
                           {"OfficeXpMousemoveFrameColor", u"x", kErrTypeMismatch},
                           {"Enabled", u"yes", kErrTypeMismatch}};
  for (const Corrupt& c : cases) {
    PropertyStore store = ButtonLayoutData(1335, 495, Font{}, u"&Other");
    store.Set(c.name, c.value);
    Forget();
    EXPECT_EQ(ErrorOf([&] { cmd.ReadProperties(store); }), c.error) << c.name;
    PropertyStore after;
    cmd.WriteProperties(after);
    EXPECT_EQ(after.values(), before.values()) << c.name;
    EXPECT_EQ(cmd.GetFont(), font) << c.name;
    EXPECT_EQ(host.surfaceFont, font) << c.name;
    EXPECT_FALSE(host.surfaceEnabled) << c.name;
    EXPECT_EQ(host.accessKeys, u"q") << c.name;
    EXPECT_FALSE(Repainted()) << c.name;
  }
}

TEST_F(CommandPropertiesTest, LayoutDataGivesAnXpButtonWithItsCaption) {
  Font font;
  PropertyStore store = ButtonLayoutData(1335, 495, font, u"刷新");
  cmd.SetButtonType(ClassicButton);
  cmd.SetColorScheme(SchemeGrey);
  cmd.ReadProperties(store);
  EXPECT_EQ(cmd.Caption(), u"刷新");
  EXPECT_EQ(*cmd.GetFont(), font);
  // Everything else is at its default, so it would not be stored again.
  PropertyStore saved;
  cmd.WriteProperties(saved);
  EXPECT_EQ(saved.size(), 2u);
  EXPECT_EQ(cmd.derived().FaceColor, host.sysColors[15]);
  EXPECT_EQ(cmd.state().VisualState, StateUp);
  EXPECT_TRUE(Repainted());

  // With nothing stored the caption is the stored-form default, and the font the container's.
  host.ambientFont = std::make_shared<Font>(Font{u"Arial"});
  cmd.ReadProperties(PropertyStore{});
  EXPECT_EQ(cmd.Caption(), kDefaultStoredCaption);
  EXPECT_EQ(cmd.GetFont()->name, u"Arial");
}

}  // namespace
}  // namespace tovrel
