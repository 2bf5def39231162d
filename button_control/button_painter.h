// The paint pass of the Command control and its drawing primitives, on any Canvas.
#pragma once

#include <cmath>
#include <cstdint>

#include "button_control/canvas.h"
#include "button_control/command.h"
#include "platform/run_time_error.h"

namespace tovrel {

class ButtonPainter {
 public:
  // state holds the fields the pass reads and stores (VisualState, LastCaption, the
  // caption rectangles, HasFocus); W and H are state.ClientWidth and ClientHeight.
  // With highContrast, every look is the flat one in those system colours.
  ButtonPainter(Canvas& canvas, const CommandProperties& props, CommandState& state,
                const DerivedColours& derived, bool displayAsDefault,
                const HighContrastColours* highContrast = nullptr);

  void PaintButton(std::uint8_t visualState, bool force);

  void PaintRect(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                 Colour colour, bool outline);
  void PaintLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Colour colour);
  void PaintPixel(std::int32_t x, std::int32_t y, Colour colour);
  void PaintFocusRect();
  void PaintRoundBorder(Colour lineColour, Colour cornerColour);
  void PaintFadeToWhite(std::int32_t red, std::int32_t green, std::int32_t blue, std::int32_t fromRow,
                        std::int32_t toRow, std::int32_t step);
  void PaintGlassGradient(Colour midColour, Colour frameColour, Colour endColour, std::int16_t percent);
  void PaintPercentGradient(Colour startColour, Colour borderColour, Colour endColour,
                            std::int16_t percent, bool flat);

 private:
  enum class Look { Up, Pressed, Disabled };
  enum class DefaultFrameKind { XpBlue, XpGreen, Classic };
  // The flat (Office XP) look's colours for one look.
  struct FlatColours {
    Colour frame, fill, text;
  };

  // Floating values become integers half to even; out of range is the overflow error.
  static std::int32_t Round32(double v) {
    const double r = std::nearbyint(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw RunTimeError(kErrOverflow);
    return static_cast<std::int32_t>(r);
  }
  static std::int16_t Round16(double v) { return CheckedInt16(Round32(v)); }
  // A colour from computed channels: above 255 counts as 255, below 0 as 0.
  static Colour Compose(std::int32_t r, std::int32_t g, std::int32_t b) {
    auto fit = [](std::int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
    return Rgb(fit(r), fit(g), fit(b));
  }

  std::int32_t W() const { return state_.ClientWidth; }
  std::int32_t H() const { return state_.ClientHeight; }

  // Shared pieces of the looks.
  bool Emphasised() const;
  float CaptionWidth();
  bool WrappedCaptionTop(float textWidth, std::int32_t& top);
  void NormalLayout(Colour colour);
  void PressedLayout();
  void HoverFrame(Colour c);
  void DefaultFrame(DefaultFrameKind kind);
  void XpBorder();

  // The styles, one function per look.
  void PaintXpUp();
  void PaintXpPressed();
  void PaintXpDisabled();
  void PaintClassicBevel();
  void PaintClassicUp();
  void PaintClassicPressed();
  void PaintClassicDisabled();
  void PaintGradientFace(Look look);
  void PaintGradientStyle(Look look);
  FlatColours OfficeXpColours(Look look) const;
  // The focus mark: the dotted frame, or in high contrast a frame in the look's focus colour.
  void PaintFocusMark(Look look);
  void PaintOfficeXpUp();
  void PaintOfficeXpPressed();
  void PaintOfficeXpDisabled();
  void PaintLook(Look look);

  Canvas& canvas_;
  const CommandProperties& props_;
  CommandState& state_;
  const DerivedColours& derived_;
  bool displayAsDefault_;
  const HighContrastColours* highContrast_;
};

}  // namespace tovrel
