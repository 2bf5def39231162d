// The whole paint pass, style by style and state by state, pixel for pixel on the
// raster surface. Captions are checked through the recorded text calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "button_control/button_painter.h"
#include "button_control/raster_surface.h"
#include "pixel_checks.h"

namespace tovrel {
namespace {

using test::ColumnIs;
using test::Grey;
using test::Hex;
using test::RowIs;

using TextCall = RasterSurface::TextCall;

constexpr Colour kBack = Rgb(1, 2, 3);  // the surface's own colour, which Cls restores
constexpr Colour kFace = Rgb(212, 208, 200);
constexpr Colour kLight = Rgb(230, 228, 224);
constexpr Colour kHighlight = Rgb(255, 255, 255);
constexpr Colour kShadow = Rgb(128, 120, 110);
constexpr Colour kDark = Rgb(64, 64, 64);
constexpr Colour kText = Rgb(0, 0, 128);
constexpr Colour kRectColor = Rgb(250, 195, 88);
constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kXpLine = Rgb(0, 60, 115);
constexpr Colour kXpCorner = Rgb(16, 77, 123);

Colour Inverted(Colour c) { return c ^ 0xFFFFFF; }



::testing::AssertionResult PixelsAre(const RasterSurface& s, const std::vector<std::pair<int, int>>& points, Colour c) {
  for (auto [x, y] : points)
    if (s.GetPixel(x, y) != c)
      return ::testing::AssertionFailure() << "(" << x << "," << y << ") is " << Hex(s.GetPixel(x, y)) << ", not "
                                           << Hex(c);
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameImage(const RasterSurface& a, const RasterSurface& b) {
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y))
        return ::testing::AssertionFailure() << "(" << x << "," << y << ") " << Hex(a.GetPixel(x, y)) << " vs "
                                             << Hex(b.GetPixel(x, y));
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult AllFace(const RasterSurface& s) {
  for (int y = 0; y < s.Height(); ++y)
    if (auto r = RowIs(s, y, 0, s.Width() - 1, kFace); !r) return r;
  return ::testing::AssertionSuccess();
}

// The three pixels cut at each corner of a W x H button.
std::vector<std::pair<int, int>> CutCorners(int w, int h) {
  return {{0, 0},         {1, 0},     {0, 1},         {w - 2, 0},     {w - 1, 0},     {w - 1, 1},
          {0, h - 1},     {1, h - 1}, {0, h - 2},     {w - 2, h - 1}, {w - 1, h - 1}, {w - 1, h - 2}};
}

// A button as the control holds it after creation and a resize to w x h, with the
// stored defaults and a distinct colour for each derived colour.
struct Button {
  RasterSurface surface;
  CommandProperties props;
  CommandState state;
  DerivedColours derived{kFace, kLight, kHighlight, kShadow, kDark, kText};
  bool displayAsDefault = false;
  const HighContrastColours* contrast = nullptr;

