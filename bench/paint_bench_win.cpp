// One full paint pass of the Command control per style and size on the GDI surface.
// gdi_surface_win.h comes first: it must precede anything that brings in canvas.h.
#include "button_control/gdi_surface_win.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bench/bench_support_win.h"
#include "button_control/button_painter.h"
#include "button_control/command.h"
#include "button_control/command_host.h"

namespace tovrel::bench {
namespace {

constexpr int kPasses = 200;

// A host with only what painting reads: the surface, its scale, the font, system colours.
class SurfaceHost : public CommandHost {
 public:
  win::GdiSurface surface;

  Canvas& Surface() override { return surface; }
  double ScaleWidth() override { return surface.Width(); }
  double ScaleHeight() override { return surface.Height(); }
  double ScaleLeft() override { return 0; }
  double ScaleTop() override { return 0; }
  void Refresh() override {}
  void SetSurfaceEnabled(bool) override {}
  void SetSurfaceFont(const FontRef& font) override {
    font_ = font;
    if (font) surface.SetFont(*font, 96);
  }
  FontRef SurfaceFont() override { return font_; }
  std::intptr_t WindowHandle() override { return 0; }
  void SetAccessKeys(const std::u16string&) override {}
  FontRef AmbientFont() override { return font_; }
  bool AmbientUserMode() override { return true; }
  bool AmbientDisplayAsDefault() override { return false; }
  std::u16string InstanceName() override { return u"Command1"; }
  void PropertyChanged(std::string_view) override {}
  void SetHoverTimer(bool) override {}
  Point CursorClientPosition() override { return {-1, -1}; }
  void SetWindowShape(const WindowShape&) override {}
  void MoveFocus(bool) override {}
  Colour SysColor(int index) override { return static_cast<Colour>(::GetSysColor(index)); }

 private:
  FontRef font_ = std::make_shared<Font>();
};

const char* TypeName(std::int32_t type) {
  switch (type) {
    case XpButton: return "XP";
    case ClassicButton: return "Classic";
    case GradientButton: return "Gradient";
    case GlassButton: return "Glass";
    case OfficeXpButton: return "OfficeXP";
    default: return "?";
  }
}

// Distinct colours on the surface: a style that draws only the face shows one or two.
size_t DistinctColours(const win::GdiSurface& s) {
  std::set<Colour> seen;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) seen.insert(s.GetPixel(x, y));
  return seen.size();
}

int Run() {
  Print("\n== Paint pass (ButtonPainter::PaintButton, up state, force) on the GDI surface, median of %d ==\n",
        kPasses);
  Print("colours = distinct colours on the surface after the pass (evidence the style drew)\n");
  Print("%-2s %-9s %9s %10s %10s %10s %8s\n", "#", "type", "size", "median us", "p90 us", "min us", "colours");
  const std::pair<int, int> sizes[] = {{89, 33}, {400, 120}};
  for (std::int32_t type = XpButton; type <= OfficeXpButton; ++type) {
    for (const auto& [w, h] : sizes) {
      SurfaceHost host;
      host.surface.Resize(w, h);
      Command command(host);
      command.Initialize();
      command.InitProperties();
      command.SetCaption(u"刷新");
      command.SetButtonType(type);  // also resizes the control's state to the surface
      CommandState state = command.state();
      std::vector<double> times;
      for (int i = 0; i < kPasses; ++i) {
        ButtonPainter painter(host.surface, command.properties(), state, command.derived(), false);
        const double t0 = NowMs();
        painter.PaintButton(StateUp, true);
        ::GdiFlush();
        times.push_back((NowMs() - t0) * 1000.0);
      }
      const std::string size = std::to_string(w) + "x" + std::to_string(h);
      Print("%-2d %-9s %9s %10.1f %10.1f %10.1f %8zu\n", type, TypeName(type), size.c_str(), Median(times),
            Percentile(times, 0.9), Percentile(times, 0), DistinctColours(host.surface));
    }
  }
  return 0;
}

}  // namespace
}  // namespace tovrel::bench

int main() {
  try {
    return tovrel::bench::Run();
  } catch (const std::exception& e) {
    tovrel::bench::Print("paint: stopped by an error: %s\n", e.what());
    return 1;
  }
}
