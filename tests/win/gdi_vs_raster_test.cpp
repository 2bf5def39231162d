// The paint pass on the real GDI surface and on the in-memory raster surface must give
// the same pixels: that is what lets the native raster tests speak for the real control.
#include "button_control/gdi_surface_win.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "button_control/button_painter.h"
#include "button_control/raster_surface.h"
#include "tests/native/fake_command_host.h"

namespace tovrel::win {
namespace {

constexpr int kWidth = 89;
constexpr int kHeight = 33;

std::string Hex(Colour c) {
  char text[16];
  std::snprintf(text, sizeof(text), "#%06X", static_cast<unsigned>(c));
  return text;
}

// Empty when both surfaces hold the same pixels; otherwise the count and the first few.
std::string Differences(const Canvas& gdi, const Canvas& raster) {
  int count = 0;
  std::string listed;
  for (int y = 0; y < gdi.Height(); ++y)
    for (int x = 0; x < gdi.Width(); ++x) {
      const Colour g = gdi.GetPixel(x, y), r = raster.GetPixel(x, y);
      if (g == r) continue;
      if (++count <= 12)
        listed += " (" + std::to_string(x) + "," + std::to_string(y) + ") gdi " + Hex(g) + " raster " + Hex(r);
    }
  return count ? std::to_string(count) + " pixels differ:" + listed : std::string();
}

int DistinctColours(const Canvas& c) {
  std::set<Colour> seen;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) seen.insert(c.GetPixel(x, y));
  return static_cast<int>(seen.size());
}

struct Look {
  const char* name;
  std::uint8_t visualState;
  bool hover;
  bool focus;
  bool asDefault;
  bool disabled;
};

constexpr Look kLooks[] = {
    {"up", StateUp, false, false, false, false},      {"hover", StateUp, true, false, false, false},
    {"pressed", StateDown, true, false, false, false}, {"focused", StateUp, false, true, false, false},
    {"default", StateUp, false, false, true, false},   {"disabled", StateUp, false, false, false, true},
    {"pressed and focused", StateDown, true, true, false, false},
};

class GdiVersusRaster : public ::testing::TestWithParam<int> {};

TEST_P(GdiVersusRaster, EveryLookOfTheStyleGivesTheSamePixels) {
  const int buttonType = GetParam();
  // A control loaded as a form loads it, with the system's real colours.
  RasterSurface loadSurface(kWidth, kHeight);
  test::FakeCommandHost host(loadSurface);
  for (auto& [index, colour] : host.sysColors) colour = static_cast<Colour>(::GetSysColor(index));
  Command command(host);
  command.Initialize();
  PropertyStore layout;
  layout.Set("Caption", std::u16string());
  layout.Set("ButtonType", static_cast<double>(buttonType));
  command.ReadProperties(layout);
  command.OnResize();

  for (const Look& look : kLooks) {
    SCOPED_TRACE(std::string("ButtonType ") + std::to_string(buttonType) + ", " + look.name);
    CommandProperties props = command.properties();
    if (look.disabled) props.Enabled = kVbFalse;
    CommandState state = command.state();
    state.MouseInside = ToVb(look.hover);
    state.HasFocus = ToVb(look.focus);

    GdiSurface gdi;
    gdi.Resize(kWidth, kHeight);
    RasterSurface raster(kWidth, kHeight, gdi.BackColor());
    CommandState gdiState = state, rasterState = state;
    ButtonPainter(gdi, props, gdiState, command.derived(), look.asDefault).PaintButton(look.visualState, true);
    ButtonPainter(raster, props, rasterState, command.derived(), look.asDefault)
        .PaintButton(look.visualState, true);
    EXPECT_EQ(Differences(gdi, raster), "");
    // Every style draws more than its face, so the comparison is not of two blank faces.
    if (buttonType <= OfficeXpButton) {
      EXPECT_GT(DistinctColours(gdi), 1);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Styles, GdiVersusRaster, ::testing::Values(1, 2, 3, 4, 5, 6),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "ButtonType" + std::to_string(info.param);
                         });

// The focus rectangle alone, over a background with a different colour in every pixel,
// at even and odd sizes: the dots, their phase and the inversion must all agree.
TEST(GdiVersusRasterFocusRect, TheDottedInversionMatchesAtEverySize) {
  const Rect rects[] = {{2, 2, 87, 31}, {2, 2, 86, 30}, {1, 1, 4, 4}, {2, 2, 8, 3}, {0, 0, 1, 5}, {5, 5, 5, 9}};
  for (const Rect& r : rects) {
    SCOPED_TRACE("rect " + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
                 "," + std::to_string(r.bottom));
    GdiSurface gdi;
    gdi.Resize(kWidth, kHeight);
    RasterSurface raster(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const Colour c = Rgb(x * 2, y * 7, (x + y) % 256);
        gdi.SetPixel(x, y, c);
        raster.SetPixel(x, y, c);
      }
    // As the paint pass leaves it before drawing the focus rectangle.
    gdi.SetTextColor(Rgb(0, 60, 115));
    raster.SetTextColor(Rgb(0, 60, 115));
    gdi.DrawFocusRect(r);
    raster.DrawFocusRect(r);
    EXPECT_EQ(Differences(gdi, raster), "");
  }
}

}  // namespace
}  // namespace tovrel::win
