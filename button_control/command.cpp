#include "button_control/command.h"

#include <memory>
#include <optional>
#include <utility>

#include "button_control/button_painter.h"
#include "button_control/colour.h"

namespace tovrel {
namespace {

constexpr VbBool Normalised(VbBool v) { return v != 0 ? kVbTrue : kVbFalse; }

// The derived colour set of a scheme. Works on any property set so that loading can
// derive the colours before anything is committed to the control.
void DeriveColours(CommandHost& host, CommandProperties& p, DerivedColours& d) {
  switch (p.ColorScheme) {
    case SchemeCustom:
      d.TextColor = p.ForeColor;
      d.FaceColor = p.BackColor;
      d.ShadowColor = ShiftColor(p.BackColor, -64, false);
      d.LightColor = ShiftColor(d.FaceColor, 31, false);
      d.HighlightColor = ShiftColor(d.FaceColor, 47, false);
      d.DarkShadowColor = ShiftColor(d.FaceColor, -192, false);
      break;
    case SchemeGrey:
      d.DarkShadowColor = 0;
      d.TextColor = 0;
      d.FaceColor = Rgb(192, 192, 192);
      d.ShadowColor = Rgb(128, 128, 128);
      d.LightColor = Rgb(223, 223, 223);
      d.HighlightColor = Rgb(255, 255, 255);
      p.OfficeXpFillColor = Rgb(236, 233, 216);
      p.OfficeXpFrameColor = Rgb(172, 169, 154);
      p.OfficeXpMousemoveFillColor = Rgb(193, 210, 238);
      p.OfficeXpMousemoveFrameColor = Rgb(49, 105, 198);
      break;
    default:
      d.FaceColor = host.SysColor(kColorBtnFace);
      d.ShadowColor = host.SysColor(kColorBtnShadow);
      d.LightColor = host.SysColor(kColorLight3d);
      d.DarkShadowColor = host.SysColor(kColorDkShadow3d);
      d.HighlightColor = host.SysColor(kColorBtnHighlight);
      d.TextColor = p.ForeColor;
      if (p.ButtonType == GlassButton) {
        p.MidColor = Rgb(197, 197, 197);
        p.EndColor = Rgb(238, 238, 238);
        p.MouseMoveMidColor = Rgb(123, 167, 211);
        p.MouseMoveEndColor = Rgb(210, 245, 251);
        p.MouseDownMidColor = Rgb(227, 167, 105);
        p.MouseDownEndColor = Rgb(252, 220, 199);
      }
      break;
  }
}

Font AmbientFontOf(CommandHost& host) {
  FontRef ambient = host.AmbientFont();
  return ambient ? *ambient : Font{};
}

}  // namespace

Command::Command(CommandHost& host) : host_(host) {}

void Command::Initialize() {
  state_.LastMouseButton = 1;
  state_.PressedCaptionRect.left = 2;
  state_.PressedCaptionRect.top = 2;
  ApplyColorScheme();
}

void Command::InitProperties() {
  props_.BackColor = host_.SysColor(kColorBtnFace);
  props_.ForeColor = host_.SysColor(kColorBtnText);
  props_.Enabled = kVbTrue;
  props_.Font = host_.SurfaceFont();
  props_.hWnd = 0;
  props_.ButtonType = XpButton;
  props_.Caption = host_.InstanceName();
  props_.ColorScheme = SchemeSystem;
  props_.XpType = XpBlue;
  props_.ShowFocusRect = kVbTrue;
  props_.rectcolor = kDefaultRectColor;
  state_.VisualState = StateUp;
  props_.Percent = kDefaultPercent;
  props_.MidColor = kDefaultMidColor;
  props_.EndColor = kDefaultEndColor;
  props_.MouseMoveMidColor = kDefaultMouseMoveMidColor;
  props_.MouseMoveEndColor = kDefaultMouseMoveEndColor;
  props_.MouseDownMidColor = kDefaultMouseDownMidColor;
  props_.MouseDownEndColor = kDefaultMouseDownEndColor;
  props_.OfficeXpFillColor = kDefaultOfficeXpFillColor;
  props_.OfficeXpFrameColor = kDefaultOfficeXpFrameColor;
  props_.OfficeXpMousemoveFillColor = kDefaultOfficeXpMousemoveFillColor;
  props_.OfficeXpMousemoveFrameColor = kDefaultOfficeXpMousemoveFrameColor;
  // The access keys follow the caption from the start, not only after its first change.
  CaptionChanged();
}

void Command::ReadProperties(const PropertyStore& store) {
  // Everything is read and converted into a copy first, so a value that does not
  // convert leaves the control, its surface and its access keys as they were.
  CommandProperties next = props_;
  DerivedColours nextDerived = derived_;

  next.BackColor = store.ReadLong("BackColor", host_.SysColor(kColorBtnFace));
  next.ForeColor = store.ReadLong("ForeColor", host_.SysColor(kColorBtnText));
  next.Enabled = store.ReadBool("Enabled", kVbTrue);
  next.Font = std::make_shared<Font>(store.ReadFont("Font", AmbientFontOf(host_)));
  next.hWnd = store.ReadLong("hWnd", 0);
  next.ButtonType = store.ReadLong("ButtonType", XpButton);
  next.XpType = store.ReadLong("XpType", XpBlue);
  next.Caption = store.ReadString("Caption", kDefaultStoredCaption);
  next.ColorScheme = store.ReadLong("ColorScheme", SchemeSystem);
  next.ShowFocusRect = store.ReadBool("ShowFocusRect", kVbTrue);

  // Before the colours below, so stored gradient and Office-XP colours win over the
  // scheme's presets.
  DeriveColours(host_, next, nextDerived);
  std::u16string accessKeys = AccessKeyOf(next.Caption);

  next.rectcolor = store.ReadLong("rectcolor", kDefaultRectColor);
  next.Percent = store.ReadInteger("Percent", kDefaultPercent);
  next.MidColor = store.ReadLong("MidColor", kDefaultMidColor);
  next.EndColor = store.ReadLong("EndColor", kDefaultEndColor);
  next.MouseMoveEndColor = store.ReadLong("MouseMoveEndColor", kDefaultMouseMoveEndColor);
  next.MouseMoveMidColor = store.ReadLong("MouseMoveMidColor", kDefaultMouseMoveMidColor);
  next.MouseDownEndColor = store.ReadLong("MouseDownEndColor", kDefaultMouseDownEndColor);
  next.MouseDownMidColor = store.ReadLong("MouseDownMidColor", kDefaultMouseDownMidColor);
  next.OfficeXpFillColor = store.ReadLong("OfficeXpFillColor", kDefaultOfficeXpFillColor);
  next.OfficeXpFrameColor = store.ReadLong("OfficeXpFrameColor", kDefaultOfficeXpFrameColor);
  next.OfficeXpMousemoveFillColor = store.ReadLong("OfficeXpMousemoveFillColor", kDefaultOfficeXpMousemoveFillColor);
  next.OfficeXpMousemoveFrameColor =
      store.ReadLong("OfficeXpMousemoveFrameColor", kDefaultOfficeXpMousemoveFrameColor);

  props_ = std::move(next);
  derived_ = nextDerived;
  host_.SetSurfaceEnabled(props_.Enabled != 0);
  host_.SetSurfaceFont(props_.Font);
  host_.SetAccessKeys(accessKeys);
  host_.SetCaptionText(props_.Caption);
  state_.VisualState = StateUp;
  PaintButton(StateUp, true);
}

void Command::WriteProperties(PropertyStore& store) const {
  store.WriteLong("BackColor", props_.BackColor, host_.SysColor(kColorBtnFace));
  store.WriteLong("ForeColor", props_.ForeColor, host_.SysColor(kColorBtnText));
  store.WriteLong("Enabled", Normalised(props_.Enabled), kVbTrue);
  store.WriteFont("Font", props_.Font ? *props_.Font : AmbientFontOf(host_));
  store.WriteLong("hWnd", props_.hWnd, 0);
  store.WriteLong("ButtonType", props_.ButtonType, XpButton);
  store.WriteLong("XpType", props_.XpType, XpBlue);
  store.WriteString("Caption", props_.Caption, kDefaultStoredCaption);
  store.WriteLong("ColorScheme", props_.ColorScheme, SchemeSystem);
  store.WriteLong("ShowFocusRect", Normalised(props_.ShowFocusRect), kVbTrue);
  store.WriteLong("rectcolor", props_.rectcolor, kDefaultRectColor);
  store.WriteLong("Percent", props_.Percent, kDefaultPercent);
  store.WriteLong("MidColor", props_.MidColor, kDefaultMidColor);
  store.WriteLong("EndColor", props_.EndColor, kDefaultEndColor);
  store.WriteLong("MouseMoveMidColor", props_.MouseMoveMidColor, kDefaultMouseMoveMidColor);
  store.WriteLong("MouseMoveEndColor", props_.MouseMoveEndColor, kDefaultMouseMoveEndColor);
  store.WriteLong("MouseDownMidColor", props_.MouseDownMidColor, kDefaultMouseDownMidColor);
  store.WriteLong("MouseDownEndColor", props_.MouseDownEndColor, kDefaultMouseDownEndColor);
  store.WriteLong("OfficeXpFillColor", props_.OfficeXpFillColor, kDefaultOfficeXpFillColor);
  store.WriteLong("OfficeXpFrameColor", props_.OfficeXpFrameColor, kDefaultOfficeXpFrameColor);
  store.WriteLong("OfficeXpMousemoveFillColor", props_.OfficeXpMousemoveFillColor,
                  kDefaultOfficeXpMousemoveFillColor);
  store.WriteLong("OfficeXpMousemoveFrameColor", props_.OfficeXpMousemoveFrameColor,
                  kDefaultOfficeXpMousemoveFrameColor);
}

void Command::ApplyColorScheme() { DeriveColours(host_, props_, derived_); }

void Command::ApplyGlassPreset() {
  props_.Percent = 53;
  props_.MidColor = Rgb(124, 171, 255);
  props_.EndColor = Rgb(191, 211, 255);
  props_.MouseMoveMidColor = Rgb(157, 203, 255);
  props_.MouseMoveEndColor = Rgb(209, 231, 255);
  props_.MouseDownMidColor = Rgb(100, 153, 255);
  props_.MouseDownEndColor = Rgb(191, 211, 255);
}

void Command::PaintButton(std::uint8_t state, bool force) {
  std::optional<HighContrastColours> contrast;
  if (host_.HighContrast())
    contrast = HighContrastColours{host_.SysColor(kColorBtnFace),   host_.SysColor(kColorBtnText),
                                   host_.SysColor(kColorWindowFrame), host_.SysColor(kColorHighlight),
                                   host_.SysColor(kColorHighlightText), host_.SysColor(kColorGrayText)};
  ButtonPainter(host_.Surface(), props_, state_, derived_, host_.AmbientDisplayAsDefault(),
                contrast ? &*contrast : nullptr)
      .PaintButton(state, force);
  // Every change of state a screen reader hears of also repaints, so this is where it is told.
  Announce();
}

void Command::SetBackColor(Colour v) {
  props_.BackColor = v;
  ApplyColorScheme();
  Repaint();
  Signal("BackColor");
}

void Command::SetForeColor(Colour v) {
  props_.ForeColor = v;
  ApplyColorScheme();
  Repaint();
  Signal("ForeColor");
}

void Command::SetColorScheme(std::int32_t v) {
  props_.ColorScheme = v;
  ApplyColorScheme();
  Repaint();
  Signal("ColorScheme");
}

// A rejected value is not kept: holding it would save a value that assignment refuses.
void Command::SetPercent(std::int16_t v) {
  if (v < 0 || v > 100) throw RunTimeError(kErrInvalidPropertyValue);
  props_.Percent = v;
  Repaint();
  Signal("Percent");
}

#define TOVREL_REPAINTING_SETTER(Name)  \
  void Command::Set##Name(Colour v) {   \
    props_.Name = v;                    \
    Repaint();                          \
    Signal(#Name);                      \
  }
TOVREL_REPAINTING_SETTER(MidColor)
TOVREL_REPAINTING_SETTER(EndColor)
TOVREL_REPAINTING_SETTER(MouseMoveMidColor)
TOVREL_REPAINTING_SETTER(MouseMoveEndColor)
TOVREL_REPAINTING_SETTER(MouseDownMidColor)
TOVREL_REPAINTING_SETTER(MouseDownEndColor)
TOVREL_REPAINTING_SETTER(OfficeXpFillColor)
TOVREL_REPAINTING_SETTER(OfficeXpFrameColor)
TOVREL_REPAINTING_SETTER(OfficeXpMousemoveFillColor)
TOVREL_REPAINTING_SETTER(OfficeXpMousemoveFrameColor)
#undef TOVREL_REPAINTING_SETTER

void Command::SetXpType(std::int32_t v) {
  props_.XpType = v;
  Repaint();
  Signal("XpType");
}

void Command::SetShowFocusRect(VbBool v) {
  props_.ShowFocusRect = Normalised(v);
  Repaint();
  Signal("ShowFocusRect");
}

// The hover frame colour shows at the next paint that happens for another reason.
void Command::Setrectcolor(Colour v) {
  props_.rectcolor = v;
  Signal("rectcolor");
}

void Command::SetEnabled(VbBool v) {
  props_.Enabled = Normalised(v);
  host_.SetSurfaceEnabled(props_.Enabled != 0);
  OnResize();
  Signal("Enabled");
}

void Command::SetButtonType(std::int32_t v) {
  props_.ButtonType = v;
  ApplyColorScheme();
  if (v == GlassButton) ApplyGlassPreset();
  OnResize();
  Signal("ButtonType");
}

void Command::SetCaption(const std::u16string& v) {
  const bool renamed = AccessibleNameOf(v) != AccessibleNameOf(props_.Caption);
  props_.Caption = v;
  CaptionChanged();
  if (renamed) host_.AccessibleNameChanged();
  Repaint();
  Signal("Caption");
}

// Without a font there is nothing to measure or draw the caption with, nor to save.
void Command::SetFont(FontRef v) {
  if (!v) throw RunTimeError(kErrInvalidPropertyValue);
  props_.Font = std::move(v);
  host_.SetSurfaceFont(props_.Font);
  Repaint();
  Signal("Font");
}

void Command::SethWnd(std::int32_t) {
  throw RunTimeError(host_.AmbientUserMode() ? kErrNotSupportedAtRunTime : kErrSetNotPermitted);
}

}  // namespace tovrel
