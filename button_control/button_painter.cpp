// The paint pass: when to paint, the dispatch to the looks, and the pieces the looks
// share (caption layouts, hover and default frames, the XP border).
#include "button_control/button_painter.h"

namespace tovrel {

namespace {

// Inside a pass HasFocus means "has the focus and may show it"; every way out of the
// pass, an overflow included, puts the real value back.
class FocusRestore {
 public:
  explicit FocusRestore(VbBool& field) : field_(field), saved_(field) {}
  ~FocusRestore() { field_ = saved_; }
  FocusRestore(const FocusRestore&) = delete;
  FocusRestore& operator=(const FocusRestore&) = delete;

 private:
  VbBool& field_;
  VbBool saved_;
};

}  // namespace

ButtonPainter::ButtonPainter(Canvas& canvas, const CommandProperties& props, CommandState& state,
                             const DerivedColours& derived, bool displayAsDefault,
                             const HighContrastColours* highContrast)
    : canvas_(canvas),
      props_(props),
      state_(state),
      derived_(derived),
      displayAsDefault_(displayAsDefault),
      highContrast_(highContrast) {}

void ButtonPainter::PaintButton(std::uint8_t visualState, bool force) {
  if (!(force || props_.Caption != state_.LastCaption || visualState != state_.VisualState)) return;
  if (H() == 0) return;
  state_.VisualState = visualState;
  state_.LastCaption = props_.Caption;

  FocusRestore restore(state_.HasFocus);
  if (state_.HasFocus != 0) state_.HasFocus = props_.ShowFocusRect;

  canvas_.Clear();
  PaintRect(0, 0, W(), H(), highContrast_ ? highContrast_->ButtonFace : derived_.FaceColor, false);
  if (props_.Enabled != 0) {
    canvas_.SetTextColor(highContrast_ ? highContrast_->ButtonText : derived_.TextColor);
    if (visualState == StateUp)
      PaintLook(Look::Up);
    else if (visualState == StateDown)
      PaintLook(Look::Pressed);
  } else {
    PaintLook(Look::Disabled);
  }
}

void ButtonPainter::PaintLook(Look look) {
  // High contrast keeps every style's layout but takes the flat look, the one whose
  // colours are all given rather than computed.
  switch (highContrast_ ? OfficeXpButton : props_.ButtonType) {
    case XpButton:
      if (look == Look::Up) PaintXpUp();
      else if (look == Look::Pressed) PaintXpPressed();
      else PaintXpDisabled();
      break;
    case ClassicButton:
      if (look == Look::Up) PaintClassicUp();
      else if (look == Look::Pressed) PaintClassicPressed();
      else PaintClassicDisabled();
      break;
    case GradientButton:
    case GlassButton:
      PaintGradientStyle(look);
      break;
    case OfficeXpButton:
      if (look == Look::Up) PaintOfficeXpUp();
      else if (look == Look::Pressed) PaintOfficeXpPressed();
      else PaintOfficeXpDisabled();
      break;
    default:
      // No style: the face with the caption when up, the bare face otherwise.
      if (look == Look::Up) NormalLayout(derived_.TextColor);
      break;
  }
}

bool ButtonPainter::Emphasised() const {
  return (props_.ShowFocusRect != 0 && displayAsDefault_) || state_.HasFocus != 0;
}

float ButtonPainter::CaptionWidth() { return static_cast<float>(canvas_.TextWidth(props_.Caption)); }

// The top of a word-wrapped caption block centred in H. The caption is taken to need one
// line per full width W plus one. A zero-width button has no wrapped layout: false.
bool ButtonPainter::WrappedCaptionTop(float textWidth, std::int32_t& top) {
  if (W() == 0) return false;
  const std::int32_t lines = Add32(CheckedInt32(std::int64_t{Round32(textWidth)} / W()), 1);
  const float textHeight = static_cast<float>(canvas_.TextHeight(props_.Caption));
  top = Round32(H() - static_cast<double>(textHeight) * lines) / 2;
  return true;
}

void ButtonPainter::NormalLayout(Colour colour) {
  canvas_.SetTextColor(colour);
  const float textWidth = CaptionWidth();
  if (textWidth > W()) {
    std::int32_t top;
    if (!WrappedCaptionTop(textWidth, top)) return;
    state_.CaptionRect.top = top;
    canvas_.DrawText(props_.Caption, state_.CaptionRect, kCaptionWrapped);
  } else {
    canvas_.DrawText(props_.Caption, state_.CaptionRect, kCaptionOneLine);
  }
}

void ButtonPainter::PressedLayout() {
  if (CaptionWidth() > W()) {
    state_.PressedCaptionRect.top = Add32(state_.CaptionRect.top, 2);
    canvas_.DrawText(props_.Caption, state_.PressedCaptionRect, kCaptionWrapped);
  } else {
    canvas_.DrawText(props_.Caption, state_.PressedCaptionRect, kCaptionOneLine);
  }
}

void ButtonPainter::HoverFrame(Colour c) {
  const std::int32_t w = W(), h = H();
  PaintRect(2, 1, Sub32(w, 4), Sub32(h, 2), c, true);
  PaintLine(1, 2, 1, Sub32(h, 2), c);
  PaintLine(3, 2, Sub32(w, 3), 2, c);
  PaintLine(Sub32(w, 2), 2, Sub32(w, 2), Sub32(h, 2), c);
  PaintLine(3, Sub32(h, 3), Sub32(w, 3), Sub32(h, 3), c);
}

void ButtonPainter::DefaultFrame(DefaultFrameKind kind) {
  struct Colours {
    Colour outline, bottom, top, second, sides;
  };
  constexpr Colours kBlue{Rgb(140, 174, 231), Rgb(107, 130, 239), Rgb(206, 231, 255), Rgb(189, 215, 247),
                          Rgb(181, 209, 240)};
  constexpr Colour kGreen = Rgb(122, 184, 98);
  const Colours c = kind == DefaultFrameKind::XpGreen ? Colours{kGreen, kGreen, kGreen, kGreen, kGreen} : kBlue;
  const std::int32_t w = W(), h = H();
  PaintRect(1, 2, Sub32(w, 2), Sub32(h, 4), c.outline, true);
  PaintLine(2, Sub32(h, 2), Sub32(w, 2), Sub32(h, 2), c.bottom);
  PaintLine(2, 1, Sub32(w, 2), 1, c.top);
  if (kind == DefaultFrameKind::Classic)
    PaintLine(1, 2, Sub32(w, 1), 2, c.second);
  else
    PaintLine(2, 2, Sub32(w, 2), 2, c.second);
  PaintLine(2, 3, 2, Sub32(h, 3), c.sides);
  PaintLine(Sub32(w, 3), 3, Sub32(w, 3), Sub32(h, 3), c.sides);
}

void ButtonPainter::XpBorder() { PaintRoundBorder(Rgb(0, 60, 115), Rgb(16, 77, 123)); }

}  // namespace tovrel
