// The drawing surface the button paints onto. Semantics are GDI's: rectangles exclude
// their right and bottom edges, a line does not draw its end point, DrawFocusRect
// inverts a dotted frame.
#pragma once

#include <cstdint>
#include <string>

namespace tovrel {

using Colour = std::int32_t;  // 0x00BBGGRR

constexpr Colour Rgb(int r, int g, int b) {
  auto clamp = [](int v) { return v > 255 ? 255 : v; };
  return clamp(r) + 256 * clamp(g) + 65536 * clamp(b);
}

struct Rect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// DrawText flags used by the caption layouts.
constexpr unsigned kDtCenter = 0x1;
constexpr unsigned kDtVCenter = 0x4;
constexpr unsigned kDtWordBreak = 0x10;
constexpr unsigned kDtSingleLine = 0x20;
constexpr unsigned kDtExpandTabs = 0x40;
constexpr unsigned kCaptionOneLine = 0x65;
constexpr unsigned kCaptionWrapped = 0x11;

class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Cls: the whole surface in the surface's back colour.
  virtual void Clear() = 0;
  virtual void FillRect(const Rect& r, Colour c) = 0;
  virtual void FrameRect(const Rect& r, Colour c) = 0;
  // Pen colour, kept until set again (the surface's foreground colour).
  virtual void SetForeColor(Colour c) = 0;
  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  virtual void SetPixel(int x, int y, Colour c) = 0;
  // CLR_INVALID (-1 as a signed value) outside the surface.
  virtual Colour GetPixel(int x, int y) const = 0;
  virtual void DrawFocusRect(const Rect& r) = 0;
  virtual void SetTextColor(Colour c) = 0;
  virtual void DrawText(const std::u16string& text, const Rect& r, unsigned flags) = 0;
  virtual double TextWidth(const std::u16string& text) = 0;
  virtual double TextHeight(const std::u16string& text) = 0;
};

}  // namespace tovrel
