// The in-memory surface must reproduce GDI's pixels: exclusive right and bottom edges,
// lines without their end point, and Wine's dotted, inverting focus rectangle.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <utility>

#include "button_control/raster_surface.h"

namespace tovrel {
namespace {

constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kRed = Rgb(255, 0, 0);
constexpr Colour kBlue = Rgb(0, 0, 255);

using Points = std::set<std::pair<int, int>>;

// Every pixel of the surface that is not the given background colour.
Points Painted(const RasterSurface& s, Colour background) {
  Points out;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      if (s.GetPixel(x, y) != background) out.insert({x, y});
  return out;
}

Points Span(int left, int top, int right, int bottom) {
  Points out;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) out.insert({x, y});
  return out;
}

TEST(RasterSurface, ClearUsesTheBackColour) {
  RasterSurface s(3, 2, Rgb(1, 2, 3));
  EXPECT_EQ(s.GetPixel(2, 1), Rgb(1, 2, 3));
  s.SetPixel(1, 1, kRed);
  s.SetBackColor(kBlue);
  s.Clear();
  EXPECT_EQ(Painted(s, kBlue), Points{});
}

TEST(RasterSurface, PixelsOutsideReadAsInvalidAndIgnoreWrites) {
  RasterSurface s(4, 3);
  EXPECT_EQ(s.GetPixel(-1, 0), -1);
  EXPECT_EQ(s.GetPixel(4, 0), -1);
  EXPECT_EQ(s.GetPixel(0, 3), -1);
  s.SetPixel(4, 1, kRed);
  s.SetPixel(-1, 1, kRed);
  s.SetPixel(3, 2, kRed);
  EXPECT_EQ(Painted(s, kWhite), (Points{{3, 2}}));
}

TEST(RasterSurface, FillRectExcludesRightAndBottomAndClips) {
  RasterSurface s(6, 5);
  s.FillRect({1, 1, 4, 3}, kRed);
  EXPECT_EQ(Painted(s, kWhite), Span(1, 1, 4, 3));

  RasterSurface clipped(6, 5);
  clipped.FillRect({-3, 3, 100, 100}, kRed);
  EXPECT_EQ(Painted(clipped, kWhite), Span(0, 3, 6, 5));

  RasterSurface extreme(6, 5);
  extreme.FillRect({INT_MIN, 4, INT_MAX, 5}, kRed);
  extreme.FrameRect({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, kBlue);
  EXPECT_EQ(Painted(extreme, kWhite), Span(0, 4, 6, 5));

  RasterSurface empty(6, 5);
  empty.FillRect({2, 1, 2, 4}, kRed);
  empty.FillRect({1, 3, 4, 3}, kRed);
  EXPECT_EQ(Painted(empty, kWhite), Points{});
}

TEST(RasterSurface, InvertedFillRectFillsTheMirroredSpanAsPatBltDoes) {
  // {4, 1, 1, 3}: width -3 runs back from x = 4, so it covers x = 2..4.
  RasterSurface s(6, 5);
  s.FillRect({4, 1, 1, 3}, kRed);
  EXPECT_EQ(Painted(s, kWhite), Span(2, 1, 5, 3));

  RasterSurface up(6, 5);
  up.FillRect({0, 3, 1, 1}, kRed);
  EXPECT_EQ(Painted(up, kWhite), Span(0, 2, 1, 4));
}

TEST(RasterSurface, FrameRectDrawsTheInnerBorder) {
  RasterSurface s(7, 6);
  s.FrameRect({1, 1, 6, 5}, kRed);
  Points expected = Span(1, 1, 6, 5);
  for (const auto& p : Span(2, 2, 5, 4)) expected.erase(p);
  EXPECT_EQ(Painted(s, kWhite), expected);

  RasterSurface thin(7, 6);
  thin.FrameRect({2, 0, 3, 4}, kRed);
  EXPECT_EQ(Painted(thin, kWhite), Span(2, 0, 3, 4));

  RasterSurface none(7, 6);
  none.FrameRect({3, 1, 3, 5}, kRed);
  none.FrameRect({5, 1, 2, 5}, kRed);
  EXPECT_EQ(Painted(none, kWhite), Points{});
}

TEST(RasterSurface, AxisLinesOmitTheEndPointAndMoveThePen) {
  RasterSurface s(8, 6);
  s.SetForeColor(kRed);
  s.MoveTo(1, 1);
  s.LineTo(5, 1);
  EXPECT_EQ(s.CurrentX(), 5);
  EXPECT_EQ(s.CurrentY(), 1);
  s.LineTo(5, 4);
  EXPECT_EQ(Painted(s, kWhite), (Points{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {5, 2}, {5, 3}}));
  EXPECT_EQ(s.ForeColor(), kRed);

  // Backward lines start at the start point and stop one short of the end.
  RasterSurface back(8, 6);
  back.SetForeColor(kBlue);
  back.MoveTo(6, 2);
  back.LineTo(3, 2);
  back.MoveTo(0, 5);
  back.LineTo(0, 2);
  EXPECT_EQ(Painted(back, kWhite), (Points{{4, 2}, {5, 2}, {6, 2}, {0, 3}, {0, 4}, {0, 5}}));

  RasterSurface dot(8, 6);
  dot.MoveTo(3, 3);
  dot.LineTo(3, 3);
  EXPECT_EQ(Painted(dot, kWhite), Points{});
}

TEST(RasterSurface, SlantedLinesFollowBresenhamWithTheReverseBias) {
  // (0,0)-(4,2): error starts at 2dy - dx = 0; a step in y when error > 0.
  RasterSurface s(6, 4);
  s.SetForeColor(kRed);
  s.MoveTo(0, 0);
  s.LineTo(4, 2);
  EXPECT_EQ(Painted(s, kWhite), (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));

  // The reverse line takes the bias, so it shares the inner pixels.
  RasterSurface r(6, 4);
  r.SetForeColor(kRed);
  r.MoveTo(4, 2);
  r.LineTo(0, 0);
  EXPECT_EQ(Painted(r, kWhite), (Points{{4, 2}, {3, 1}, {2, 1}, {1, 0}}));

  // Far-reaching: the walk ends where it leaves the surface for good.
  RasterSurface far(6, 3);
  far.SetForeColor(kRed);
  far.MoveTo(0, 0);
  far.LineTo(INT_MAX, INT_MAX / 2);
  EXPECT_EQ(Painted(far, kWhite), (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}));

  // Steep: (0,0)-(1,3), error 2dx - dy = -1.
  RasterSurface steep(4, 4);
  steep.SetForeColor(kRed);
  steep.MoveTo(0, 0);
  steep.LineTo(1, 3);
  EXPECT_EQ(Painted(steep, kWhite), (Points{{0, 0}, {0, 1}, {1, 2}}));
}

TEST(RasterSurface, FocusRectInvertsEveryOtherPixelFromTheTopRight) {
  // {2,2,8,6}: the outline runs x = 7..3 on row 2, y = 2..4 on column 2, x = 2..6 on
  // row 5, y = 5..3 on column 7; dots at the even positions of that path.
  RasterSurface s(10, 8);
  s.DrawFocusRect({2, 2, 8, 6});
  const Points dots{{7, 2}, {5, 2}, {3, 2}, {2, 3}, {2, 5}, {4, 5}, {6, 5}, {7, 4}};
  EXPECT_EQ(Painted(s, kWhite), dots);
  for (const auto& [x, y] : dots) EXPECT_EQ(s.GetPixel(x, y), Rgb(0, 0, 0));

  s.DrawFocusRect({2, 2, 8, 6});
  EXPECT_EQ(Painted(s, kWhite), Points{});
}

TEST(RasterSurface, FocusRectPhaseCarriesAcrossCornersAndClipping) {
  // {0,0,4,3}: path (3,0) (2,0) (1,0) | (0,0) (0,1) | (0,2) (1,2) (2,2) | (3,2) (3,1).
  RasterSurface s(5, 4, Rgb(10, 20, 30));
  s.DrawFocusRect({0, 0, 4, 3});
  EXPECT_EQ(Painted(s, Rgb(10, 20, 30)), (Points{{3, 0}, {1, 0}, {0, 1}, {1, 2}, {3, 2}}));
  EXPECT_EQ(s.GetPixel(0, 1), Rgb(245, 235, 225));

  // Left of the surface the dots still count: {-2,0,3,3} keeps (2,0) (0,0) (0,2) (2,2).
  RasterSurface clipped(5, 5);
  clipped.DrawFocusRect({-2, 0, 3, 3});
  EXPECT_EQ(Painted(clipped, kWhite), (Points{{2, 0}, {0, 0}, {0, 2}, {2, 2}}));
}

TEST(RasterSurface, FocusRectOfDegenerateSizes) {
  // One pixel wide: down the column, then back up it; (1,2) is dotted twice.
  RasterSurface thin(3, 5);
  thin.DrawFocusRect({1, 0, 2, 4});
  EXPECT_EQ(Painted(thin, kWhite), (Points{{1, 0}}));

  RasterSurface empty(5, 5);
  empty.DrawFocusRect({2, 1, 2, 4});
  empty.DrawFocusRect({0, 3, 4, 3});
  EXPECT_EQ(Painted(empty, kWhite), Points{});

  // Corners given the other way round are put in order.
  RasterSurface swapped(10, 8), straight(10, 8);
  swapped.DrawFocusRect({8, 6, 2, 2});
  straight.DrawFocusRect({2, 2, 8, 6});
  EXPECT_EQ(Painted(swapped, kWhite), Painted(straight, kWhite));
}

TEST(RasterSurface, TextIsRecordedAndMeasuredByCells) {
  RasterSurface s(40, 20);
  EXPECT_EQ(s.TextWidth(u"abc"), 18.0);
  EXPECT_EQ(s.TextHeight(u"abc"), 12.0);
  s.SetTextCell(7, 15);
  EXPECT_EQ(s.TextWidth(u"确定"), 14.0);
  EXPECT_EQ(s.TextHeight(u""), 15.0);

  s.SetTextColor(kRed);
  s.DrawText(u"OK", {0, 1, 40, 20}, kCaptionOneLine);
  s.SetTextColor(kBlue);
  s.DrawText(u"Cancel", {2, 3, 40, 20}, kCaptionWrapped);
  ASSERT_EQ(s.textCalls.size(), 2u);
  EXPECT_EQ(s.textCalls[0], (RasterSurface::TextCall{u"OK", {0, 1, 40, 20}, 0x65, kRed}));
  EXPECT_EQ(s.textCalls[1], (RasterSurface::TextCall{u"Cancel", {2, 3, 40, 20}, 0x11, kBlue}));
  EXPECT_EQ(Painted(s, kWhite), Points{});
}

}  // namespace
}  // namespace tovrel
