#include "button_control/button_painter.h"

namespace tovrel {

ButtonPainter::ButtonPainter(Canvas& canvas, const CommandProperties& props, CommandState& state,
                             const DerivedColours& derived, bool displayAsDefault)
    : canvas_(canvas), props_(props), state_(state), derived_(derived), displayAsDefault_(displayAsDefault) {}

// Face colour and centred caption; the styles come with the drawing work.
void ButtonPainter::PaintButton(std::uint8_t visualState, bool force) {
  if (!(force || props_.Caption != state_.LastCaption || visualState != state_.VisualState)) return;
  if (state_.ClientHeight == 0) return;
  state_.VisualState = visualState;
  state_.LastCaption = props_.Caption;
  canvas_.Clear();
  canvas_.FillRect({0, 0, state_.ClientWidth, state_.ClientHeight}, derived_.FaceColor);
  canvas_.SetTextColor(derived_.TextColor);
  canvas_.DrawText(props_.Caption, visualState == 2 ? state_.PressedCaptionRect : state_.CaptionRect,
                   kCaptionOneLine);
}

}  // namespace tovrel
