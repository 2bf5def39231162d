// Assertions on the pixels of a raster surface, shared by the drawing tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "button_control/raster_surface.h"

namespace tovrel::test {

inline std::string Hex(Colour c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(c));
  return buf;
}

inline Colour Grey(int v) { return Rgb(v, v, v); }

// Pixels x = fromX..toX (inclusive) of row y all have colour c.
inline ::testing::AssertionResult RowIs(const RasterSurface& s, int y, int fromX, int toX, Colour c) {
  for (int x = fromX; x <= toX; ++x)
    if (s.GetPixel(x, y) != c)
      return ::testing::AssertionFailure() << "(" << x << "," << y << ") is " << Hex(s.GetPixel(x, y)) << ", not "
                                           << Hex(c);
  return ::testing::AssertionSuccess();
}

// Pixels y = fromY..toY (inclusive) of column x all have colour c.
inline ::testing::AssertionResult ColumnIs(const RasterSurface& s, int x, int fromY, int toY, Colour c) {
  for (int y = fromY; y <= toY; ++y)
    if (s.GetPixel(x, y) != c)
      return ::testing::AssertionFailure() << "(" << x << "," << y << ") is " << Hex(s.GetPixel(x, y)) << ", not "
                                           << Hex(c);
  return ::testing::AssertionSuccess();
}

}  // namespace tovrel::test
