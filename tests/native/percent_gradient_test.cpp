// The gradient style's face renderer. Expected colours follow the renderer's rules by
// hand: s = H × percent / 100, upper steps (end - start) / (s - 1) and lower steps
// (end - start) / (H - s - 4) in single precision, rounded half to even.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "button_control/button_painter.h"
#include "button_control/raster_surface.h"
#include "pixel_checks.h"

namespace tovrel {
namespace {

using test::ColumnIs;
using test::Grey;
using test::Hex;
using test::RowIs;

constexpr Colour kBack = Rgb(1, 2, 3);
constexpr Colour kStart = Rgb(116, 200, 115);  // MidColor's default
constexpr Colour kEnd = Rgb(215, 246, 215);    // EndColor's default
constexpr Colour kBorder = Rgb(183, 183, 183);
constexpr Colour kWhite = Rgb(255, 255, 255);



struct Rig {
  RasterSurface surface;
  CommandProperties props;
  CommandState state;
  DerivedColours derived;

  Rig(int w, int h) : surface(w, h, kBack) {
    state.ClientWidth = w;
    state.ClientHeight = h;
  }
  void Paint(Colour start, Colour border, Colour end, std::int16_t percent, bool flat) {
    ButtonPainter(surface, props, state, derived, false).PaintPercentGradient(start, border, end, percent, flat);
  }
};

// Border of a W x H face: edges in the border colour, the three pixels at each corner
// left alone, the inner corner pixels in the border colour.
void ExpectRoundBorder(const RasterSurface& s, Colour border, Colour outside) {
  const int w = s.Width(), h = s.Height();
  EXPECT_TRUE(RowIs(s, 0, 2, w - 3, border));
  EXPECT_TRUE(RowIs(s, h - 1, 2, w - 3, border));
  EXPECT_TRUE(ColumnIs(s, 0, 2, h - 3, border));
  EXPECT_TRUE(ColumnIs(s, w - 1, 2, h - 3, border));
  for (auto [x, y] : {std::pair{1, 1}, {1, h - 2}, {w - 2, 1}, {w - 2, h - 2}}) EXPECT_EQ(s.GetPixel(x, y), border);
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {w - 1, 0}, {w - 2, 0}, {w - 1, 1}})
    EXPECT_EQ(s.GetPixel(x, y), outside) << x << "," << y;
}

TEST(PercentGradient, SplitAtSixteenPercent) {
  // H = 23: s = 3.68, rows 4..1 upward; lower steps over 15.32 rows from row 7.
  Rig rig(20, 23);
  rig.Paint(kStart, kBorder, kEnd, 16, false);
  const RasterSurface& s = rig.surface;

  EXPECT_TRUE(RowIs(s, 4, 1, 18, kStart));
  EXPECT_TRUE(RowIs(s, 3, 1, 18, Rgb(153, 217, 152)));
  EXPECT_TRUE(RowIs(s, 2, 15, 18, Rgb(190, 234, 190)));
  EXPECT_EQ(s.GetPixel(1, 2), Rgb(190, 234, 190));

  // Highlight row 1: 255 - (255 - end) × i div 10, the end colour at x = W - 8.
  EXPECT_EQ(s.GetPixel(2, 1), kWhite);
  EXPECT_EQ(s.GetPixel(3, 1), Rgb(251, 255, 251));
  EXPECT_EQ(s.GetPixel(12, 1), kEnd);
  EXPECT_EQ(s.GetPixel(17, 1), Rgb(195, 242, 195));
  // Highlight row 2: divisor q = 20 - 13 - 2 = 5, the end colour at x = q + 2, up to x = 14.
  EXPECT_EQ(s.GetPixel(2, 2), kWhite);
  EXPECT_EQ(s.GetPixel(7, 2), kEnd);
  EXPECT_EQ(s.GetPixel(14, 2), Rgb(159, 234, 159));

  EXPECT_TRUE(RowIs(s, 5, 1, 18, kStart));
  EXPECT_TRUE(RowIs(s, 6, 1, 18, kStart));
  EXPECT_TRUE(RowIs(s, 7, 1, 18, kStart));
  EXPECT_TRUE(RowIs(s, 8, 1, 18, Rgb(122, 203, 122)));
  EXPECT_TRUE(RowIs(s, 9, 1, 18, kStart));  // third split line over the lower gradient
  EXPECT_TRUE(RowIs(s, 10, 1, 18, Rgb(135, 209, 135)));
  EXPECT_TRUE(RowIs(s, 13, 1, 18, Rgb(155, 218, 154)));
  EXPECT_TRUE(RowIs(s, 16, 1, 18, Rgb(174, 227, 174)));
  EXPECT_TRUE(RowIs(s, 19, 1, 18, Rgb(194, 236, 193)));

  // Rows H-9, H-8, H-3 and H-2 copy (2, H-10), here the lower gradient's row 13.
  const Colour sample = Rgb(155, 218, 154);
  EXPECT_TRUE(RowIs(s, 14, 1, 18, sample));
  EXPECT_TRUE(RowIs(s, 15, 1, 18, sample));
  EXPECT_TRUE(RowIs(s, 20, 1, 17, sample));
  EXPECT_TRUE(RowIs(s, 21, 2, 17, sample));
  EXPECT_EQ(s.GetPixel(18, 20), kBack);

  ExpectRoundBorder(s, kBorder, kBack);
}

