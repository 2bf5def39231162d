// Input notifications, hover tracking, window shape and access key of the Command control.
#include <algorithm>
#include <cmath>
#include <limits>

#include "button_control/command.h"

namespace tovrel {
namespace {

constexpr std::int16_t kLeftButton = 1;
constexpr std::int16_t kRightButton = 2;
constexpr std::int16_t kKeySpace = 32;
constexpr std::int16_t kKeyLeft = 37;
constexpr std::int16_t kKeyUp = 38;
constexpr std::int16_t kKeyRight = 39;
constexpr std::int16_t kKeyDown = 40;

// The state fields are bytes: a value that does not fit is an overflow, not a
// wrapped value (300 must not turn into a Space).
std::uint8_t CheckedByte(std::int32_t v) {
  if (v < 0 || v > 255) throw RunTimeError(kErrOverflow);
  return static_cast<std::uint8_t>(v);
}

std::int32_t RoundedPixels(double v) {
  const double r = std::nearbyint(v);
  if (!(r >= std::numeric_limits<std::int32_t>::min() && r <= std::numeric_limits<std::int32_t>::max()))
    throw RunTimeError(kErrOverflow);
  return static_cast<std::int32_t>(r);
}

Rect Ordered(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

char16_t LowerCase(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

template <typename Handler, typename... Args>
void Raise(const Handler& handler, Args&... args) {
  if (handler) handler(args...);
}

}  // namespace

void Command::OnMouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
  if (!props_.Enabled) return;
  state_.LastMouseButton = CheckedByte(button);
  if (button != kRightButton) state_.VisualState = StateDown;
  PaintButton(state_.VisualState, true);
  Raise(events.MouseDown, button, shift, x, y);
}

void Command::OnMouseUp(std::int16_t button, std::int16_t shift, float x, float y) {
  if (!props_.Enabled) return;
  if (button != kRightButton) state_.VisualState = StateUp;
  PaintButton(state_.VisualState, true);
  Raise(events.MouseUp, button, shift, x, y);
}

void Command::OnMouseMove(std::int16_t button, std::int16_t shift, float x, float y) {
  if (!props_.Enabled || button >= 2) return;
  host_.SetHoverTimer(true);
  state_.Timer1Enabled = true;
  const double width = host_.ScaleWidth(), height = host_.ScaleHeight();
  if (!(x >= 0 && x <= width && y >= 0 && y <= height)) return;
  Raise(events.MouseMove, button, shift, x, y);
  if (button == kLeftButton) {
    // Back inside with the button held: the pressed look again, drawn only if it is not showing.
    PaintButton(StateDown, false);
  } else if (!state_.MouseInside) {
    state_.MouseInside = kVbTrue;
    PaintButton(StateUp, true);
  }
}

void Command::OnTimer1() {
  // A tick that was already queued when the timer stopped is not a hover check.
  if (!state_.Timer1Enabled) return;
  const Point p = host_.CursorClientPosition();
  const double left = host_.ScaleLeft(), top = host_.ScaleTop();
  const double width = host_.ScaleWidth(), height = host_.ScaleHeight();
  // The far edges count as inside, and so do the corner pixels the window shape cuts off.
  const bool outside = left > p.x || top > p.y || left + width < p.x || top + height < p.y;
  if (!outside) return;
  host_.SetHoverTimer(false);
  state_.Timer1Enabled = false;
  Raise(events.MouseOut);
  state_.MouseInside = kVbFalse;
  PaintButton(StateUp, true);
}

void Command::OnClick() {
  if (!props_.Enabled) return;
  if (state_.LastMouseButton == kLeftButton) state_.VisualState = StateUp;
  PaintButton(state_.VisualState, true);
  // The released look is on screen before the container's handler runs, which may be modal.
  host_.Refresh();
  Raise(events.Click);
}

void Command::OnDblClick() {
  if (!props_.Enabled) return;
  // The host reports a double-click instead of the second press.
  if (state_.LastMouseButton == kLeftButton) OnMouseDown(1, 1, 1.0f, 1.0f);
}

void Command::OnKeyDown(std::int16_t keyCode, std::int16_t shift) {
  if (!props_.Enabled) return;
  Raise(events.KeyDown, keyCode, shift);
  state_.LastKeyCode = CheckedByte(keyCode);
  switch (keyCode) {
    case kKeySpace:
      OnMouseDown(1, 1, 1.0f, 1.0f);
      break;
    case kKeyRight:
    case kKeyDown:
      host_.MoveFocus(true);
      break;
    case kKeyLeft:
    case kKeyUp:
      host_.MoveFocus(false);
      break;
    default:
      break;
  }
}

void Command::OnKeyPress(std::int16_t keyAscii) {
  if (!props_.Enabled) return;
  Raise(events.KeyPress, keyAscii);
}

void Command::OnKeyUp(std::int16_t keyCode, std::int16_t shift) {
  if (!props_.Enabled) return;
  Raise(events.KeyUp, keyCode, shift);
  if (state_.LastKeyCode == kKeySpace && keyCode == kKeySpace) {
    OnMouseUp(1, 1, 1.0f, 1.0f);
    state_.LastMouseButton = kLeftButton;
    OnClick();
  }
}

void Command::OnGotFocus() {
  state_.HasFocus = kVbTrue;
  PaintButton(state_.VisualState, true);
}

void Command::OnLostFocus() {
  state_.HasFocus = kVbFalse;
  PaintButton(state_.VisualState, true);
}

void Command::OnAccessKey() { OnClick(); }

void Command::OnAmbientChanged() { PaintButton(state_.VisualState, true); }

void Command::OnResize() {
  state_.ClientHeight = RoundedPixels(host_.ScaleHeight());
  state_.ClientWidth = RoundedPixels(host_.ScaleWidth());
  const std::int32_t w = state_.ClientWidth, h = state_.ClientHeight;
  state_.CaptionRect.right = w;
  state_.CaptionRect.bottom = h;
  state_.PressedCaptionRect.right = w;
  state_.PressedCaptionRect.bottom = h;
  state_.FocusRect = {2, 2, Sub32(w, 2), Sub32(h, 2)};
  host_.SetWindowShape(BuildRegion(props_.ButtonType, w, h));
  PaintButton(state_.VisualState, true);
}

WindowShape Command::BuildRegion(std::int32_t buttonType, std::int32_t width, std::int32_t height) {
  WindowShape shape{width, height, {}};
  const bool cutCorners = buttonType == GradientButton || buttonType == GlassButton || buttonType == 8 ||
                          buttonType == 9;
  if (!cutCorners) return shape;
  const std::int32_t w = width, h = height;
  const std::int32_t w1 = Sub32(w, 1), w2 = Sub32(w, 2), h1 = Sub32(h, 1), h2 = Sub32(h, 2);
  // Two pixels along the top or bottom edge and one beside them at each corner.
  shape.removed = {Ordered(0, 0, 2, 1),   Ordered(0, h, 2, h1),   Ordered(w, 0, w2, 1),
                   Ordered(w, h, w2, h1), Ordered(0, 1, 1, 2),    Ordered(0, h1, 1, h2),
                   Ordered(w, 1, w1, 2),  Ordered(w, h1, w1, h2)};
  return shape;
}

std::u16string Command::AccessKeyOf(const std::u16string& caption) {
  const std::size_t n = caption.size();
  if (n < 2) return {};
  const std::size_t p = caption.find(u'&');
  if (p == std::u16string::npos || p == n - 1) return {};
  if (caption[p + 1] != u'&') return std::u16string(1, LowerCase(caption[p + 1]));
  // "&&" is a literal ampersand; only the next marker after it is looked at.
  const std::size_t q = caption.find(u'&', p + 2);
  if (q == std::u16string::npos || q + 1 >= n || caption[q + 1] == u'&') return {};
  return std::u16string(1, LowerCase(caption[q + 1]));
}

std::u16string Command::AccessibleNameOf(const std::u16string& caption) {
  std::u16string name;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != u'&') {
      name += caption[i];
    } else if (i + 1 < caption.size() && caption[i + 1] == u'&') {
      name += u'&';
      ++i;
    }
  }
  return name;
}

std::u16string Command::ShortcutOf(const std::u16string& caption) {
  const std::u16string key = AccessKeyOf(caption);
  return key.empty() ? key : u"Alt+" + key;
}

AccessibleState Command::Accessible() const {
  return {props_.Enabled == 0, state_.HasFocus != 0, state_.VisualState == StateDown, state_.MouseInside != 0,
          host_.AmbientDisplayAsDefault()};
}

void Command::Announce() {
  const AccessibleState now = Accessible();
  if (now == announced_) return;
  announced_ = now;
  host_.AccessibleStateChanged();
}

void Command::CaptionChanged() {
  host_.SetAccessKeys(AccessKeyOf(props_.Caption));
  host_.SetCaptionText(props_.Caption);
}

}  // namespace tovrel
