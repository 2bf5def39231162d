// A canvas of a given size that draws nothing and counts the drawing calls, so tests
// can tell whether a paint pass drew.
#pragma once

#include "button_control/canvas.h"

namespace tovrel::test {

class SizedCanvas : public Canvas {
 public:
  SizedCanvas(int width, int height) : width_(width), height_(height) {}

  void Resize(int width, int height) {
    width_ = width;
    height_ = height;
  }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void Clear() override { ++drawCalls; }
  void FillRect(const Rect&, Colour) override { ++drawCalls; }
  void FrameRect(const Rect&, Colour) override { ++drawCalls; }
  void SetForeColor(Colour) override {}
  void MoveTo(int, int) override {}
  void LineTo(int, int) override { ++drawCalls; }
  void SetPixel(int, int, Colour) override { ++drawCalls; }
  Colour GetPixel(int, int) const override { return -1; }
  void DrawFocusRect(const Rect&) override { ++drawCalls; }
  void SetTextColor(Colour) override {}
  void DrawText(const std::u16string&, const Rect&, unsigned) override { ++drawCalls; }
  double TextWidth(const std::u16string& text) override { return 6.0 * static_cast<double>(text.size()); }
  double TextHeight(const std::u16string&) override { return 12.0; }

  int drawCalls = 0;

 private:
  int width_;
  int height_;
};

}  // namespace tovrel::test