TEST(PercentGradient, PercentZeroHasNoUpperRows) {
  // s = 0: the split lines on rows 1 and 2 cover the highlights; lower rows from row 3
  // in steps of (end - start) / 19, the third split line on row 5.
  Rig rig(20, 23);
  rig.Paint(kStart, kBorder, kEnd, 0, false);
  const RasterSurface& s = rig.surface;
  EXPECT_TRUE(RowIs(s, 1, 2, 17, kStart));
  EXPECT_TRUE(RowIs(s, 2, 1, 18, kStart));
  EXPECT_TRUE(RowIs(s, 3, 1, 18, kStart));
  EXPECT_TRUE(RowIs(s, 4, 1, 18, Rgb(121, 202, 120)));
  EXPECT_TRUE(RowIs(s, 5, 1, 18, kStart));
  EXPECT_TRUE(RowIs(s, 6, 1, 18, Rgb(132, 207, 131)));
  EXPECT_TRUE(RowIs(s, 19, 1, 18, Rgb(199, 239, 199)));
  ExpectRoundBorder(s, kBorder, kBack);
}

TEST(PercentGradient, PercentHundredFillsFromTheBottomUp) {
  // s = 23: rows 23 (off the surface) up to 1 in steps of (end - start) / 22; no lower
  // rows; the split lines fall below the face.
  Rig rig(20, 23);
  rig.Paint(kStart, kBorder, kEnd, 100, false);
  const RasterSurface& s = rig.surface;
  EXPECT_EQ(s.GetPixel(1, 22), Rgb(120, 202, 120));  // 120.5 rounds to even
  EXPECT_EQ(s.GetPixel(18, 22), Rgb(120, 202, 120));
  EXPECT_EQ(s.GetPixel(18, 20), Rgb(130, 206, 129));
  EXPECT_TRUE(RowIs(s, 19, 1, 18, Rgb(134, 208, 133)));
  EXPECT_TRUE(RowIs(s, 3, 1, 18, Rgb(206, 242, 206)));
  EXPECT_EQ(s.GetPixel(12, 1), kEnd);
  const Colour sample = Rgb(161, 221, 160);
  EXPECT_TRUE(RowIs(s, 13, 1, 18, sample));
  EXPECT_TRUE(RowIs(s, 14, 1, 18, sample));
  EXPECT_TRUE(RowIs(s, 15, 1, 18, sample));
  EXPECT_TRUE(RowIs(s, 20, 1, 17, sample));
  ExpectRoundBorder(s, kBorder, kBack);
}

TEST(PercentGradient, ShortButtonGetsNoBottomRowsNorBorder) {
  // H = 8, s = 4: upper steps 99/3, 46/3, 100/3, so row 1 reaches the end colour.
  Rig rig(20, 8);
  rig.Paint(kStart, kBorder, kEnd, 50, false);
  const RasterSurface& s = rig.surface;
  EXPECT_EQ(s.GetPixel(1, 1), kEnd);
  EXPECT_EQ(s.GetPixel(18, 1), Rgb(191, 241, 191));
  EXPECT_EQ(s.GetPixel(1, 2), Rgb(182, 231, 182));
  EXPECT_TRUE(RowIs(s, 3, 1, 18, Rgb(149, 215, 148)));
  for (int y = 4; y <= 6; ++y) EXPECT_TRUE(RowIs(s, y, 1, 18, kStart));
  EXPECT_TRUE(RowIs(s, 0, 0, 19, kBack));
  EXPECT_TRUE(RowIs(s, 7, 0, 19, kBack));
  EXPECT_TRUE(ColumnIs(s, 0, 0, 7, kBack));
  EXPECT_TRUE(ColumnIs(s, 19, 0, 7, kBack));
}

