// What the Command control needs of the window that hosts it: the drawing surface,
// surface settings, container values, the change signal, the hover timer, the pointer,
// the window shape and focus movement.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "button_control/canvas.h"
#include "button_control/property_store.h"

namespace tovrel {

struct Point {
  std::int32_t x = 0, y = 0;
};

// A window shape: the rectangle {0, 0, width, height} less the listed rectangles.
struct WindowShape {
  std::int32_t width = 0, height = 0;
  std::vector<Rect> removed;  // each already normalised (left <= right, top <= bottom)
};

class CommandHost {
 public:
  virtual ~CommandHost() = default;

  virtual Canvas& Surface() = 0;
  // Scale of the surface, in pixels.
  virtual double ScaleWidth() = 0;
  virtual double ScaleHeight() = 0;
  virtual double ScaleLeft() = 0;
  virtual double ScaleTop() = 0;
  // Redisplay now.
  virtual void Refresh() = 0;

  virtual void SetSurfaceEnabled(bool enabled) = 0;
  virtual void SetSurfaceFont(const FontRef& font) = 0;
  virtual FontRef SurfaceFont() = 0;
  virtual std::intptr_t WindowHandle() = 0;
  virtual void SetAccessKeys(const std::u16string& keys) = 0;

  // Container values.
  virtual FontRef AmbientFont() = 0;
  virtual bool AmbientUserMode() = 0;  // true: running, false: designing
  virtual bool AmbientDisplayAsDefault() = 0;
  virtual std::u16string InstanceName() = 0;

  virtual void PropertyChanged(std::string_view name) = 0;
  virtual void SetHoverTimer(bool enabled) = 0;
  virtual Point CursorClientPosition() = 0;
  // Ownership of the shape passes to the window.
  virtual void SetWindowShape(const WindowShape& shape) = 0;
  virtual void MoveFocus(bool forward) = 0;
  virtual Colour SysColor(int index) = 0;

  // High contrast is on: the control paints with system colours only.
  virtual bool HighContrast() { return false; }
  // The window's own text follows the caption, for whatever reads window text.
  virtual void SetCaptionText(const std::u16string&) {}
  // What a screen reader is told changed.
  virtual void AccessibleNameChanged() {}
  virtual void AccessibleStateChanged() {}
};

}  // namespace tovrel
