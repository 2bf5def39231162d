#include "button_control/gdi_surface_win.h"

#include "platform/controls_win.h"

#include <cmath>
#include <system_error>

namespace tovrel::win {
namespace {

RECT ToRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

COLORREF ToColorRef(Colour c) { return static_cast<COLORREF>(c); }

// UTF-16 both sides; only the pointer type differs.
const wchar_t* WidePtr(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

UniqueGdi<HFONT> MakeFont(const Font& font, int dpi) {
  int weight = font.weight;
  if (font.bold && weight < FW_BOLD) weight = FW_BOLD;
  return win::MakeFont({WidePtr(font.name), font.size, weight, font.italic, font.underline, font.strikethrough,
                        static_cast<BYTE>(font.charset)},
                       dpi);
}

UniqueGdi<HPEN> MakePen(Colour c) {
  // Width 1 makes a cosmetic pen: one pixel whatever the mapping.
  UniqueGdi<HPEN> made(::CreatePen(PS_SOLID, 1, ToColorRef(c)));
  if (!made) ThrowLastError("CreatePen");
  return made;
}

}  // namespace

GdiSurface::GdiSurface() : dc_(::CreateCompatibleDC(nullptr)), backColour_(static_cast<Colour>(::GetSysColor(COLOR_BTNFACE))) {
  if (!dc_) ThrowLastError("CreateCompatibleDC");
  originalBitmap_ = ::GetCurrentObject(dc_.get(), OBJ_BITMAP);
  pen_ = MakePen(penColour_);
  originalPen_ = ::SelectObject(dc_.get(), pen_.get());
  font_ = MakeFont(Font{}, USER_DEFAULT_SCREEN_DPI);
  originalFont_ = ::SelectObject(dc_.get(), font_.get());
  // The face shows around the glyphs of the caption.
  ::SetBkMode(dc_.get(), TRANSPARENT);
}

GdiSurface::~GdiSurface() {
  ::SelectObject(dc_.get(), originalFont_);
  ::SelectObject(dc_.get(), originalPen_);
  ::SelectObject(dc_.get(), originalBitmap_);
}

void GdiSurface::Resize(int width, int height) {
  width_ = width > 0 ? width : 0;
  height_ = height > 0 ? height : 0;
  if (width_ == 0 || height_ == 0) {
    ::SelectObject(dc_.get(), originalBitmap_);
    bitmap_.reset();
    return;
  }
  // A top-down 32-bit DIB holds every colour exactly, whatever the screen's depth.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueGdi<HBITMAP> made(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!made) ThrowLastError("CreateDIBSection");
  ::SelectObject(dc_.get(), made.get());
  bitmap_ = std::move(made);
  Clear();
}

void GdiSurface::SetFont(const Font& font, int dpi) {
  UniqueGdi<HFONT> made = MakeFont(font, dpi);
  ::SelectObject(dc_.get(), made.get());
  font_ = std::move(made);
}

void GdiSurface::SetBackColor(Colour c) { backColour_ = c; }

void GdiSurface::CopyTo(HDC target, const RECT& area) const {
  ::BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, dc_.get(), area.left,
           area.top, SRCCOPY);
}

void GdiSurface::Clear() {
  FillRect({0, 0, width_, height_}, backColour_);
  // Cls also puts the current point home.
  ::MoveToEx(dc_.get(), 0, 0, nullptr);
}

void GdiSurface::FillRect(const Rect& r, Colour c) {
  UniqueGdi<HBRUSH> brush(::CreateSolidBrush(ToColorRef(c)));
  const RECT rc = ToRect(r);
  if (brush) ::FillRect(dc_.get(), &rc, brush.get());
}

void GdiSurface::FrameRect(const Rect& r, Colour c) {
  UniqueGdi<HBRUSH> brush(::CreateSolidBrush(ToColorRef(c)));
  const RECT rc = ToRect(r);
  if (brush) ::FrameRect(dc_.get(), &rc, brush.get());
}

void GdiSurface::SetForeColor(Colour c) {
  if (c == penColour_) return;
  UniqueGdi<HPEN> made = MakePen(c);
  ::SelectObject(dc_.get(), made.get());
  pen_ = std::move(made);
  penColour_ = c;
}

void GdiSurface::MoveTo(int x, int y) { ::MoveToEx(dc_.get(), x, y, nullptr); }

void GdiSurface::LineTo(int x, int y) { ::LineTo(dc_.get(), x, y); }

void GdiSurface::SetPixel(int x, int y, Colour c) { ::SetPixelV(dc_.get(), x, y, ToColorRef(c)); }

Colour GdiSurface::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return -1;
  const COLORREF value = ::GetPixel(dc_.get(), x, y);
  return value == CLR_INVALID ? -1 : static_cast<Colour>(value);
}

void GdiSurface::DrawFocusRect(const Rect& r) {
  const RECT rc = ToRect(r);
  ::DrawFocusRect(dc_.get(), &rc);
}

void GdiSurface::SetTextColor(Colour c) { ::SetTextColor(dc_.get(), ToColorRef(c)); }

void GdiSurface::DrawText(const std::u16string& text, const Rect& r, unsigned flags) {
  RECT rc = ToRect(r);
  ::DrawTextW(dc_.get(), WidePtr(text), static_cast<int>(text.size()), &rc, flags);
}

SIZE GdiSurface::TextExtent(const std::u16string& text) const {
  SIZE size{0, 0};
  if (!::GetTextExtentPoint32W(dc_.get(), WidePtr(text), static_cast<int>(text.size()), &size))
    ThrowLastError("GetTextExtentPoint32W");
  return size;
}

double GdiSurface::TextWidth(const std::u16string& text) { return TextExtent(text).cx; }

double GdiSurface::TextHeight(const std::u16string& text) {
  // An empty text is still one line high, as the forms layer measures it.
  if (text.empty()) {
    TEXTMETRICW metrics{};
    if (!::GetTextMetricsW(dc_.get(), &metrics)) ThrowLastError("GetTextMetricsW");
    return metrics.tmHeight;
  }
  return TextExtent(text).cy;
}

}  // namespace tovrel::win
