// The drawing primitives and the colour arithmetic of the button, pixel for pixel.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "button_control/button_painter.h"
#include "button_control/colour.h"
#include "button_control/raster_surface.h"
#include "pixel_checks.h"

namespace tovrel {
namespace {

using test::ColumnIs;
using test::Grey;
using test::Hex;
using test::RowIs;

constexpr Colour kBack = Rgb(1, 2, 3);




struct Rig {
  RasterSurface surface;
  CommandProperties props;
  CommandState state;
  DerivedColours derived;

  Rig(int w, int h) : surface(w, h, kBack) {
    state.ClientWidth = w;
    state.ClientHeight = h;
    state.CaptionRect = {0, 0, w, h};
    state.PressedCaptionRect = {2, 2, w, h};
    state.FocusRect = {2, 2, w - 2, h - 2};
  }
  ButtonPainter Painter() { return ButtonPainter(surface, props, state, derived, false); }
};

TEST(ButtonColour, ShiftColorAddsToEachChannelAndClamps) {
  EXPECT_EQ(ShiftColor(Rgb(236, 233, 216), -64, false), Rgb(172, 169, 152));
  EXPECT_EQ(ShiftColor(Rgb(236, 233, 216), 31, false), Rgb(255, 255, 247));
  EXPECT_EQ(ShiftColor(Rgb(236, 233, 216), 47, false), Rgb(255, 255, 255));
  EXPECT_EQ(ShiftColor(Rgb(236, 233, 216), -192, false), Rgb(44, 41, 24));
  // Proportional scales blue only: 148 + 148 * 48 div 192 = 185.
  EXPECT_EQ(ShiftColor(Rgb(81, 107, 148), 48, true), Rgb(129, 155, 185));
  // 100 * -50 = -5000, div 192 truncates to -26.
  EXPECT_EQ(ShiftColor(Rgb(100, 100, 100), -50, true), Rgb(50, 50, 74));
}

TEST(ButtonColour, SystemColourReferencesAreNotTranslated) {
  const Colour buttonFace = static_cast<Colour>(0x8000000F);
  EXPECT_EQ(RedOf(buttonFace), 15);
  EXPECT_EQ(GreenOf(buttonFace), -255);
  EXPECT_EQ(BlueOf(buttonFace), -255);
  EXPECT_EQ(ShiftColor(buttonFace, -64, false), Rgb(0, 0, 0));
}

TEST(ButtonColour, OffsetColorStaysBetweenZeroAndTheCeiling) {
  EXPECT_EQ(OffsetColor(Rgb(193, 210, 238), -40, -30, -15, Rgb(250, 250, 250)), Rgb(153, 180, 223));
  EXPECT_EQ(OffsetColor(Rgb(220, 220, 186), -30, -30, -60, Rgb(250, 250, 250)), Rgb(190, 190, 126));
  EXPECT_EQ(OffsetColor(Rgb(240, 10, 100), 20, -30, 200, Rgb(250, 250, 240)), Rgb(250, 0, 240));
}

TEST(ButtonPrimitives, PaintRectFillsOrFramesLeftTopWidthHeight) {
  Rig rig(8, 6);
  auto p = rig.Painter();
  p.PaintRect(1, 1, 3, 2, Grey(50), false);
  EXPECT_TRUE(RowIs(rig.surface, 1, 1, 3, Grey(50)));
  EXPECT_TRUE(RowIs(rig.surface, 2, 1, 3, Grey(50)));
  EXPECT_TRUE(RowIs(rig.surface, 3, 0, 7, kBack));
  EXPECT_EQ(rig.surface.GetPixel(4, 1), kBack);

  p.PaintRect(0, 0, 8, 6, Grey(90), true);
  EXPECT_TRUE(RowIs(rig.surface, 0, 0, 7, Grey(90)));
  EXPECT_TRUE(RowIs(rig.surface, 5, 0, 7, Grey(90)));
  EXPECT_TRUE(ColumnIs(rig.surface, 0, 0, 5, Grey(90)));
  EXPECT_TRUE(ColumnIs(rig.surface, 7, 0, 5, Grey(90)));
  EXPECT_EQ(rig.surface.GetPixel(1, 1), Grey(50));
}

TEST(ButtonPrimitives, PaintLineKeepsThePenColourAndOmitsTheEnd) {
  Rig rig(8, 6);
  auto p = rig.Painter();
  p.PaintLine(1, 2, 6, 2, Grey(70));
  EXPECT_EQ(rig.surface.ForeColor(), Grey(70));
  EXPECT_TRUE(RowIs(rig.surface, 2, 1, 5, Grey(70)));
  EXPECT_EQ(rig.surface.GetPixel(6, 2), kBack);
  p.PaintPixel(7, 5, Grey(20));
  EXPECT_EQ(rig.surface.GetPixel(7, 5), Grey(20));
}

TEST(ButtonPrimitives, PaintFocusRectSetsTheTextColourAndInvertsTheStateRect) {
  Rig rig(10, 8);
  rig.derived.TextColor = Rgb(0, 0, 128);
  rig.state.FocusRect = {2, 2, 8, 6};
  rig.Painter().PaintFocusRect();
  EXPECT_EQ(rig.surface.TextColor(), Rgb(0, 0, 128));
  const Colour inverted = Rgb(254, 253, 252);
  for (auto [x, y] : {std::pair{7, 2}, {5, 2}, {3, 2}, {2, 3}, {2, 5}, {4, 5}, {6, 5}, {7, 4}})
    EXPECT_EQ(rig.surface.GetPixel(x, y), inverted) << x << "," << y;
  for (auto [x, y] : {std::pair{6, 2}, {2, 2}, {2, 4}, {3, 5}, {7, 5}, {7, 3}})
    EXPECT_EQ(rig.surface.GetPixel(x, y), kBack) << x << "," << y;
}

TEST(ButtonPrimitives, RoundBorderLeavesTheCornersOpen) {
  Rig tiny(4, 4);
  tiny.Painter().PaintRoundBorder(Grey(10), Grey(200));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const bool corner = (x == 1 || x == 2) && (y == 1 || y == 2);
      EXPECT_EQ(tiny.surface.GetPixel(x, y), corner ? Grey(200) : kBack) << x << "," << y;
    }

