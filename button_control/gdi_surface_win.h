// The Command control's drawing surface on Windows: a persistent 32-bit backing bitmap
// in a memory DC. The control draws into it; the window's WM_PAINT only copies it out,
// so a redisplay is immediate and a pixel read back is exactly what was drawn.
#pragma once

#include <windows.h>
// <windows.h> renames DrawText to DrawTextW; the Canvas member keeps its own name. So
// include this header before any other that brings in canvas.h after <windows.h>.
#undef DrawText

#include <string>

#include "button_control/canvas.h"
#include "button_control/property_store.h"
#include "platform/handles_win.h"

namespace tovrel::win {

class GdiSurface final : public Canvas {
 public:
  GdiSurface();
  ~GdiSurface() override;
  GdiSurface(const GdiSurface&) = delete;
  GdiSurface& operator=(const GdiSurface&) = delete;

  // A new backing bitmap of the given size, filled with the back colour; the old
  // content is gone, as the control repaints after every resize.
  void Resize(int width, int height);
  // The font of TextWidth, TextHeight and DrawText, its point size scaled to dpi.
  void SetFont(const Font& font, int dpi);
  // The colour Clear fills with; COLOR_BTNFACE unless set.
  void SetBackColor(Colour c);
  Colour BackColor() const { return backColour_; }
  // Copies the area of the backing bitmap to the same coordinates of target.
  void CopyTo(HDC target, const RECT& area) const;
  HDC dc() const { return dc_.get(); }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void Clear() override;
  void FillRect(const Rect& r, Colour c) override;
  void FrameRect(const Rect& r, Colour c) override;
  void SetForeColor(Colour c) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void SetPixel(int x, int y, Colour c) override;
  Colour GetPixel(int x, int y) const override;
  void DrawFocusRect(const Rect& r) override;
  void SetTextColor(Colour c) override;
  void DrawText(const std::u16string& text, const Rect& r, unsigned flags) override;
  double TextWidth(const std::u16string& text) override;
  double TextHeight(const std::u16string& text) override;

 private:
  SIZE TextExtent(const std::u16string& text) const;

  UniqueDc dc_;
  // What the DC held when it was made, put back before our objects are deleted.
  HGDIOBJ originalBitmap_ = nullptr;
  HGDIOBJ originalPen_ = nullptr;
  HGDIOBJ originalFont_ = nullptr;
  UniqueGdi<HBITMAP> bitmap_;
  UniqueGdi<HPEN> pen_;
  UniqueGdi<HFONT> font_;
  int width_ = 0;
  int height_ = 0;
  Colour backColour_;
  Colour penColour_ = 0;
};

}  // namespace tovrel::win