  Button(int w, int h, std::int32_t buttonType) : surface(w, h, kBack) {
    props.Enabled = kVbTrue;
    props.ButtonType = buttonType;
    props.Caption = u"OK";
    props.ColorScheme = SchemeSystem;
    props.XpType = XpBlue;
    props.ShowFocusRect = kVbTrue;
    props.rectcolor = kRectColor;
    props.Percent = kDefaultPercent;
    props.MidColor = kDefaultMidColor;
    props.EndColor = kDefaultEndColor;
    props.MouseMoveMidColor = kDefaultMouseMoveMidColor;
    props.MouseMoveEndColor = kDefaultMouseMoveEndColor;
    props.MouseDownMidColor = kDefaultMouseDownMidColor;
    props.MouseDownEndColor = kDefaultMouseDownEndColor;
    props.OfficeXpFillColor = kDefaultOfficeXpFillColor;
    props.OfficeXpFrameColor = kDefaultOfficeXpFrameColor;
    props.OfficeXpMousemoveFillColor = kDefaultOfficeXpMousemoveFillColor;
    props.OfficeXpMousemoveFrameColor = kDefaultOfficeXpMousemoveFrameColor;
    state.PressedCaptionRect = {2, 2, 0, 0};
    state.ClientWidth = w;
    state.ClientHeight = h;
    state.CaptionRect.right = state.PressedCaptionRect.right = w;
    state.CaptionRect.bottom = state.PressedCaptionRect.bottom = h;
    state.FocusRect = {2, 2, w - 2, h - 2};
  }
  void Paint(std::uint8_t visualState, bool force = true) {
    ButtonPainter(surface, props, state, derived, displayAsDefault, contrast).PaintButton(visualState, force);
  }
  void Focus() { state.HasFocus = kVbTrue; }
  void Hover() { state.MouseInside = kVbTrue; }
  const TextCall& OnlyText() const {
    EXPECT_EQ(surface.textCalls.size(), 1u);
    return surface.textCalls.back();
  }
};

const Rect kUpCaption{0, 0, 20, 12};
const Rect kDownCaption{2, 2, 20, 12};

// ---- Style 1, XpButton ----

// The XP border of a 20 x 12 button, with the cut corners in the face colour.
void ExpectXpBorder(const RasterSurface& s, Colour outside = kFace) {
  EXPECT_TRUE(RowIs(s, 0, 2, 17, kXpLine));
  EXPECT_TRUE(RowIs(s, 11, 2, 17, kXpLine));
  EXPECT_TRUE(ColumnIs(s, 0, 2, 9, kXpLine));
  EXPECT_TRUE(ColumnIs(s, 19, 2, 9, kXpLine));
  EXPECT_TRUE(PixelsAre(s, {{1, 1}, {1, 10}, {18, 1}, {18, 10}}, kXpCorner));
  EXPECT_TRUE(PixelsAre(s, CutCorners(20, 12), outside));
}

TEST(PaintXpButton, BlueUpFadesToWhiteUpward) {
  // Rows 10 up to 1, steps 57/7, 58/7, 40/7: white from row 4.
  Button b(20, 12, XpButton);
  b.Paint(StateUp);
  const RasterSurface& s = b.surface;
  EXPECT_TRUE(RowIs(s, 10, 2, 17, Rgb(206, 205, 221)));
  EXPECT_TRUE(RowIs(s, 9, 1, 18, Rgb(214, 214, 226)));
  EXPECT_TRUE(RowIs(s, 7, 1, 18, Rgb(231, 230, 238)));
  EXPECT_TRUE(RowIs(s, 5, 1, 18, Rgb(247, 247, 249)));
  for (int y = 2; y <= 4; ++y) EXPECT_TRUE(RowIs(s, y, 1, 18, kWhite));
  EXPECT_TRUE(RowIs(s, 1, 2, 17, kWhite));
  ExpectXpBorder(s);
  EXPECT_EQ(b.OnlyText(), (TextCall{u"OK", kUpCaption, kCaptionOneLine, kText}));
}

TEST(PaintXpButton, BlueHoverDrawsTheFrameInRectColorWithoutFocusRect) {
  Button b(20, 12, XpButton);
  b.Hover();
  b.Focus();
  b.Paint(StateUp);
  const RasterSurface& s = b.surface;
  EXPECT_TRUE(RowIs(s, 1, 2, 17, kRectColor));
  EXPECT_TRUE(RowIs(s, 10, 2, 17, kRectColor));
  EXPECT_TRUE(ColumnIs(s, 1, 2, 9, kRectColor));
  EXPECT_TRUE(ColumnIs(s, 2, 1, 10, kRectColor));
  EXPECT_TRUE(ColumnIs(s, 17, 1, 10, kRectColor));
  EXPECT_TRUE(ColumnIs(s, 18, 2, 9, kRectColor));
  EXPECT_TRUE(RowIs(s, 2, 3, 16, kRectColor));
  EXPECT_TRUE(RowIs(s, 9, 3, 16, kRectColor));
  EXPECT_TRUE(RowIs(s, 3, 3, 16, kWhite));  // no dots inside the hover frame
  EXPECT_TRUE(RowIs(s, 8, 3, 16, Rgb(222, 222, 232)));
  ExpectXpBorder(s);
}

TEST(PaintXpButton, BlueFocusedShowsTheBlueDefaultFrameAndDots) {
  Button b(20, 12, XpButton);
  b.Focus();
  b.Paint(StateUp);
  const RasterSurface& s = b.surface;
  const Colour outline = Rgb(140, 174, 231), bottom = Rgb(107, 130, 239), top = Rgb(206, 231, 255);
  const Colour second = Rgb(189, 215, 247), sides = Rgb(181, 209, 240);
  EXPECT_TRUE(RowIs(s, 1, 2, 17, top));
  EXPECT_TRUE(RowIs(s, 10, 2, 17, bottom));
  EXPECT_TRUE(ColumnIs(s, 1, 2, 9, outline));
  EXPECT_TRUE(ColumnIs(s, 18, 2, 9, outline));
  // The focus rectangle {2,2,18,10} dots row 2 at odd x, column 2 at odd y, row 9 at
  // even x and column 17 at even y.
  EXPECT_TRUE(PixelsAre(s, {{3, 2}, {9, 2}, {17, 2}}, Inverted(second)));
  EXPECT_TRUE(PixelsAre(s, {{2, 2}, {4, 2}, {16, 2}}, second));
  EXPECT_TRUE(PixelsAre(s, {{2, 3}, {2, 5}, {2, 7}, {17, 4}, {17, 6}, {17, 8}}, Inverted(sides)));
  EXPECT_TRUE(PixelsAre(s, {{2, 4}, {2, 8}, {17, 3}, {17, 7}}, sides));
  EXPECT_TRUE(PixelsAre(s, {{2, 9}, {4, 9}, {16, 9}}, Inverted(outline)));
  EXPECT_TRUE(PixelsAre(s, {{1, 9}, {3, 9}, {17, 9}, {18, 9}}, outline));
  EXPECT_TRUE(RowIs(s, 5, 3, 16, Rgb(247, 247, 249)));
  ExpectXpBorder(s);
  EXPECT_EQ(b.state.HasFocus, kVbTrue);
}

TEST(PaintXpButton, DefaultButtonIsEmphasisedWithoutFocusUnlessFocusRectIsOff) {
  Button focused(20, 12, XpButton);
  focused.Focus();
  focused.Paint(StateUp);

  Button asDefault(20, 12, XpButton);
  asDefault.displayAsDefault = true;
  asDefault.Paint(StateUp);
  EXPECT_TRUE(SameImage(asDefault.surface, focused.surface));

  Button plain(20, 12, XpButton);
  plain.Paint(StateUp);
  Button hidden(20, 12, XpButton);
  hidden.props.ShowFocusRect = kVbFalse;
  hidden.displayAsDefault = true;
  hidden.Focus();
  hidden.Paint(StateUp);
  EXPECT_TRUE(SameImage(hidden.surface, plain.surface));
  EXPECT_EQ(hidden.state.HasFocus, kVbTrue);
}

TEST(PaintXpButton, OliveUpLightensEachRowUpward) {
  Button b(20, 12, XpButton);
  b.props.XpType = XpOlive;
  b.Paint(StateUp);
  const RasterSurface& s = b.surface;
  EXPECT_TRUE(RowIs(s, 10, 2, 17, Rgb(243, 238, 219)));
  EXPECT_TRUE(RowIs(s, 9, 1, 17, Rgb(244, 239, 220)));
  EXPECT_TRUE(RowIs(s, 2, 1, 17, Rgb(251, 246, 227)));
  EXPECT_TRUE(RowIs(s, 1, 2, 17, Rgb(252, 247, 228)));
  EXPECT_TRUE(ColumnIs(s, 18, 2, 9, kFace));  // the rows stop at W - 3
  ExpectXpBorder(s);
}

TEST(PaintXpButton, OliveFramesAreGreenAndOrange) {
  const Colour green = Rgb(122, 184, 98);
  Button focused(20, 12, XpButton);
  focused.props.XpType = XpOlive;
  focused.Focus();
  focused.Paint(StateUp);
  EXPECT_TRUE(RowIs(focused.surface, 1, 2, 17, green));
  EXPECT_TRUE(RowIs(focused.surface, 10, 2, 17, green));
  EXPECT_TRUE(ColumnIs(focused.surface, 1, 2, 9, green));
  EXPECT_TRUE(PixelsAre(focused.surface, {{2, 4}, {2, 6}, {4, 2}}, green));
  EXPECT_TRUE(PixelsAre(focused.surface, {{2, 3}, {3, 2}}, Inverted(green)));

  Button hover(20, 12, XpButton);
  hover.props.XpType = XpOlive;
  hover.Hover();
  hover.Paint(StateUp);
  EXPECT_TRUE(RowIs(hover.surface, 1, 2, 17, Rgb(228, 144, 80)));
  EXPECT_TRUE(ColumnIs(hover.surface, 18, 2, 9, Rgb(228, 144, 80)));
}

TEST(PaintXpButton, SilverUpAndUnknownXpType) {
  Button silver(20, 12, XpButton);
  silver.props.XpType = XpSilver;
  silver.Focus();
  silver.Paint(StateUp);
  // Steps 19/7, 20/7, 25/7 from row 10; the blue default frame.
  EXPECT_TRUE(RowIs(silver.surface, 10, 2, 17, Rgb(107, 130, 239)));
  EXPECT_TRUE(RowIs(silver.surface, 8, 3, 16, Rgb(244, 244, 241)));
  EXPECT_TRUE(RowIs(silver.surface, 5, 3, 16, Rgb(252, 252, 251)));

  // Any other XpType: no background beyond the face, and the dots alone.
  Button other(20, 12, XpButton);
  other.props.XpType = 7;
  other.Focus();
  other.Paint(StateUp);
  EXPECT_TRUE(RowIs(other.surface, 5, 3, 16, kFace));
  EXPECT_TRUE(PixelsAre(other.surface, {{3, 2}, {2, 3}, {2, 9}, {17, 8}}, Inverted(kFace)));
  EXPECT_TRUE(PixelsAre(other.surface, {{2, 2}, {4, 2}, {1, 5}, {18, 5}}, kFace));
  ExpectXpBorder(other.surface);
}

TEST(PaintXpButton, CustomSchemeDarkensDownwardWhateverTheXpType) {
  // base = ShiftColor(face, 48, proportional) = (248, 248, 250); row i shifts it by
  // round(-25/H × i): -2, -4, -6, -8, -10, -12 (12.5 - ε), ..., -21.
  Button b(20, 12, XpButton);
  b.derived.FaceColor = Grey(200);
  b.props.ColorScheme = SchemeCustom;
  b.props.XpType = XpOlive;
  b.Hover();
  b.Paint(StateUp);
  const RasterSurface& s = b.surface;
  EXPECT_EQ(s.GetPixel(0, 1), Rgb(246, 246, 248));
  EXPECT_EQ(s.GetPixel(19, 1), Rgb(246, 246, 248));
  EXPECT_TRUE(RowIs(s, 4, 3, 16, Rgb(240, 240, 240)));
  EXPECT_TRUE(RowIs(s, 6, 3, 16, Rgb(236, 236, 235)));
  EXPECT_TRUE(RowIs(s, 8, 3, 16, Rgb(231, 231, 228)));
  EXPECT_EQ(s.GetPixel(0, 10), Rgb(227, 227, 223));
  EXPECT_EQ(s.GetPixel(5, 1), Rgb(228, 144, 80));  // the olive hover frame still
  EXPECT_TRUE(RowIs(s, 0, 2, 17, kXpLine));
  EXPECT_TRUE(ColumnIs(s, 0, 2, 9, kXpLine));
  EXPECT_TRUE(PixelsAre(s, {{0, 0}, {1, 0}, {19, 11}}, Grey(200)));
}

TEST(PaintXpButton, BluePressedFadesDownwardWithTheCaptionOffset) {
  // Rows 1 to 10, steps 12, 85/7, 67/7: white from row 7.
  Button b(20, 12, XpButton);
  b.Paint(StateDown);
  const RasterSurface& s = b.surface;
  EXPECT_TRUE(RowIs(s, 1, 2, 17, Rgb(183, 182, 198)));
  EXPECT_TRUE(RowIs(s, 2, 1, 18, Rgb(195, 194, 207)));
  EXPECT_TRUE(RowIs(s, 6, 1, 18, Rgb(243, 243, 245)));
  for (int y = 7; y <= 9; ++y) EXPECT_TRUE(RowIs(s, y, 1, 18, kWhite));
  ExpectXpBorder(s);
  EXPECT_EQ(b.OnlyText(), (TextCall{u"OK", kDownCaption, kCaptionOneLine, kText}));
  EXPECT_EQ(b.state.VisualState, StateDown);

  Button focused(20, 12, XpButton);
  focused.Focus();
  focused.Paint(StateDown);
  EXPECT_EQ(focused.surface.GetPixel(3, 2), Inverted(Rgb(195, 194, 207)));
  EXPECT_EQ(focused.surface.GetPixel(4, 2), Rgb(195, 194, 207));

  // The default marking alone shows nothing in the pressed look.
  Button asDefault(20, 12, XpButton);
  asDefault.displayAsDefault = true;
  asDefault.Paint(StateDown);
  EXPECT_TRUE(SameImage(asDefault.surface, s));
}

TEST(PaintXpButton, OlivePressedDarkensUpwardWithHalvesToEven) {
  // base = (216, 216, 209); row H - i shifts it by round(-15/12 × i): -1, -2 (2.5),
  // ..., -8 (7.5), ..., -12 (12.5), -14, -15.
  Button b(20, 12, XpButton);
  b.derived.FaceColor = Grey(200);
  b.props.XpType = XpOlive;
  b.Paint(StateDown);
  const RasterSurface& s = b.surface;
  EXPECT_EQ(s.GetPixel(0, 11), Rgb(215, 215, 208));
  EXPECT_TRUE(RowIs(s, 10, 2, 17, Rgb(214, 214, 207)));
  EXPECT_TRUE(RowIs(s, 6, 1, 18, Rgb(208, 208, 201)));
  EXPECT_TRUE(RowIs(s, 2, 1, 18, Rgb(204, 204, 196)));
  EXPECT_EQ(s.GetPixel(19, 0), Rgb(201, 201, 193));
  EXPECT_TRUE(RowIs(s, 0, 2, 17, kXpLine));
}

TEST(PaintXpButton, SilverPressedAndDisabled) {
  Button silver(20, 12, XpButton);
  silver.props.XpType = XpSilver;
  silver.Paint(StateDown);
  EXPECT_TRUE(RowIs(silver.surface, 2, 1, 18, Rgb(233, 233, 227)));
  EXPECT_TRUE(RowIs(silver.surface, 6, 1, 18, Rgb(251, 251, 249)));
  EXPECT_TRUE(RowIs(silver.surface, 7, 1, 18, kWhite));

  Button off(20, 12, XpButton);
  off.props.Enabled = kVbFalse;
  off.Focus();
  off.Paint(StateUp);
  const Colour face = Rgb(244, 244, 234), border = Rgb(201, 199, 186);
  for (int y = 2; y <= 9; ++y) EXPECT_TRUE(RowIs(off.surface, y, 1, 18, face));
  EXPECT_TRUE(RowIs(off.surface, 10, 2, 17, face));
  EXPECT_TRUE(RowIs(off.surface, 0, 2, 17, border));
  EXPECT_TRUE(ColumnIs(off.surface, 19, 2, 9, border));
  EXPECT_TRUE(PixelsAre(off.surface, {{1, 1}, {1, 10}, {18, 1}, {18, 10}}, border));
  EXPECT_TRUE(PixelsAre(off.surface, CutCorners(20, 12), face));
  EXPECT_TRUE(RowIs(off.surface, 1, 2, 17, face));
  EXPECT_EQ(off.OnlyText(), (TextCall{u"OK", kUpCaption, kCaptionOneLine, Rgb(161, 162, 146)}));
}

// ---- Style 2, ClassicButton ----

void ExpectRaisedBevel(const RasterSurface& s) {
  const Colour d = kDark, f = kFace, l = kLight, hi = kHighlight, sh = kShadow;
  EXPECT_TRUE(RowIs(s, 0, 2, 17, d));
  EXPECT_TRUE(RowIs(s, 11, 2, 17, d));
  EXPECT_TRUE(ColumnIs(s, 0, 2, 9, d));
  EXPECT_TRUE(ColumnIs(s, 19, 2, 9, d));
  EXPECT_TRUE(PixelsAre(s, CutCorners(20, 12), kFace));
  // Row by row, from the left: (x, colour) runs.
  EXPECT_TRUE(PixelsAre(s, {{1, 1}, {18, 1}, {1, 10}, {18, 10}}, d));
  EXPECT_TRUE(PixelsAre(s, {{2, 1}, {17, 1}, {1, 2}, {18, 2}, {2, 10}}, f));
  EXPECT_TRUE(RowIs(s, 1, 3, 16, l));
  EXPECT_TRUE(RowIs(s, 2, 2, 16, hi));
  EXPECT_EQ(s.GetPixel(17, 2), l);
  EXPECT_TRUE(ColumnIs(s, 2, 3, 8, hi));
  EXPECT_EQ(s.GetPixel(3, 3), hi);
  EXPECT_TRUE(RowIs(s, 3, 4, 16, l));
  EXPECT_TRUE(ColumnIs(s, 1, 3, 8, l));
  EXPECT_TRUE(ColumnIs(s, 17, 3, 8, f));
  EXPECT_EQ(s.GetPixel(16, 8), f);
  EXPECT_TRUE(RowIs(s, 8, 3, 15, l));
  EXPECT_EQ(s.GetPixel(1, 9), f);
  EXPECT_EQ(s.GetPixel(2, 9), l);
  EXPECT_TRUE(RowIs(s, 9, 3, 16, f));
  EXPECT_TRUE(PixelsAre(s, {{17, 9}}, sh));
  EXPECT_TRUE(ColumnIs(s, 18, 3, 9, sh));
  EXPECT_TRUE(RowIs(s, 10, 3, 17, sh));
}

TEST(PaintClassicButton, UpIsARaisedBevel) {
  Button b(20, 12, ClassicButton);
  b.Paint(StateUp);
  ExpectRaisedBevel(b.surface);
  EXPECT_EQ(b.OnlyText(), (TextCall{u"OK", kUpCaption, kCaptionOneLine, kText}));
}

TEST(PaintClassicButton, EmphasisIsTheBlueFrameAndHoverTheRectColorFrame) {
  Button b(20, 12, ClassicButton);
  b.Focus();
  b.Paint(StateUp);
  const RasterSurface& s = b.surface;
  EXPECT_TRUE(RowIs(s, 2, 1, 18, Rgb(189, 215, 247)));  // no dots: no focus rectangle here
  EXPECT_TRUE(RowIs(s, 1, 2, 17, Rgb(206, 231, 255)));
  EXPECT_TRUE(RowIs(s, 10, 2, 17, Rgb(107, 130, 239)));
  EXPECT_TRUE(RowIs(s, 9, 1, 18, Rgb(140, 174, 231)));
  EXPECT_TRUE(ColumnIs(s, 1, 3, 8, Rgb(140, 174, 231)));
  EXPECT_TRUE(ColumnIs(s, 2, 3, 8, Rgb(181, 209, 240)));
  EXPECT_TRUE(ColumnIs(s, 17, 3, 8, Rgb(181, 209, 240)));
  EXPECT_EQ(s.GetPixel(3, 3), kHighlight);

  Button hover(20, 12, ClassicButton);
  hover.Focus();
  hover.Hover();
  hover.Paint(StateUp);
  EXPECT_TRUE(RowIs(hover.surface, 1, 2, 17, kRectColor));
  EXPECT_TRUE(ColumnIs(hover.surface, 1, 2, 9, kRectColor));
  EXPECT_TRUE(RowIs(hover.surface, 9, 3, 16, kRectColor));
  EXPECT_EQ(hover.surface.GetPixel(3, 3), kHighlight);

  Button hoverOnly(20, 12, ClassicButton);
  hoverOnly.Hover();
  hoverOnly.Paint(StateUp);
  EXPECT_TRUE(SameImage(hoverOnly.surface, hover.surface));
}

TEST(PaintClassicButton, PressedIsASunkenBevelWithALightCaption) {
  const Colour s16 = Rgb(112, 104, 94), s32 = Rgb(96, 88, 78), s64 = Rgb(64, 56, 46);
  Button b(20, 12, ClassicButton);
  b.Focus();
  b.Paint(StateDown);
  const RasterSurface& s = b.surface;
  EXPECT_TRUE(RowIs(s, 0, 2, 17, kDark));
  EXPECT_TRUE(RowIs(s, 11, 2, 17, kDark));
  EXPECT_TRUE(ColumnIs(s, 0, 2, 9, kDark));
  EXPECT_TRUE(ColumnIs(s, 19, 2, 9, kDark));
  EXPECT_TRUE(PixelsAre(s, CutCorners(20, 12), kFace));
  EXPECT_TRUE(PixelsAre(s, {{1, 1}, {18, 1}, {1, 10}, {18, 10}}, kDark));
  EXPECT_TRUE(RowIs(s, 1, 2, 16, s64));
  EXPECT_TRUE(PixelsAre(s, {{17, 1}, {17, 2}, {1, 9}, {2, 9}}, s16));
  EXPECT_TRUE(PixelsAre(s, {{1, 2}, {2, 2}}, s64));
  EXPECT_TRUE(RowIs(s, 2, 3, 16, s32));
  EXPECT_TRUE(PixelsAre(s, {{18, 2}, {18, 9}, {17, 10}, {2, 10}, {3, 3}}, s32));
  EXPECT_TRUE(ColumnIs(s, 1, 3, 8, s64));
  EXPECT_TRUE(ColumnIs(s, 2, 3, 8, s32));
  EXPECT_TRUE(RowIs(s, 3, 4, 16, s16));
  EXPECT_TRUE(ColumnIs(s, 17, 3, 8, kShadow));
  EXPECT_EQ(s.GetPixel(16, 8), kShadow);
  EXPECT_TRUE(RowIs(s, 9, 3, 17, kShadow));
  EXPECT_TRUE(ColumnIs(s, 18, 3, 8, s16));
  EXPECT_TRUE(RowIs(s, 10, 3, 16, s16));
  EXPECT_EQ(b.OnlyText(), (TextCall{u"OK", kDownCaption, kCaptionOneLine, kLight}));
}

TEST(PaintClassicButton, DisabledEngravesTheCaption) {
  Button b(20, 12, ClassicButton);
  b.props.Enabled = kVbFalse;
  b.Paint(StateUp);
  ExpectRaisedBevel(b.surface);
  ASSERT_EQ(b.surface.textCalls.size(), 2u);
  EXPECT_EQ(b.surface.textCalls[0], (TextCall{u"OK", kUpCaption, kCaptionOneLine, kShadow}));
  EXPECT_EQ(b.surface.textCalls[1], (TextCall{u"OK", kDownCaption, kCaptionOneLine, kHighlight}));

  // Wider than W: the shadow copy stays on one line; the highlight copy is wrapped from
  // (40 - 12 × (30 div 20 + 1)) div 2 + 2 = 10.
  Button wide(20, 40, ClassicButton);
  wide.props.Enabled = kVbFalse;
  wide.props.Caption = u"Hello";
  wide.Paint(StateUp);
  ASSERT_EQ(wide.surface.textCalls.size(), 2u);
  EXPECT_EQ(wide.surface.textCalls[0], (TextCall{u"Hello", {0, 0, 20, 40}, kCaptionOneLine, kShadow}));
  EXPECT_EQ(wide.surface.textCalls[1], (TextCall{u"Hello", {2, 10, 20, 40}, kCaptionWrapped, kHighlight}));
  EXPECT_EQ(wide.state.CaptionRect.top, 0);
}

// ---- Styles 3 and 4, GradientButton and GlassButton ----

TEST(PaintGradientButton, UpUsesTheMidAndEndColoursAndTheSchemeBorder) {
  // Percent 16 at H = 23: split row 4 in MidColor, row 3 one step toward EndColor.
  Button b(20, 23, GradientButton);
  b.Paint(StateUp);
  const RasterSurface& s = b.surface;
  EXPECT_TRUE(RowIs(s, 4, 1, 18, Rgb(116, 200, 115)));
  EXPECT_TRUE(RowIs(s, 3, 1, 18, Rgb(153, 217, 152)));
  EXPECT_TRUE(ColumnIs(s, 0, 2, 20, Rgb(183, 183, 183)));
  EXPECT_TRUE(PixelsAre(s, CutCorners(20, 23), kFace));
  EXPECT_EQ(b.OnlyText(), (TextCall{u"OK", {0, 0, 20, 23}, kCaptionOneLine, kText}));

  Button custom(20, 23, GradientButton);
  custom.props.ColorScheme = SchemeCustom;
  custom.Paint(StateUp);
  EXPECT_TRUE(ColumnIs(custom.surface, 19, 2, 20, Rgb(1, 109, 1)));

  Button unknownScheme(20, 23, GradientButton);
  unknownScheme.props.ColorScheme = 7;  // counts as the system scheme
  unknownScheme.Paint(StateUp);
  EXPECT_TRUE(ColumnIs(unknownScheme.surface, 0, 2, 20, Rgb(183, 183, 183)));
}

TEST(PaintGradientButton, HoverPaintsTheMouseMoveGradientOverIt) {
  Button b(20, 23, GradientButton);
  b.Hover();
  b.Paint(StateUp);
  EXPECT_TRUE(RowIs(b.surface, 4, 1, 18, Rgb(53, 163, 51)));
  EXPECT_TRUE(ColumnIs(b.surface, 0, 2, 20, Rgb(82, 134, 182)));
  EXPECT_EQ(b.surface.GetPixel(1, 1), Rgb(82, 134, 182));
}

TEST(PaintGradientButton, EmphasisDotsTheGradient) {
  // Row 2 right of the highlight keeps the upper gradient's row 2, (190, 234, 190).
  Button b(20, 23, GradientButton);
  b.displayAsDefault = true;
  b.Paint(StateUp);
  EXPECT_EQ(b.surface.GetPixel(17, 2), Inverted(Rgb(190, 234, 190)));
  EXPECT_EQ(b.surface.GetPixel(16, 2), Rgb(190, 234, 190));
  EXPECT_EQ(b.surface.GetPixel(15, 2), Inverted(Rgb(190, 234, 190)));
}

TEST(PaintGradientButton, PressedBySchemeAndFocus) {
  // System scheme: a gradient from MouseDownMidColor toward black, orange border.
  Button system(20, 23, GradientButton);
  system.Paint(StateDown);
  EXPECT_TRUE(RowIs(system.surface, 4, 1, 18, Rgb(132, 208, 133)));
  EXPECT_TRUE(RowIs(system.surface, 3, 1, 18, Rgb(83, 130, 83)));
  EXPECT_TRUE(ColumnIs(system.surface, 0, 2, 20, Rgb(203, 130, 62)));
  EXPECT_EQ(system.OnlyText(), (TextCall{u"OK", {2, 2, 20, 23}, kCaptionOneLine, kText}));

  // Any other scheme: flat MouseDownMidColor, green border; the focus dots on top.
  Button flat(20, 23, GradientButton);
  flat.props.ColorScheme = SchemeGrey;
  flat.Focus();
  flat.Paint(StateDown);
  EXPECT_TRUE(RowIs(flat.surface, 12, 3, 16, Rgb(132, 208, 133)));
  EXPECT_TRUE(RowIs(flat.surface, 1, 2, 17, Rgb(132, 208, 133)));
  EXPECT_TRUE(ColumnIs(flat.surface, 0, 2, 20, Rgb(84, 157, 84)));
  EXPECT_EQ(flat.surface.GetPixel(17, 2), Inverted(Rgb(132, 208, 133)));
  EXPECT_EQ(flat.surface.GetPixel(16, 2), Rgb(132, 208, 133));
}

TEST(PaintGradientButton, Disabled) {
  Button b(20, 23, GradientButton);
  b.props.Enabled = kVbFalse;
  b.Paint(StateUp);
  for (int y = 2; y <= 20; ++y) EXPECT_TRUE(RowIs(b.surface, y, 1, 18, Rgb(241, 242, 237)));
  EXPECT_TRUE(ColumnIs(b.surface, 0, 2, 20, Rgb(204, 204, 202)));
  EXPECT_TRUE(PixelsAre(b.surface, {{1, 1}, {18, 21}}, Rgb(204, 204, 202)));
  EXPECT_TRUE(PixelsAre(b.surface, CutCorners(20, 23), kFace));
  EXPECT_EQ(b.OnlyText(), (TextCall{u"OK", {0, 0, 20, 23}, kCaptionOneLine, Rgb(171, 168, 153)}));
}

TEST(PaintGlassButton, UpHoverPressedPickTheirColourPairs) {
  // The grey glass at 53 %: rows 12..3 from 207 in steps of 4, band 197, rows 18 and 19
  // 202 and 208.
  Button up(12, 23, GlassButton);
  up.props.Percent = 53;
  up.props.MidColor = Grey(197);
  up.props.EndColor = Grey(238);
  up.Paint(StateUp);
  EXPECT_TRUE(RowIs(up.surface, 12, 3, 8, Grey(207)));
  EXPECT_TRUE(RowIs(up.surface, 3, 3, 8, Grey(243)));
  EXPECT_TRUE(RowIs(up.surface, 15, 3, 8, Grey(197)));
  EXPECT_TRUE(RowIs(up.surface, 19, 3, 8, Grey(208)));
  EXPECT_TRUE(RowIs(up.surface, 20, 1, 10, Rgb(207, 234, 255)));
  EXPECT_TRUE(ColumnIs(up.surface, 0, 2, 20, Rgb(81, 107, 148)));
  EXPECT_TRUE(PixelsAre(up.surface, CutCorners(12, 23), kFace));
  EXPECT_EQ(up.OnlyText(), (TextCall{u"OK", {0, 0, 12, 23}, kCaptionOneLine, kText}));

  Button hover(12, 23, GlassButton);
  hover.props.Percent = 53;
  hover.props.MouseMoveMidColor = Grey(100);
  hover.props.MouseMoveEndColor = Grey(141);
  hover.Hover();
  hover.Paint(StateUp);
  EXPECT_TRUE(RowIs(hover.surface, 12, 3, 8, Grey(110)));
  EXPECT_TRUE(RowIs(hover.surface, 15, 3, 8, Grey(100)));

  Button down(12, 23, GlassButton);
  down.props.Percent = 53;
  down.props.MouseDownMidColor = Grey(50);
  down.props.MouseDownEndColor = Grey(91);
  down.Focus();
  down.Paint(StateDown);
  EXPECT_TRUE(RowIs(down.surface, 11, 3, 8, Grey(64)));
  EXPECT_TRUE(RowIs(down.surface, 15, 3, 8, Grey(50)));
  // FocusRect {2,2,10,21}: the first dot at (9, 2) on the inner frame.
  EXPECT_EQ(down.surface.GetPixel(9, 2), Inverted(Rgb(201, 216, 255)));
  EXPECT_EQ(down.surface.GetPixel(8, 2), Rgb(201, 216, 255));
  EXPECT_EQ(down.OnlyText(), (TextCall{u"OK", {2, 2, 12, 23}, kCaptionOneLine, kText}));
}

TEST(PaintGlassButton, DisabledUsesItsOwnBlueGlass) {
  // (198,218,255) to (232,242,255) at 53 %: upper steps (3, 2, 0), lower (5, 4, 0).
  Button b(12, 23, GlassButton);
  b.props.Enabled = kVbFalse;
  b.props.Percent = 10;  // not used: the disabled face is always at 53 %
  b.Paint(StateUp);
  EXPECT_TRUE(RowIs(b.surface, 12, 3, 8, Rgb(208, 228, 255)));
  EXPECT_TRUE(RowIs(b.surface, 11, 3, 8, Rgb(211, 230, 255)));
  EXPECT_TRUE(RowIs(b.surface, 3, 3, 8, Rgb(235, 246, 255)));
  EXPECT_TRUE(RowIs(b.surface, 16, 3, 8, Rgb(198, 218, 255)));
  EXPECT_TRUE(RowIs(b.surface, 18, 3, 8, Rgb(203, 223, 255)));
  EXPECT_TRUE(RowIs(b.surface, 19, 3, 8, Rgb(208, 227, 255)));
  EXPECT_TRUE(ColumnIs(b.surface, 11, 2, 20, Rgb(128, 140, 162)));
  EXPECT_EQ(b.OnlyText(), (TextCall{u"OK", {0, 0, 12, 23}, kCaptionOneLine, Rgb(171, 168, 153)}));
}

// ---- Style 5, OfficeXpButton ----

void ExpectFlatButton(const RasterSurface& s, Colour frame, Colour fill) {
  EXPECT_TRUE(RowIs(s, 0, 0, 19, frame));
  EXPECT_TRUE(RowIs(s, 11, 0, 19, frame));
  EXPECT_TRUE(ColumnIs(s, 0, 0, 11, frame));
  EXPECT_TRUE(ColumnIs(s, 19, 0, 11, frame));
  EXPECT_TRUE(RowIs(s, 1, 1, 18, fill));
  EXPECT_TRUE(RowIs(s, 5, 3, 16, fill));
  EXPECT_TRUE(RowIs(s, 10, 1, 18, fill));
}

TEST(PaintOfficeXpButton, UpAndHover) {
  Button up(20, 12, OfficeXpButton);
  up.Paint(StateUp);
  ExpectFlatButton(up.surface, Rgb(188, 188, 66), Rgb(222, 222, 160));
  EXPECT_TRUE(RowIs(up.surface, 2, 1, 18, Rgb(222, 222, 160)));
  EXPECT_EQ(up.OnlyText(), (TextCall{u"OK", kUpCaption, kCaptionOneLine, kText}));

  Button hover(20, 12, OfficeXpButton);
  hover.Hover();
  hover.Paint(StateUp);
  ExpectFlatButton(hover.surface, Rgb(127, 128, 1), Rgb(220, 220, 186));
}

TEST(PaintOfficeXpButton, FocusShowsTheDotsButTheDefaultMarkingDoesNot) {
  Button focused(20, 12, OfficeXpButton);
  focused.Focus();
  focused.Paint(StateUp);
  EXPECT_TRUE(PixelsAre(focused.surface, {{17, 2}, {3, 2}, {2, 3}, {2, 9}, {17, 8}}, Inverted(Rgb(222, 222, 160))));
  EXPECT_TRUE(PixelsAre(focused.surface, {{16, 2}, {2, 2}, {2, 4}, {17, 9}}, Rgb(222, 222, 160)));

  Button asDefault(20, 12, OfficeXpButton);
  asDefault.displayAsDefault = true;
  asDefault.Paint(StateUp);
  EXPECT_TRUE(RowIs(asDefault.surface, 2, 1, 18, Rgb(222, 222, 160)));
}

TEST(PaintOfficeXpButton, PressedDarkensTheHoverFillByScheme) {
  Button system(20, 12, OfficeXpButton);
  system.Paint(StateDown);
  ExpectFlatButton(system.surface, Rgb(127, 128, 1), Rgb(190, 190, 126));
  EXPECT_EQ(system.OnlyText(), (TextCall{u"OK", kDownCaption, kCaptionOneLine, kText}));

  Button grey(20, 12, OfficeXpButton);
  grey.props.ColorScheme = SchemeGrey;
  grey.props.OfficeXpMousemoveFillColor = Rgb(193, 210, 238);
  grey.Focus();
  grey.Paint(StateDown);
  EXPECT_EQ(grey.surface.GetPixel(16, 2), Rgb(153, 180, 223));
  EXPECT_EQ(grey.surface.GetPixel(17, 2), Inverted(Rgb(153, 180, 223)));
}

TEST(PaintOfficeXpButton, DisabledBySchemeWithTheFrameColourCaption) {
  Button system(20, 12, OfficeXpButton);
  system.props.Enabled = kVbFalse;
  system.Paint(StateUp);
  ExpectFlatButton(system.surface, Rgb(188, 188, 64), Rgb(238, 239, 208));
  EXPECT_EQ(system.OnlyText(), (TextCall{u"OK", kUpCaption, kCaptionOneLine, Rgb(188, 188, 64)}));

  Button grey(20, 12, OfficeXpButton);
  grey.props.Enabled = kVbFalse;
  grey.props.ColorScheme = SchemeGrey;
  grey.props.OfficeXpFrameColor = Rgb(172, 169, 154);
  grey.props.OfficeXpFillColor = Rgb(236, 233, 216);
  grey.Paint(StateUp);
  ExpectFlatButton(grey.surface, Rgb(172, 169, 154), Rgb(236, 233, 216));
  EXPECT_EQ(grey.OnlyText(), (TextCall{u"OK", kUpCaption, kCaptionOneLine, Rgb(172, 169, 154)}));
}

// ---- High contrast: every style flat, in the system colours only ----

TEST(PaintHighContrast, EveryStyleAndLookUsesOnlyTheSystemColours) {
  const HighContrastColours hc{Rgb(0, 0, 1), Rgb(255, 255, 2), Rgb(3, 255, 255),
                               Rgb(26, 235, 4), Rgb(5, 0, 0), Rgb(63, 242, 6)};
  const std::vector<Colour> allowed{hc.ButtonFace, hc.ButtonText, hc.WindowFrame, hc.Highlight, hc.HighlightText,
                                    hc.GrayText};
  auto allowedOnly = [&](const Button& b) -> ::testing::AssertionResult {
    for (int y = 0; y < b.surface.Height(); ++y)
      for (int x = 0; x < b.surface.Width(); ++x)
        if (std::find(allowed.begin(), allowed.end(), b.surface.GetPixel(x, y)) == allowed.end())
          return ::testing::AssertionFailure() << "(" << x << "," << y << ") is " << Hex(b.surface.GetPixel(x, y));
    for (const TextCall& t : b.surface.textCalls)
      if (std::find(allowed.begin(), allowed.end(), t.colour) == allowed.end())
        return ::testing::AssertionFailure() << "caption in " << Hex(t.colour);
    return ::testing::AssertionSuccess();
  };
  for (std::int32_t type : {0, 1, 2, 3, 4, 5}) {
    for (std::int32_t scheme : {SchemeSystem, SchemeCustom, SchemeGrey}) {
      auto made = [&] {
        Button b(20, 12, type);
        b.props.ColorScheme = scheme;
        b.contrast = &hc;
        return b;
      };
      const std::string where = "type " + std::to_string(type) + " scheme " + std::to_string(scheme);

      Button up = made();
      up.Paint(StateUp);
      EXPECT_TRUE(allowedOnly(up)) << where;
      ExpectFlatButton(up.surface, hc.WindowFrame, hc.ButtonFace);
      EXPECT_EQ(up.OnlyText(), (TextCall{u"OK", kUpCaption, kCaptionOneLine, hc.ButtonText})) << where;

      Button hot = made();
      hot.Hover();
      hot.displayAsDefault = true;
      hot.Paint(StateUp);
      EXPECT_TRUE(allowedOnly(hot)) << where;
      ExpectFlatButton(hot.surface, hc.Highlight, hc.ButtonFace);

      Button focused = made();
      focused.Focus();
      focused.Paint(StateUp);
      EXPECT_TRUE(allowedOnly(focused)) << where;
      EXPECT_TRUE(RowIs(focused.surface, 2, 2, 17, hc.Highlight)) << where;
      EXPECT_TRUE(ColumnIs(focused.surface, 2, 2, 9, hc.Highlight)) << where;

      Button pressed = made();
      pressed.Focus();
      pressed.Paint(StateDown);
      EXPECT_TRUE(allowedOnly(pressed)) << where;
      EXPECT_TRUE(RowIs(pressed.surface, 0, 0, 19, hc.Highlight)) << where;
      EXPECT_TRUE(RowIs(pressed.surface, 5, 3, 16, hc.Highlight)) << where;
      EXPECT_TRUE(RowIs(pressed.surface, 9, 2, 17, hc.HighlightText)) << where;
      EXPECT_EQ(pressed.OnlyText(), (TextCall{u"OK", kDownCaption, kCaptionOneLine, hc.HighlightText})) << where;

      Button off = made();
      off.props.Enabled = kVbFalse;
      off.Paint(StateUp);
      EXPECT_TRUE(allowedOnly(off)) << where;
      ExpectFlatButton(off.surface, hc.GrayText, hc.ButtonFace);
      EXPECT_EQ(off.OnlyText(), (TextCall{u"OK", kUpCaption, kCaptionOneLine, hc.GrayText})) << where;
    }
  }
}

// ---- Any style: dispatch, states, the skip test, focus replacement ----

TEST(PaintButtonPass, UnknownButtonTypeShowsTheFaceAndCaptionOnlyWhenUp) {
  for (std::int32_t type : {0, 6, 9, -1}) {
    Button up(20, 12, type);
    up.Focus();
    up.displayAsDefault = true;
    up.Paint(StateUp);
    EXPECT_TRUE(AllFace(up.surface)) << type;
    EXPECT_EQ(up.OnlyText(), (TextCall{u"OK", kUpCaption, kCaptionOneLine, kText}));

    Button down(20, 12, type);
    down.Focus();
    down.Paint(StateDown);
    EXPECT_TRUE(AllFace(down.surface)) << type;
    EXPECT_TRUE(down.surface.textCalls.empty());

    Button off(20, 12, type);
    off.props.Enabled = kVbFalse;
    off.Paint(StateUp);
    EXPECT_TRUE(AllFace(off.surface)) << type;
    EXPECT_TRUE(off.surface.textCalls.empty());
  }
}

TEST(PaintButtonPass, OtherStatesOfAnEnabledButtonShowOnlyTheFace) {
  for (std::int32_t type : {1, 2, 3, 4, 5}) {
    Button b(20, 12, type);
    b.Paint(1);
    EXPECT_TRUE(AllFace(b.surface)) << type;
    EXPECT_TRUE(b.surface.textCalls.empty());
    EXPECT_EQ(b.state.VisualState, 1);
  }
}

TEST(PaintButtonPass, FocusRectOffHidesEveryFocusAndEmphasis) {
  for (std::int32_t type : {1, 2, 3, 4, 5}) {
    for (std::uint8_t look : {StateUp, StateDown}) {
      Button plain(20, 23, type);
      plain.Paint(look);
      Button hidden(20, 23, type);
      hidden.props.ShowFocusRect = kVbFalse;
      hidden.displayAsDefault = true;
      hidden.Focus();
      hidden.Paint(look);
      EXPECT_TRUE(SameImage(hidden.surface, plain.surface)) << "type " << type << " state " << int{look};
      EXPECT_EQ(hidden.state.HasFocus, kVbTrue);
    }
  }
}

TEST(PaintButtonPass, SkipsWhenNothingChangedAndWhenHeightIsZero) {
  Button b(20, 12, OfficeXpButton);
  b.Paint(StateUp);
  EXPECT_EQ(b.state.LastCaption, u"OK");
  b.surface.SetPixel(5, 5, Rgb(9, 9, 9));
  b.Paint(StateUp, false);
  EXPECT_EQ(b.surface.GetPixel(5, 5), Rgb(9, 9, 9));
  EXPECT_EQ(b.surface.textCalls.size(), 1u);

  b.Paint(StateDown, false);  // another state
  EXPECT_EQ(b.surface.GetPixel(5, 5), Rgb(190, 190, 126));
  EXPECT_EQ(b.surface.textCalls.size(), 2u);

  b.props.Caption = u"No";  // another caption
  b.Paint(StateDown, false);
  EXPECT_EQ(b.surface.textCalls.size(), 3u);
  EXPECT_EQ(b.state.LastCaption, u"No");

  b.surface.SetPixel(5, 5, Rgb(9, 9, 9));
  b.Paint(StateDown, true);  // forced
  EXPECT_EQ(b.surface.GetPixel(5, 5), Rgb(190, 190, 126));

  Button flat(20, 12, OfficeXpButton);
  flat.state.ClientHeight = 0;
  flat.Paint(StateDown, true);
  EXPECT_EQ(flat.surface.GetPixel(5, 5), kBack);
  EXPECT_EQ(flat.state.VisualState, StateUp);
  EXPECT_TRUE(flat.state.LastCaption.empty());
}

TEST(PaintButtonPass, FocusIsRestoredWhenAPrimitiveOverflows) {
  Button b(20, 12, ClassicButton);
  b.state.ClientWidth = INT_MIN;  // W - 2 overflows
  b.props.ShowFocusRect = kVbFalse;
  b.Focus();
  try {
    b.Paint(StateUp);
    FAIL() << "no overflow";
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.number(), kErrOverflow);
  }
  EXPECT_EQ(b.state.HasFocus, kVbTrue);
}

// ---- Caption layouts ----

TEST(PaintButtonCaption, OneLineOrWordWrappedFromTheComputedTop) {
  // Cell 6 x 12: "Hello" is 30 wide in W = 20: lines 30 div 20 + 1 = 2, top (40 - 24) div 2.
  Button b(20, 40, 9);
  b.props.Caption = u"Hello";
  b.Paint(StateUp);
  EXPECT_EQ(b.OnlyText(), (TextCall{u"Hello", {0, 8, 20, 40}, kCaptionWrapped, kText}));
  EXPECT_EQ(b.state.CaptionRect.top, 8);

  // A caption that fits again is centred between the old top and H.
  b.props.Caption = u"Hi";
  b.Paint(StateUp);
  EXPECT_EQ(b.surface.textCalls.back(), (TextCall{u"Hi", {0, 8, 20, 40}, kCaptionOneLine, kText}));

  // Exactly W wide still fits on one line.
  Button exact(20, 40, 9);
  exact.props.Caption = u"Four";
  exact.surface.SetTextCell(5, 12);
  exact.Paint(StateUp);
  EXPECT_EQ(exact.OnlyText().flags, kCaptionOneLine);

  // The halving truncates toward zero: 7 characters, 3 lines, (19 - 36) div 2 = -8.
  Button tall(20, 19, 9);
  tall.props.Caption = u"Caption";
  tall.Paint(StateUp);
  EXPECT_EQ(tall.state.CaptionRect.top, -8);
}

TEST(PaintButtonCaption, PressedMovesRightAndDown) {
  Button one(20, 40, OfficeXpButton);
  one.Paint(StateDown);
  EXPECT_EQ(one.OnlyText().rect, (Rect{2, 2, 20, 40}));
  EXPECT_EQ(one.OnlyText().flags, kCaptionOneLine);

  Button wrapped(20, 40, OfficeXpButton);
  wrapped.props.Caption = u"Hello";
  wrapped.Paint(StateUp);
  wrapped.Paint(StateDown);
  ASSERT_EQ(wrapped.surface.textCalls.size(), 2u);
  EXPECT_EQ(wrapped.surface.textCalls[1], (TextCall{u"Hello", {2, 10, 20, 40}, kCaptionWrapped, kText}));
  EXPECT_EQ(wrapped.state.PressedCaptionRect.top, 10);
}

TEST(PaintButtonCaption, ZeroWidthButtonDrawsNoWrappedCaption) {
  Button up(0, 12, XpButton);
  ASSERT_NO_THROW(up.Paint(StateUp));
  EXPECT_TRUE(up.surface.textCalls.empty());
  EXPECT_EQ(up.state.CaptionRect.top, 0);

  Button engraved(0, 12, ClassicButton);
  engraved.props.Enabled = kVbFalse;
  ASSERT_NO_THROW(engraved.Paint(StateUp));
  ASSERT_EQ(engraved.surface.textCalls.size(), 1u);
  EXPECT_EQ(engraved.surface.textCalls[0].colour, kShadow);
  EXPECT_EQ(engraved.state.PressedCaptionRect.top, 2);

  Button empty(0, 12, XpButton);
  empty.props.Caption.clear();
  empty.Paint(StateUp);
  EXPECT_EQ(empty.OnlyText().flags, kCaptionOneLine);
}

}  // namespace
}  // namespace tovrel