  Rig rig(7, 5);
  rig.Painter().PaintRoundBorder(Grey(10), Grey(200));
  EXPECT_TRUE(RowIs(rig.surface, 0, 2, 4, Grey(10)));
  EXPECT_TRUE(RowIs(rig.surface, 4, 2, 4, Grey(10)));
  EXPECT_EQ(rig.surface.GetPixel(0, 2), Grey(10));
  EXPECT_EQ(rig.surface.GetPixel(6, 2), Grey(10));
  for (auto [x, y] : {std::pair{1, 1}, {1, 3}, {5, 1}, {5, 3}}) EXPECT_EQ(rig.surface.GetPixel(x, y), Grey(200));
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {5, 0}, {6, 0}, {6, 1}, {0, 3}, {0, 4}, {6, 4}, {1, 2}})
    EXPECT_EQ(rig.surface.GetPixel(x, y), kBack) << x << "," << y;
}

TEST(ButtonPrimitives, FadeToWhiteStepsBeforeEachRowAndEndsWhite) {
  // H - 5 = 18: steps 84/18, 85/18, 67/18 per row, added before the row is drawn.
  Rig rig(10, 23);
  rig.Painter().PaintFadeToWhite(171, 170, 188, 1, 21, 1);
  EXPECT_TRUE(RowIs(rig.surface, 1, 1, 8, Rgb(176, 175, 192)));
  EXPECT_TRUE(RowIs(rig.surface, 2, 1, 8, Rgb(180, 179, 195)));
  EXPECT_TRUE(RowIs(rig.surface, 17, 1, 8, Rgb(250, 250, 251)));
  for (int y = 18; y <= 21; ++y) EXPECT_TRUE(RowIs(rig.surface, y, 1, 8, Rgb(255, 255, 255)));
  EXPECT_TRUE(RowIs(rig.surface, 0, 0, 9, kBack));
  EXPECT_TRUE(RowIs(rig.surface, 22, 0, 9, kBack));
  EXPECT_TRUE(ColumnIs(rig.surface, 0, 0, 22, kBack));
  EXPECT_TRUE(ColumnIs(rig.surface, 9, 0, 22, kBack));
}

