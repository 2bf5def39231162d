// The paint pass of the Command control and its drawing primitives, on any Canvas.
#pragma once

#include <cstdint>

#include "button_control/canvas.h"
#include "button_control/command.h"

namespace tovrel {

class ButtonPainter {
 public:
  // state holds the fields the pass reads and stores (VisualState, LastCaption, the
  // caption rectangles, HasFocus); W and H are state.ClientWidth and ClientHeight.
  ButtonPainter(Canvas& canvas, const CommandProperties& props, CommandState& state,
                const DerivedColours& derived, bool displayAsDefault);

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
  Canvas& canvas_;
  const CommandProperties& props_;
  CommandState& state_;
  const DerivedColours& derived_;
  bool displayAsDefault_;
};

}  // namespace tovrel
