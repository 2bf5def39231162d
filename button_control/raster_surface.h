// An in-memory drawing surface with the pixel semantics of GDI on a 32-bit DIB, as
// Wine's DIB engine implements them. Used by the native tests and, under Wine, as the
// reference the real GDI surface is compared with. Glyphs are not rendered: text calls
// are recorded, and text is measured with a fixed character cell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "button_control/canvas.h"

namespace tovrel {

class RasterSurface : public Canvas {
 public:
  struct TextCall {
    std::u16string text;
    Rect rect;
    unsigned flags = 0;
    Colour colour = 0;
    friend bool operator==(const TextCall&, const TextCall&) = default;
  };

  RasterSurface(int width, int height, Colour backColour = Rgb(255, 255, 255));

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void Clear() override;
  void FillRect(const Rect& r, Colour c) override;
  void FrameRect(const Rect& r, Colour c) override;
  void SetForeColor(Colour c) override { foreColour_ = c; }
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void SetPixel(int x, int y, Colour c) override;
  Colour GetPixel(int x, int y) const override;
  void DrawFocusRect(const Rect& r) override;
  void SetTextColor(Colour c) override { textColour_ = c; }
  void DrawText(const std::u16string& text, const Rect& r, unsigned flags) override;
  double TextWidth(const std::u16string& text) override;
  double TextHeight(const std::u16string& text) override;

  void SetBackColor(Colour c) { backColour_ = c; }
  Colour BackColor() const { return backColour_; }
  Colour ForeColor() const { return foreColour_; }
  Colour TextColor() const { return textColour_; }
  int CurrentX() const { return currentX_; }
  int CurrentY() const { return currentY_; }
  // Text measuring: every character is cellWidth wide, any text is cellHeight high.
  void SetTextCell(int cellWidth, int cellHeight) {
    cellWidth_ = cellWidth;
    cellHeight_ = cellHeight;
  }

  std::vector<TextCall> textCalls;

 private:
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  void Plot(std::int64_t x, std::int64_t y, Colour c);
  void Invert(int x, int y);
  // PatBlt's rectangle: a negative extent runs back from the start, which is excluded.
  void PatFill(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height, Colour c);

  int width_, height_;
  std::vector<Colour> pixels_;
  Colour backColour_;
  Colour foreColour_ = 0;
  Colour textColour_ = 0;
  int currentX_ = 0, currentY_ = 0;
  int cellWidth_ = 6, cellHeight_ = 12;
};

}  // namespace tovrel