TEST(ButtonPrimitives, FadeToWhiteRunsUpwardWithANegativeStep) {
  // H = 12: steps 57/7, 58/7, 40/7, from row 10 up; the seventh row drawn is white.
  Rig rig(6, 12);
  rig.Painter().PaintFadeToWhite(198, 197, 215, 10, 1, -1);
  EXPECT_TRUE(RowIs(rig.surface, 10, 1, 4, Rgb(206, 205, 221)));
  EXPECT_TRUE(RowIs(rig.surface, 9, 1, 4, Rgb(214, 214, 226)));
  EXPECT_TRUE(RowIs(rig.surface, 7, 1, 4, Rgb(231, 230, 238)));
  EXPECT_TRUE(RowIs(rig.surface, 5, 1, 4, Rgb(247, 247, 249)));
  for (int y = 1; y <= 4; ++y) EXPECT_TRUE(RowIs(rig.surface, y, 1, 4, Rgb(255, 255, 255)));
  EXPECT_TRUE(RowIs(rig.surface, 11, 0, 5, kBack));
}

TEST(ButtonPrimitives, FadeToWhiteOnShortFacesKeepsTheStartColour) {
  // H - 5 is 0 at H = 5 and negative below: no step rather than a division by zero or
  // a fade into negative channels.
  Rig five(6, 5);
  five.Painter().PaintFadeToWhite(100, 110, 120, 1, 3, 1);
  for (int y = 1; y <= 3; ++y) EXPECT_TRUE(RowIs(five.surface, y, 1, 4, Rgb(100, 110, 120)));

  Rig three(6, 3);
  three.Painter().PaintFadeToWhite(100, 110, 120, 1, 1, 1);
  EXPECT_TRUE(RowIs(three.surface, 1, 1, 4, Rgb(100, 110, 120)));

  // A zero step would never end; it draws nothing.
  Rig still(6, 12);
  still.Painter().PaintFadeToWhite(100, 110, 120, 1, 10, 0);
  for (int y = 0; y < 12; ++y) EXPECT_TRUE(RowIs(still.surface, y, 0, 5, kBack));
}

TEST(ButtonPrimitives, GlassGradientGreyAtFiftyThreePercent) {
  // Pf = 12.19: upper steps round(41 / 11.19) = 4, lower round(41 / 6.81) = 6.
  Rig rig(12, 23);
  const Colour frame = Rgb(81, 107, 148);
  rig.Painter().PaintGlassGradient(Grey(197), frame, Grey(238), 53);
  const RasterSurface& s = rig.surface;
  for (int y = 12; y >= 3; --y) EXPECT_TRUE(RowIs(s, y, 3, 8, Grey(207 + 4 * (12 - y)))) << "row " << y;
  for (int y = 13; y <= 17; ++y) EXPECT_TRUE(RowIs(s, y, 3, 8, Grey(197)));
  EXPECT_TRUE(RowIs(s, 18, 3, 8, Grey(202)));
  EXPECT_TRUE(RowIs(s, 19, 3, 8, Grey(208)));
  EXPECT_TRUE(RowIs(s, 20, 1, 10, Rgb(207, 234, 255)));

  const Colour outer = Rgb(211, 229, 255), inner = Rgb(201, 216, 255);
  EXPECT_TRUE(RowIs(s, 1, 2, 9, outer));
  EXPECT_TRUE(RowIs(s, 21, 2, 9, outer));
  EXPECT_TRUE(ColumnIs(s, 1, 2, 19, outer));
  EXPECT_TRUE(ColumnIs(s, 10, 2, 19, outer));
  EXPECT_TRUE(RowIs(s, 2, 2, 9, inner));
  EXPECT_TRUE(ColumnIs(s, 2, 3, 19, inner));
  EXPECT_TRUE(ColumnIs(s, 9, 3, 19, inner));

  EXPECT_TRUE(RowIs(s, 0, 2, 9, frame));
  EXPECT_TRUE(RowIs(s, 22, 2, 9, frame));
  EXPECT_TRUE(ColumnIs(s, 0, 2, 20, frame));
  EXPECT_TRUE(ColumnIs(s, 11, 2, 20, frame));
  for (auto [x, y] : {std::pair{1, 1}, {1, 21}, {10, 1}, {10, 21}}) EXPECT_EQ(s.GetPixel(x, y), frame);
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {10, 0}, {11, 0}, {11, 1}, {0, 21}, {0, 22}, {1, 22}, {11, 21},
                      {10, 22}, {11, 22}})
    EXPECT_EQ(s.GetPixel(x, y), kBack) << x << "," << y;
}

