// Screenshots for the end-to-end tests: a screen rectangle saved as a PNG.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/picture/png_encoding.h"

namespace tovrel::test {

// rgb: width * height * 3 bytes, rows top to bottom.
inline bool WritePng(const std::wstring& path, int width, int height, const std::vector<std::uint8_t>& rgb) {
  const std::vector<std::uint8_t> png = EncodePng(width, height, rgb);
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  return std::fclose(f) == 0 && ok;
}

// Copies a rectangle of the screen (window regions and all) into a PNG file.
inline bool SaveScreenRect(const RECT& r, const std::wstring& path) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return false;
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(mem, dib);
  ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  ::GdiFlush();
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
  const auto* px = static_cast<const std::uint8_t*>(bits);
  for (int i = 0; i < w * h; ++i) {
    rgb[i * 3] = px[i * 4 + 2];
    rgb[i * 3 + 1] = px[i * 4 + 1];
    rgb[i * 3 + 2] = px[i * 4];
  }
  ::SelectObject(mem, old);
  ::DeleteObject(dib);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
  return WritePng(path, w, h, rgb);
}

}  // namespace tovrel::test
