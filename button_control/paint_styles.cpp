// The looks of the five styles: up (with hover and emphasis), pressed and disabled.
#include "button_control/button_painter.h"
#include "button_control/colour.h"

namespace tovrel {

// ---- Style 1, XpButton ----

void ButtonPainter::PaintXpUp() {
  const std::int32_t w = W(), h = H();
  if (props_.ColorScheme == SchemeCustom || props_.ColorScheme == SchemeGrey) {
    // Darker downward from a lightened face; step × i is single times long, so double.
    const Colour base = ShiftColor(derived_.FaceColor, 48, true);
    const float step = static_cast<float>(25.0 / h);
    for (std::int32_t i = 1, last = Sub32(h, 2); i <= last; ++i)
      PaintLine(0, i, w, i, ShiftColor(base, Round32(-static_cast<double>(step) * i), true));
  } else if (props_.XpType == XpBlue) {
    PaintFadeToWhite(198, 197, 215, Sub32(h, 2), 1, -1);
  } else if (props_.XpType == XpOlive) {
    Colour c = Rgb(242, 237, 218);
    for (std::int32_t n = Sub32(h, 2); n >= 1; --n) {
      c = ShiftColor(c, 1, false);
      PaintLine(1, n, Sub32(w, 2), n, c);
    }
  } else if (props_.XpType == XpSilver) {
    PaintFadeToWhite(236, 235, 230, Sub32(h, 2), 1, -1);
  }
  XpBorder();
  const bool hover = state_.MouseInside != 0;
  if (Emphasised() && !hover) {
    if (props_.XpType == XpBlue || props_.XpType == XpSilver)
      DefaultFrame(DefaultFrameKind::XpBlue);
    else if (props_.XpType == XpOlive)
      DefaultFrame(DefaultFrameKind::XpGreen);
    PaintFocusRect();
  }
  if (hover) HoverFrame(props_.XpType == XpOlive ? Rgb(228, 144, 80) : props_.rectcolor);
  NormalLayout(derived_.TextColor);
}

void ButtonPainter::PaintXpPressed() {
  const std::int32_t w = W(), h = H();
  if (props_.XpType == XpBlue) {
    PaintFadeToWhite(171, 170, 188, 1, Sub32(h, 2), 1);
  } else if (props_.XpType == XpOlive) {
    const Colour base = ShiftColor(ShiftColor(derived_.FaceColor, 48, true), -32, true);
    const float step = static_cast<float>(15.0 / h);
    for (std::int32_t i = 1; i <= h; ++i)
      PaintLine(0, h - i, w, h - i, ShiftColor(base, Round32(-static_cast<double>(step) * i), true));
  } else if (props_.XpType == XpSilver) {
    PaintFadeToWhite(224, 224, 216, 1, Sub32(h, 2), 1);
  }
  canvas_.SetTextColor(derived_.TextColor);
  PressedLayout();
  XpBorder();
  if (state_.HasFocus != 0) PaintFocusRect();
}

void ButtonPainter::PaintXpDisabled() {
  PaintRect(0, 0, W(), H(), Rgb(244, 244, 234), false);
  NormalLayout(Rgb(161, 162, 146));
  PaintRoundBorder(Rgb(201, 199, 186), Rgb(201, 199, 186));
}

// ---- Style 2, ClassicButton ----

// The raised bevel around the light face (everything after the face fill).
void ButtonPainter::PaintClassicBevel() {
  const std::int32_t w = W(), h = H();
  const Colour d = derived_.DarkShadowColor, f = derived_.FaceColor, l = derived_.LightColor;
  const Colour hi = derived_.HighlightColor, s = derived_.ShadowColor;
  PaintLine(2, 0, Sub32(w, 2), 0, d);
  PaintLine(2, Sub32(h, 1), Sub32(w, 2), Sub32(h, 1), d);
  PaintLine(0, 2, 0, Sub32(h, 2), d);
  PaintLine(Sub32(w, 1), 2, Sub32(w, 1), Sub32(h, 2), d);
  PaintPixel(1, 1, d);
  PaintPixel(1, Sub32(h, 2), d);
  PaintPixel(Sub32(w, 2), 1, d);
  PaintPixel(Sub32(w, 2), Sub32(h, 2), d);
  PaintPixel(1, 2, f);
  PaintPixel(2, 1, f);
  PaintLine(3, 2, Sub32(w, 3), 2, hi);
  PaintLine(2, 2, 2, Sub32(h, 3), hi);
  PaintPixel(3, 3, hi);
  PaintLine(Sub32(w, 3), 1, Sub32(w, 3), Sub32(h, 3), f);
  PaintLine(1, Sub32(h, 3), Sub32(w, 3), Sub32(h, 3), f);
  PaintPixel(Sub32(w, 4), Sub32(h, 4), f);
  PaintLine(Sub32(w, 2), 3, Sub32(w, 2), Sub32(h, 2), s);
  PaintLine(3, Sub32(h, 2), Sub32(w, 2), Sub32(h, 2), s);
  PaintPixel(Sub32(w, 3), Sub32(h, 3), s);
  PaintPixel(2, Sub32(h, 2), f);
  PaintPixel(2, Sub32(h, 3), l);
  PaintPixel(Sub32(w, 2), 2, f);
  PaintPixel(Sub32(w, 3), 2, l);
}

void ButtonPainter::PaintClassicUp() {
  PaintRect(1, 1, Sub32(W(), 2), Sub32(H(), 2), derived_.LightColor, false);
  PaintClassicBevel();
  const bool hover = state_.MouseInside != 0;
  if (Emphasised()) {
    if (hover)
      HoverFrame(props_.rectcolor);
    else
      DefaultFrame(DefaultFrameKind::Classic);
  } else if (hover) {
    HoverFrame(props_.rectcolor);
  }
  NormalLayout(derived_.TextColor);
}

void ButtonPainter::PaintClassicPressed() {
  const std::int32_t w = W(), h = H();
  const Colour d = derived_.DarkShadowColor, s = derived_.ShadowColor;
  const Colour s16 = ShiftColor(s, -16, false), s32 = ShiftColor(s, -32, false), s64 = ShiftColor(s, -64, false);
  PaintRect(1, 1, Sub32(w, 2), Sub32(h, 2), s16, false);
  PaintLine(2, 0, Sub32(w, 2), 0, d);
  PaintLine(2, Sub32(h, 1), Sub32(w, 2), Sub32(h, 1), d);
  PaintLine(0, 2, 0, Sub32(h, 2), d);
  PaintLine(Sub32(w, 1), 2, Sub32(w, 1), Sub32(h, 2), d);
  PaintRect(1, 1, Sub32(w, 2), Sub32(h, 2), s64, true);
  PaintRect(2, 2, Sub32(w, 4), Sub32(h, 4), s32, true);
  PaintPixel(2, 2, s64);
  PaintPixel(3, 3, s32);
  PaintPixel(1, 1, d);
  PaintPixel(1, Sub32(h, 2), d);
  PaintPixel(Sub32(w, 2), 1, d);
  PaintPixel(Sub32(w, 2), Sub32(h, 2), d);
  PaintLine(Sub32(w, 3), 1, Sub32(w, 3), Sub32(h, 3), s);
  PaintLine(1, Sub32(h, 3), Sub32(w, 2), Sub32(h, 3), s);
  PaintPixel(Sub32(w, 4), Sub32(h, 4), s);
  PaintLine(Sub32(w, 2), 3, Sub32(w, 2), Sub32(h, 2), s16);
  PaintLine(3, Sub32(h, 2), Sub32(w, 2), Sub32(h, 2), s16);
  PaintPixel(Sub32(w, 2), Sub32(h, 3), s32);
  PaintPixel(Sub32(w, 3), Sub32(h, 2), s32);
  PaintPixel(2, Sub32(h, 2), s32);
  PaintPixel(2, Sub32(h, 3), s16);
  PaintPixel(1, Sub32(h, 3), s16);
  PaintPixel(Sub32(w, 2), 2, s32);
  PaintPixel(Sub32(w, 3), 2, s16);
  PaintPixel(Sub32(w, 3), 1, s16);
  // A light caption on the dark face.
  canvas_.SetTextColor(derived_.LightColor);
  PressedLayout();
}

// An engraved caption: a shadow copy in place, a highlight copy offset down and right.
void ButtonPainter::PaintClassicDisabled() {
  PaintRect(1, 1, Sub32(W(), 2), Sub32(H(), 2), derived_.LightColor, false);
  canvas_.SetTextColor(derived_.ShadowColor);
  canvas_.DrawText(props_.Caption, state_.CaptionRect, kCaptionOneLine);
  PaintClassicBevel();
  canvas_.SetTextColor(derived_.HighlightColor);
  const float textWidth = CaptionWidth();
  if (textWidth <= W()) {
    canvas_.DrawText(props_.Caption, state_.PressedCaptionRect, kCaptionOneLine);
  } else {
    std::int32_t top;
    if (!WrappedCaptionTop(textWidth, top)) return;
    state_.PressedCaptionRect.top = Add32(top, 2);
    canvas_.DrawText(props_.Caption, state_.PressedCaptionRect, kCaptionWrapped);
  }
}

// ---- Styles 3 and 4, GradientButton and GlassButton ----

void ButtonPainter::PaintGradientFace(Look look) {
  // Every scheme value but 2 and 3 draws as the system scheme.
  const bool system = props_.ColorScheme != SchemeCustom && props_.ColorScheme != SchemeGrey;
  if (props_.ButtonType == GradientButton) {
    switch (look) {
      case Look::Up:
        PaintPercentGradient(props_.MidColor, system ? Rgb(183, 183, 183) : Rgb(1, 109, 1), props_.EndColor,
                             props_.Percent, false);
        if (state_.MouseInside != 0)
          PaintPercentGradient(props_.MouseMoveMidColor, system ? Rgb(82, 134, 182) : Rgb(1, 109, 1),
                               props_.MouseMoveEndColor, props_.Percent, false);
        break;
      case Look::Pressed:
        if (system)
          PaintPercentGradient(props_.MouseDownMidColor, Rgb(203, 130, 62), props_.MouseDownEndColor, props_.Percent,
                               false);
        else
          PaintPercentGradient(props_.MouseDownMidColor, Rgb(84, 157, 84), props_.MouseDownEndColor, props_.Percent,
                               true);
        break;
      case Look::Disabled:
        PaintRect(1, 1, Sub32(W(), 2), Sub32(H(), 2), Rgb(241, 242, 237), false);
        PaintRoundBorder(Rgb(204, 204, 202), Rgb(204, 204, 202));
        break;
    }
    return;
  }
  constexpr Colour kGlassBorder = Rgb(81, 107, 148);
  switch (look) {
    case Look::Up:
      if (state_.MouseInside != 0)
        PaintGlassGradient(props_.MouseMoveMidColor, kGlassBorder, props_.MouseMoveEndColor, props_.Percent);
      else
        PaintGlassGradient(props_.MidColor, kGlassBorder, props_.EndColor, props_.Percent);
      break;
    case Look::Pressed:
      PaintGlassGradient(props_.MouseDownMidColor, kGlassBorder, props_.MouseDownEndColor, props_.Percent);
      break;
    case Look::Disabled:
      PaintGlassGradient(Rgb(198, 218, 255), Rgb(128, 140, 162), Rgb(232, 242, 255), 53);
      break;
  }
}

void ButtonPainter::PaintGradientStyle(Look look) {
  PaintGradientFace(look);
  switch (look) {
    case Look::Up:
      if (Emphasised()) PaintFocusRect();
      NormalLayout(derived_.TextColor);
      break;
    case Look::Pressed:
      canvas_.SetTextColor(derived_.TextColor);
      PressedLayout();
      if (state_.HasFocus != 0) PaintFocusRect();
      break;
    case Look::Disabled:
      NormalLayout(Rgb(171, 168, 153));
      break;
  }
}

// ---- Style 5, OfficeXpButton ----

ButtonPainter::FlatColours ButtonPainter::OfficeXpColours(Look look) const {
  const bool hover = state_.MouseInside != 0;
  if (const HighContrastColours* c = highContrast_) {
    switch (look) {
      case Look::Up:
        return {hover ? c->Highlight : c->WindowFrame, c->ButtonFace, c->ButtonText};
      case Look::Pressed:
        return {c->Highlight, c->Highlight, c->HighlightText};
      case Look::Disabled:
        return {c->GrayText, c->ButtonFace, c->GrayText};
    }
  }
  const bool grey = props_.ColorScheme == SchemeGrey;
  switch (look) {
    case Look::Up:
      return {hover ? props_.OfficeXpMousemoveFrameColor : props_.OfficeXpFrameColor,
              hover ? props_.OfficeXpMousemoveFillColor : props_.OfficeXpFillColor, derived_.TextColor};
    case Look::Pressed:
      return {props_.OfficeXpMousemoveFrameColor,
              grey ? OffsetColor(props_.OfficeXpMousemoveFillColor, -40, -30, -15, Rgb(250, 250, 250))
                   : OffsetColor(props_.OfficeXpMousemoveFillColor, -30, -30, -60, Rgb(250, 250, 250)),
              derived_.TextColor};
    case Look::Disabled:
      break;
  }
  const Colour frame = grey ? props_.OfficeXpFrameColor : Rgb(188, 188, 64);
  return {frame, grey ? props_.OfficeXpFillColor : Rgb(238, 239, 208), frame};
}

void ButtonPainter::PaintFocusMark(Look look) {
  if (!highContrast_) {
    PaintFocusRect();
    return;
  }
  const Colour c = look == Look::Pressed ? highContrast_->HighlightText : highContrast_->Highlight;
  const Rect& r = state_.FocusRect;
  PaintRect(r.left, r.top, Sub32(r.right, r.left), Sub32(r.bottom, r.top), c, true);
}

void ButtonPainter::PaintOfficeXpUp() {
  const FlatColours c = OfficeXpColours(Look::Up);
  PaintRect(0, 0, W(), H(), c.frame, true);
  PaintRect(1, 1, Sub32(W(), 2), Sub32(H(), 2), c.fill, false);
  if (state_.HasFocus != 0) PaintFocusMark(Look::Up);
  NormalLayout(c.text);
}

void ButtonPainter::PaintOfficeXpPressed() {
  const FlatColours c = OfficeXpColours(Look::Pressed);
  PaintRect(0, 0, W(), H(), c.frame, true);
  PaintRect(1, 1, Sub32(W(), 2), Sub32(H(), 2), c.fill, false);
  canvas_.SetTextColor(c.text);
  PressedLayout();
  if (state_.HasFocus != 0) PaintFocusMark(Look::Pressed);
}

void ButtonPainter::PaintOfficeXpDisabled() {
  const FlatColours c = OfficeXpColours(Look::Disabled);
  PaintRect(0, 0, W(), H(), c.frame, true);
  PaintRect(1, 1, Sub32(W(), 2), Sub32(H(), 2), c.fill, false);
  NormalLayout(c.text);
}

}  // namespace tovrel
