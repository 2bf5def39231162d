// Command: the owner-drawn push button of both windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "button_control/canvas.h"
#include "button_control/command_host.h"
#include "button_control/property_store.h"
#include "platform/run_time_error.h"

namespace tovrel {

enum ButtonType : std::int32_t {
  XpButton = 1,
  ClassicButton = 2,
  GradientButton = 3,
  GlassButton = 4,
  OfficeXpButton = 5,
};
enum ColorScheme : std::int32_t { SchemeSystem = 1, SchemeCustom = 2, SchemeGrey = 3 };
enum XpType : std::int32_t { XpBlue = 1, XpOlive = 2, XpSilver = 3 };

constexpr std::uint8_t StateUp = 0;
constexpr std::uint8_t StateDown = 2;

// System colour indexes the control reads.
constexpr int kColorWindowFrame = 6;
constexpr int kColorHighlight = 13;
constexpr int kColorHighlightText = 14;
constexpr int kColorBtnFace = 15;
constexpr int kColorGrayText = 17;
constexpr int kColorBtnShadow = 16;
constexpr int kColorBtnText = 18;
constexpr int kColorBtnHighlight = 20;
constexpr int kColorDkShadow3d = 21;
constexpr int kColorLight3d = 22;

// Public events; arguments are passed by reference to the control's own variables.
struct CommandEvents {
  std::function<void()> Click;
  std::function<void(std::int16_t& keyCode, std::int16_t& shift)> KeyDown;
  std::function<void(std::int16_t& keyAscii)> KeyPress;
  std::function<void(std::int16_t& keyCode, std::int16_t& shift)> KeyUp;
  std::function<void(std::int16_t& button, std::int16_t& shift, float& x, float& y)> MouseDown;
  std::function<void(std::int16_t& button, std::int16_t& shift, float& x, float& y)> MouseMove;
  std::function<void(std::int16_t& button, std::int16_t& shift, float& x, float& y)> MouseUp;
  std::function<void()> MouseOut;
};

// Property values, read by the paint pass.
struct CommandProperties {
  Colour BackColor = 0;
  Colour ForeColor = 0;
  std::int16_t Percent = 0;
  Colour MidColor = 0;
  Colour EndColor = 0;
  Colour MouseMoveMidColor = 0;
  Colour MouseMoveEndColor = 0;
  Colour MouseDownMidColor = 0;
  Colour MouseDownEndColor = 0;
  Colour OfficeXpFillColor = 0;
  Colour OfficeXpFrameColor = 0;
  Colour OfficeXpMousemoveFillColor = 0;
  Colour OfficeXpMousemoveFrameColor = 0;
  VbBool Enabled = kVbFalse;
  FontRef Font;
  std::int32_t hWnd = 0;  // the held value; reads return the live handle
  std::int32_t ButtonType = 0;
  std::u16string Caption;
  std::int32_t ColorScheme = 0;
  std::int32_t XpType = 0;
  Colour rectcolor = 0;
  VbBool ShowFocusRect = kVbFalse;
};

// Input and visual state, readable for the host and for tests.
struct CommandState {
  std::uint8_t VisualState = 0;
  VbBool MouseInside = kVbFalse;
  VbBool HasFocus = kVbFalse;
  std::uint8_t LastMouseButton = 1;
  std::uint8_t LastKeyCode = 0;
  std::int32_t ClientWidth = 0;
  std::int32_t ClientHeight = 0;
  Rect CaptionRect{0, 0, 0, 0};
  Rect PressedCaptionRect{0, 0, 0, 0};
  Rect FocusRect{0, 0, 0, 0};
  std::u16string LastCaption;
  bool Timer1Enabled = false;
};

// Colours derived from the scheme.
struct DerivedColours {
  Colour FaceColor = 0;
  Colour LightColor = 0;
  Colour HighlightColor = 0;
  Colour ShadowColor = 0;
  Colour DarkShadowColor = 0;
  Colour TextColor = 0;
};

// The system colours the control paints with while high contrast is on, in place of
// every colour a style would choose.
struct HighContrastColours {
  Colour ButtonFace = 0;
  Colour ButtonText = 0;
  Colour WindowFrame = 0;
  Colour Highlight = 0;
  Colour HighlightText = 0;
  Colour GrayText = 0;
};

// The states a screen reader is told of the control; its name and shortcut come from the
// caption (AccessibleNameOf, ShortcutOf).
struct AccessibleState {
  bool Unavailable = false;
  bool Focused = false;
  bool Pressed = false;
  bool Hot = false;
  bool Default = false;
  friend bool operator==(const AccessibleState&, const AccessibleState&) = default;
};

class Command {
 public:
  explicit Command(CommandHost& host);
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  CommandEvents events;

  // Life cycle, called by the host.
  void Initialize();
  void InitProperties();
  void ReadProperties(const PropertyStore& store);
  void WriteProperties(PropertyStore& store) const;

