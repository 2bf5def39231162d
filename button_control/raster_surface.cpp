#include "button_control/raster_surface.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace tovrel {

RasterSurface::RasterSurface(int width, int height, Colour backColour)
    : width_(width), height_(height), backColour_(backColour) {
  if (width < 0 || height < 0) throw std::invalid_argument("negative surface size");
  pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), backColour);
}

void RasterSurface::Clear() { std::fill(pixels_.begin(), pixels_.end(), backColour_); }

void RasterSurface::Plot(std::int64_t x, std::int64_t y, Colour c) {
  if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[static_cast<std::size_t>(y) * width_ + x] = c & 0xFFFFFF;
}

void RasterSurface::Invert(int x, int y) {
  if (Inside(x, y)) pixels_[static_cast<std::size_t>(y) * width_ + x] ^= 0xFFFFFF;
}

void RasterSurface::PatFill(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height, Colour c) {
  std::int64_t left = x, right = x + width, top = y, bottom = y + height;
  if (left > right) {
    std::int64_t start = left;
    left = right + 1;
    right = start + 1;
  }
  if (top > bottom) {
    std::int64_t start = top;
    top = bottom + 1;
    bottom = start + 1;
  }
  left = std::max<std::int64_t>(left, 0);
  top = std::max<std::int64_t>(top, 0);
  right = std::min<std::int64_t>(right, width_);
  bottom = std::min<std::int64_t>(bottom, height_);
  for (std::int64_t py = top; py < bottom; ++py)
    for (std::int64_t px = left; px < right; ++px) Plot(px, py, c);
}

// FillRect is one PatBlt of right-left by bottom-top, so an inverted rectangle fills the
// mirrored span instead of nothing.
void RasterSurface::FillRect(const Rect& r, Colour c) {
  PatFill(r.left, r.top, std::int64_t{r.right} - r.left, std::int64_t{r.bottom} - r.top, c);
}

void RasterSurface::FrameRect(const Rect& r, Colour c) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  const std::int64_t width = std::int64_t{r.right} - r.left, height = std::int64_t{r.bottom} - r.top;
  PatFill(r.left, r.top, 1, height, c);
  PatFill(std::int64_t{r.right} - 1, r.top, 1, height, c);
  PatFill(r.left, r.top, width, 1, c);
  PatFill(r.left, std::int64_t{r.bottom} - 1, width, 1, c);
}

void RasterSurface::MoveTo(int x, int y) {
  currentX_ = x;
  currentY_ = y;
}

// A one-pixel solid pen without its end point. Axis-parallel lines are spans; others
// follow the DIB engine's Bresenham, whose error term takes a bias in the octants
// that step left or up along the minor axis, so a line and its reverse share pixels.
// Slanted lines are walked point by point (the button draws none); the walk stops
// once it has left the surface for good along its major axis.
void RasterSurface::LineTo(int x, int y) {
  const std::int64_t x1 = currentX_, y1 = currentY_;
  currentX_ = x;
  currentY_ = y;
  if (y1 == y) {
    PatFill(std::min<std::int64_t>(x1, x) + (x1 > x ? 1 : 0), y1, std::abs(x - x1), 1, foreColour_);
    return;
  }
  if (x1 == x) {
    PatFill(x1, std::min<std::int64_t>(y1, y) + (y1 > y ? 1 : 0), 1, std::abs(y - y1), foreColour_);
    return;
  }
  const std::int64_t dx = x - x1, dy = y - y1;
  const std::int64_t adx = std::abs(dx), ady = std::abs(dy);
  const int xInc = dx > 0 ? 1 : -1, yInc = dy > 0 ? 1 : -1;
  const bool xMajor = adx > ady;
  // Octants 3, 5, 6 and 8 (counted clockwise from +x, y downward) take the bias.
  bool bias;
  if (dy > 0)
    bias = dx < 0 && -dx <= dy;  // octant 3
  else
    bias = dx < 0 || dx > -dy;  // octants 5, 6 and 8
  auto gone = [](std::int64_t v, int inc, int extent) { return inc > 0 ? v >= extent : v < 0; };
  std::int64_t px = x1, py = y1;
  if (xMajor) {
    std::int64_t err = 2 * ady - adx;
    for (std::int64_t n = adx; n > 0 && !gone(px, xInc, width_); --n) {
      Plot(px, py, foreColour_);
      if (err + (bias ? 1 : 0) > 0) {
        py += yInc;
        err += 2 * ady - 2 * adx;
      } else {
        err += 2 * ady;
      }
      px += xInc;
    }
  } else {
    std::int64_t err = 2 * adx - ady;
    for (std::int64_t n = ady; n > 0 && !gone(py, yInc, height_); --n) {
      Plot(px, py, foreColour_);
      if (err + (bias ? 1 : 0) > 0) {
        px += xInc;
        err += 2 * adx - 2 * ady;
      } else {
        err += 2 * adx;
      }
      py += yInc;
    }
  }
}

void RasterSurface::SetPixel(int x, int y, Colour c) { Plot(x, y, c); }

Colour RasterSurface::GetPixel(int x, int y) const {
  if (!Inside(x, y)) return -1;
  return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

// Wine's DrawFocusRect: Rectangle() with a null brush and a cosmetic PS_ALTERNATE pen
// under R2_NOT, background transparent. The outline runs anticlockwise from the
// top-right pixel (top edge leftward, left edge down, bottom edge rightward, right edge
// up), each edge without its end point; the dots alternate along that whole path,
// starting with a dot, and every dot inverts the pixel under it.
void RasterSurface::DrawFocusRect(const Rect& r) {
  const int left = std::min(r.left, r.right), right = std::max(r.left, r.right);
  const int top = std::min(r.top, r.bottom), bottom = std::max(r.top, r.bottom);
  if (left == right || top == bottom) return;
  const int lastX = right - 1, lastY = bottom - 1;
  bool dot = true;
  auto step = [&](int px, int py) {
    if (dot) Invert(px, py);
    dot = !dot;
  };
  for (int px = lastX; px > left; --px) step(px, top);
  for (int py = top; py < lastY; ++py) step(left, py);
  for (int px = left; px < lastX; ++px) step(px, lastY);
  for (int py = lastY; py > top; --py) step(lastX, py);
}

void RasterSurface::DrawText(const std::u16string& text, const Rect& r, unsigned flags) {
  textCalls.push_back({text, r, flags, textColour_});
}

double RasterSurface::TextWidth(const std::u16string& text) {
  return static_cast<double>(text.size()) * cellWidth_;
}

double RasterSurface::TextHeight(const std::u16string&) { return cellHeight_; }

}  // namespace tovrel