TEST(ButtonPrimitives, GlassGradientFirstRowsClampAboveWhite) {
  // Upper fade starts at mid + 10 = (258, 110, 262), lower at mid + 5 = (253, 105, 257).
  // Steps: upper (1, 0, -5), lower (1, 0, -8).
  Rig rig(12, 23);
  rig.Painter().PaintGlassGradient(Rgb(248, 100, 252), Rgb(0, 0, 0), Rgb(255, 100, 200), 53);
  EXPECT_TRUE(RowIs(rig.surface, 12, 3, 8, Rgb(255, 110, 255)));
  EXPECT_TRUE(RowIs(rig.surface, 11, 3, 8, Rgb(255, 110, 255)));
  EXPECT_TRUE(RowIs(rig.surface, 10, 3, 8, Rgb(255, 110, 250)));
  EXPECT_TRUE(RowIs(rig.surface, 18, 3, 8, Rgb(253, 105, 255)));
  EXPECT_TRUE(RowIs(rig.surface, 19, 3, 8, Rgb(254, 105, 249)));
}

TEST(ButtonPrimitives, GlassGradientAtZeroDivisors) {
  // H = 20, percent 5: Pf - 1 = 0. No upper rows; band rows 2..6, lower rows 6..16 with
  // steps round(60 / 15) = 4.
  Rig low(10, 20);
  ASSERT_NO_THROW(low.Painter().PaintGlassGradient(Grey(100), Grey(0), Grey(160), 5));
  for (int y = 3; y <= 5; ++y) EXPECT_TRUE(RowIs(low.surface, y, 3, 6, Grey(100)));
  for (int y = 6; y <= 16; ++y) EXPECT_TRUE(RowIs(low.surface, y, 3, 6, Grey(105 + 4 * (y - 6)))) << "row " << y;

  // H = 20, percent 80: H - Pf - 4 = 0. Upper rows 16..3 step 4; no lower rows.
  Rig high(10, 20);
  ASSERT_NO_THROW(high.Painter().PaintGlassGradient(Grey(100), Grey(0), Grey(160), 80));
  for (int y = 16; y >= 3; --y) EXPECT_TRUE(RowIs(high.surface, y, 3, 6, Grey(110 + 4 * (16 - y)))) << "row " << y;
}

TEST(ButtonPrimitives, CoordinateOverflowRaisesTheOverflowError) {
  Rig rig(4, 4);
  auto p = rig.Painter();
  try {
    p.PaintRect(INT_MAX, 0, 1, 1, Grey(1), false);
    FAIL() << "no overflow";
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.number(), kErrOverflow);
  }
  rig.state.ClientWidth = INT_MIN;
  EXPECT_THROW(p.PaintRoundBorder(Grey(1), Grey(2)), RunTimeError);
}

}  // namespace
}  // namespace tovrel
