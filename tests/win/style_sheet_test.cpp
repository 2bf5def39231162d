// Every style in every look at 89 x 33 px with a real caption, on the GDI surface, saved
// as one sheet under build/screenshots for people to look at; the last row is any style
// in Windows' High Contrast Black, which Wine cannot switch on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "button_control/button_painter.h"
#include "button_control/gdi_surface_win.h"
#include "button_control/raster_surface.h"
#include "tests/e2e/png_file.h"
#include "tests/native/fake_command_host.h"

namespace tovrel::win {
namespace {

constexpr int kW = 89, kH = 33, kGap = 6;

struct Look {
  std::uint8_t visualState;
  bool hover, focus, asDefault, disabled;
};
constexpr Look kLooks[] = {{StateUp, false, false, false, false}, {StateUp, true, false, false, false},
                           {StateDown, true, false, false, false}, {StateUp, false, true, false, false},
                           {StateUp, false, false, true, false},  {StateUp, false, false, false, true}};
constexpr int kStyles[] = {1, 2, 3, 4, 5, 7};
// Windows' High Contrast Black: button face and text, window frame, highlight and its text, grey text.
constexpr HighContrastColours kHighContrastBlack{Rgb(0, 0, 0),       Rgb(255, 255, 255), Rgb(255, 255, 255),
                                                 Rgb(26, 235, 255), Rgb(0, 0, 0),       Rgb(63, 242, 63)};

// One look on a fresh GDI surface; the pixels as RGB rows.
std::vector<Colour> Paint(int buttonType, const Look& look, const std::u16string& caption,
                          const HighContrastColours* contrast = nullptr) {
  RasterSurface loadSurface(kW, kH);
  test::FakeCommandHost host(loadSurface);
  for (auto& [index, colour] : host.sysColors) colour = static_cast<Colour>(::GetSysColor(index));
  Command command(host);
  command.Initialize();
  PropertyStore layout;
  layout.Set("Caption", caption);
  layout.Set("ButtonType", static_cast<double>(buttonType));
  command.ReadProperties(layout);
  command.OnResize();
  CommandProperties props = command.properties();
  if (look.disabled) props.Enabled = kVbFalse;
  CommandState state = command.state();
  state.MouseInside = ToVb(look.hover);
  state.HasFocus = ToVb(look.focus);
  GdiSurface gdi;
  gdi.Resize(kW, kH);
  gdi.SetFont(Font{}, 96);
  ButtonPainter(gdi, props, state, command.derived(), look.asDefault, contrast).PaintButton(look.visualState, true);
  std::vector<Colour> pixels;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) pixels.push_back(gdi.GetPixel(x, y));
  return pixels;
}

TEST(StyleSheet, EveryStyleAndLookWithItsCaption) {
  const int cols = static_cast<int>(std::size(kLooks)), rows = static_cast<int>(std::size(kStyles)) + 1;
  const int sheetW = kGap + cols * (kW + kGap), sheetH = kGap + rows * (kH + kGap);
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(sheetW) * sheetH * 3, 255);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      const bool contrast = r == rows - 1;
      const int style = contrast ? XpButton : kStyles[r];
      const HighContrastColours* colours = contrast ? &kHighContrastBlack : nullptr;
      const auto withCaption = Paint(style, kLooks[c], u"确定", colours);
      // The caption is drawn over the face, except that a style outside 1..5 shows only
      // its face when pressed or disabled.
      const bool faceOnly = !contrast && style > 5 && (kLooks[c].visualState == StateDown || kLooks[c].disabled);
      EXPECT_EQ(withCaption != Paint(style, kLooks[c], u"", colours), !faceOnly) << "style " << style << " look " << c;
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
          const Colour p = withCaption[static_cast<std::size_t>(y) * kW + x];
          const std::size_t at = (static_cast<std::size_t>(kGap + r * (kH + kGap) + y) * sheetW + kGap +
                                  c * (kW + kGap) + x) * 3;
          rgb[at] = static_cast<std::uint8_t>(p & 255);
          rgb[at + 1] = static_cast<std::uint8_t>((p >> 8) & 255);
          rgb[at + 2] = static_cast<std::uint8_t>((p >> 16) & 255);
        }
    }
  ::CreateDirectoryW(L"..\\screenshots", nullptr);
  EXPECT_TRUE(test::WritePng(L"..\\screenshots\\button-styles.png", sheetW, sheetH, rgb));
}

}  // namespace
}  // namespace tovrel::win