  // Properties: reads return the held value (hWnd: the live window handle).
  const CommandProperties& properties() const { return props_; }
  Colour BackColor() const { return props_.BackColor; }
  void SetBackColor(Colour v);
  Colour ForeColor() const { return props_.ForeColor; }
  void SetForeColor(Colour v);
  std::int16_t Percent() const { return props_.Percent; }
  void SetPercent(std::int16_t v);
  Colour MidColor() const { return props_.MidColor; }
  void SetMidColor(Colour v);
  Colour EndColor() const { return props_.EndColor; }
  void SetEndColor(Colour v);
  Colour MouseMoveMidColor() const { return props_.MouseMoveMidColor; }
  void SetMouseMoveMidColor(Colour v);
  Colour MouseMoveEndColor() const { return props_.MouseMoveEndColor; }
  void SetMouseMoveEndColor(Colour v);
  Colour MouseDownMidColor() const { return props_.MouseDownMidColor; }
  void SetMouseDownMidColor(Colour v);
  Colour MouseDownEndColor() const { return props_.MouseDownEndColor; }
  void SetMouseDownEndColor(Colour v);
  Colour OfficeXpFillColor() const { return props_.OfficeXpFillColor; }
  void SetOfficeXpFillColor(Colour v);
  Colour OfficeXpFrameColor() const { return props_.OfficeXpFrameColor; }
  void SetOfficeXpFrameColor(Colour v);
  Colour OfficeXpMousemoveFillColor() const { return props_.OfficeXpMousemoveFillColor; }
  void SetOfficeXpMousemoveFillColor(Colour v);
  Colour OfficeXpMousemoveFrameColor() const { return props_.OfficeXpMousemoveFrameColor; }
  void SetOfficeXpMousemoveFrameColor(Colour v);
  VbBool Enabled() const { return props_.Enabled; }
  void SetEnabled(VbBool v);
  FontRef GetFont() const { return props_.Font; }
  void SetFont(FontRef v);
  std::intptr_t hWnd() const { return host_.WindowHandle(); }
  void SethWnd(std::int32_t v);
  std::int32_t GetButtonType() const { return props_.ButtonType; }
  void SetButtonType(std::int32_t v);
  const std::u16string& Caption() const { return props_.Caption; }
  void SetCaption(const std::u16string& v);
  std::int32_t GetColorScheme() const { return props_.ColorScheme; }
  void SetColorScheme(std::int32_t v);
  std::int32_t GetXpType() const { return props_.XpType; }
  void SetXpType(std::int32_t v);
  Colour rectcolor() const { return props_.rectcolor; }
  void Setrectcolor(Colour v);
  VbBool ShowFocusRect() const { return props_.ShowFocusRect; }
  void SetShowFocusRect(VbBool v);

  // Notifications from the host.
  void OnMouseDown(std::int16_t button, std::int16_t shift, float x, float y);
  void OnMouseUp(std::int16_t button, std::int16_t shift, float x, float y);
  void OnMouseMove(std::int16_t button, std::int16_t shift, float x, float y);
  void OnTimer1();
  void OnClick();
  void OnDblClick();
  void OnKeyDown(std::int16_t keyCode, std::int16_t shift);
  void OnKeyPress(std::int16_t keyAscii);
  void OnKeyUp(std::int16_t keyCode, std::int16_t shift);
  void OnGotFocus();
  void OnLostFocus();
  void OnAccessKey();
  void OnAmbientChanged();
  void OnResize();

  // The access-key characters derived from a caption (lower case, at most one).
  static std::u16string AccessKeyOf(const std::u16string& caption);
  // The caption as a user reads it: access-key markers dropped, "&&" read as "&".
  static std::u16string AccessibleNameOf(const std::u16string& caption);
  // "Alt+" and the access key of a caption; empty without one.
  static std::u16string ShortcutOf(const std::u16string& caption);
  // The states a screen reader is told of now.
  AccessibleState Accessible() const;
  // The window shape for a size and style.
  static WindowShape BuildRegion(std::int32_t buttonType, std::int32_t width, std::int32_t height);

  // The paint pass (ButtonPainter) on this control's surface, properties and state.
  void PaintButton(std::uint8_t state, bool force);
  // Derived colours from the scheme; may overwrite gradient or Office-XP properties.
  void ApplyColorScheme();

  const CommandState& state() const { return state_; }
  const DerivedColours& derived() const { return derived_; }

 private:
  void Repaint() { PaintButton(state_.VisualState, true); }
  void Signal(std::string_view name) { host_.PropertyChanged(name); }
  void CaptionChanged();
  void ApplyGlassPreset();
  // Tells the host when the states a screen reader hears have changed.
  void Announce();

  CommandHost& host_;
  CommandProperties props_;
  CommandState state_;
  DerivedColours derived_;
  AccessibleState announced_;
};

// Defaults of a new instance.
constexpr std::int16_t kDefaultPercent = 16;
constexpr Colour kDefaultMidColor = 7587956;
constexpr Colour kDefaultEndColor = 14153431;
constexpr Colour kDefaultMouseMoveMidColor = 3384117;
constexpr Colour kDefaultMouseMoveEndColor = 16055541;
constexpr Colour kDefaultMouseDownMidColor = 8769668;
constexpr Colour kDefaultMouseDownEndColor = 0;
constexpr Colour kDefaultOfficeXpFillColor = 10542814;
constexpr Colour kDefaultOfficeXpFrameColor = 4373692;
constexpr Colour kDefaultOfficeXpMousemoveFillColor = 12246236;
constexpr Colour kDefaultOfficeXpMousemoveFrameColor = 98431;
constexpr Colour kDefaultRectColor = 5817338;
inline const std::u16string kDefaultStoredCaption = u"Vemblor";

}  // namespace tovrel
