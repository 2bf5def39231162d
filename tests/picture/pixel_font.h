// Capitals, digits and a few signs in a 5 x 7 pixel font, for the labels of pictures drawn
// on a RasterSurface, which renders no glyphs of its own.
#pragma once

#include <string_view>

#include "button_control/raster_surface.h"

namespace tovrel::test {

// Every glyph is this many pixels wide and high before scaling, and text advances by
// one more than the width.
constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

// Width in pixels of a text drawn at this scale.
int PixelTextWidth(std::string_view text, int scale);
// Draws text with its top left corner at (x, y), each font pixel scale x scale pixels.
// A character the font lacks throws std::invalid_argument.
void DrawPixelText(RasterSurface& surface, std::string_view text, int x, int y, int scale, Colour colour);

}  // namespace tovrel::test