TEST(PercentGradient, FlatVariantIgnoresEndColourAndPercent) {
  Rig rig(8, 6);
  rig.Paint(Rgb(50, 60, 70), Rgb(9, 9, 9), kEnd, 30, true);
  const RasterSurface& s = rig.surface;
  EXPECT_TRUE(RowIs(s, 1, 2, 5, Rgb(50, 60, 70)));
  for (int y = 2; y <= 3; ++y) EXPECT_TRUE(RowIs(s, y, 1, 6, Rgb(50, 60, 70)));
  EXPECT_TRUE(RowIs(s, 4, 2, 5, Rgb(50, 60, 70)));
  ExpectRoundBorder(s, Rgb(9, 9, 9), kBack);

  Rig other(8, 6);
  other.Paint(Rgb(50, 60, 70), Rgb(9, 9, 9), Rgb(0, 0, 0), 90, true);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(other.surface.GetPixel(x, y), s.GetPixel(x, y)) << x << "," << y;
}

TEST(PercentGradient, ZeroDivisorsNeitherFailNorDrawGarbage) {
  // s - 1 = 0 (H = 10, percent 10): one upper row; lower rows 4..6 step 20. The sample
  // is (2, 0), which nothing has painted, so rows 1, 2, 7 and 8 take the surface's
  // own colour there.
  Rig one(12, 10);
  ASSERT_NO_THROW(one.Paint(Rgb(100, 100, 100), Rgb(0, 0, 0), Rgb(200, 200, 200), 10, false));
  EXPECT_TRUE(RowIs(one.surface, 3, 1, 10, Rgb(100, 100, 100)));
  EXPECT_TRUE(RowIs(one.surface, 4, 1, 10, Rgb(100, 100, 100)));
  EXPECT_TRUE(RowIs(one.surface, 5, 1, 10, Rgb(120, 120, 120)));
  EXPECT_TRUE(RowIs(one.surface, 6, 1, 10, Rgb(100, 100, 100)));
  EXPECT_TRUE(RowIs(one.surface, 1, 2, 9, kBack));
  EXPECT_TRUE(RowIs(one.surface, 7, 1, 10, kBack));

  // H - s - 4 = 0 (H = 20, percent 80): no lower rows; upper rows 16..1 step 100/15.
  Rig flatLower(12, 20);
  ASSERT_NO_THROW(flatLower.Paint(Rgb(100, 100, 100), Rgb(0, 0, 0), Rgb(200, 200, 200), 80, false));
  EXPECT_TRUE(RowIs(flatLower.surface, 16, 1, 10, Rgb(100, 100, 100)));
  EXPECT_TRUE(RowIs(flatLower.surface, 13, 1, 10, Rgb(120, 120, 120)));
  EXPECT_TRUE(RowIs(flatLower.surface, 3, 1, 10, Rgb(187, 187, 187)));
  EXPECT_TRUE(RowIs(flatLower.surface, 11, 1, 10, Rgb(140, 140, 140)));
  EXPECT_TRUE(RowIs(flatLower.surface, 12, 1, 10, Rgb(140, 140, 140)));

  // W - 10 = 0: the first highlight row stays white; the second (q = 2) steps by 20.
  Rig ten(10, 12);
  ASSERT_NO_THROW(ten.Paint(kStart, kBorder, kEnd, 50, false));
  EXPECT_TRUE(RowIs(ten.surface, 1, 2, 7, kWhite));
  EXPECT_EQ(ten.surface.GetPixel(3, 2), Rgb(235, 251, 235));
  EXPECT_EQ(ten.surface.GetPixel(4, 2), kEnd);
  EXPECT_EQ(ten.surface.GetPixel(7, 2), Rgb(155, 233, 155));

  // q = 0 (W = 5): the second highlight row stays white too.
  Rig five(5, 12);
  ASSERT_NO_THROW(five.Paint(kStart, kBorder, Rgb(15, 46, 15), 50, false));
  EXPECT_EQ(five.surface.GetPixel(2, 1), kWhite);
  EXPECT_TRUE(RowIs(five.surface, 2, 2, 3, kWhite));
}

}  // namespace
}  // namespace tovrel
