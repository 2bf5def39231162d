// The Command control hosted as a real child window of class "Tovrel.Command". The
// window procedure turns mouse, keyboard, focus, size and timer messages into the
// control's notifications; the control paints into a GdiSurface that WM_PAINT copies.
//
// A form creates a button and handles its click:
//   CommandWindow* ok = CommandWindow::Create(form, kIdOk, {16, 200, 105, 233}, layout, u"CommandOK");
//   ok->command.events.Click = [this] { ... };
// The window owns the CommandWindow: it goes when the window is destroyed (directly or
// with its parent), so a form must not use the pointer after that.
// Access keys: a focused Command routes Alt+key to the button that owns the key.
// Screen readers and automation tools find it as a push button (CommandAccessible), its
// window text is its caption, and in high contrast it paints with the system's colours.
#pragma once

#include "button_control/gdi_surface_win.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "button_control/command.h"
#include "button_control/command_host.h"
#include "button_control/property_store.h"
#include "platform/window_win.h"

namespace tovrel::win {

class CommandAccessible;

class CommandWindow final : public Window, public CommandHost {
 public:
  static constexpr const wchar_t* kClassName = L"Tovrel.Command";
  static constexpr UINT_PTR kHoverTimerId = 1;

  // Creates the visible tab-stop child window at pixels (client coordinates of parent),
  // then runs Initialize and ReadProperties(layout) and sizes the control. A failure
  // destroys the window and raises the error to the caller.
  static CommandWindow* Create(HWND parent, int id, const RECT& pixels, const PropertyStore& layout,
                               std::u16string instanceName);
  // The CommandWindow of a "Tovrel.Command" window; null for any other window.
  static CommandWindow* FromHwnd(HWND hwnd);
  // Alt+key for the forms: delivers the access-key notification to the first visible,
  // enabled Command under topLevel whose access keys hold key. True if one took it.
  static bool RouteAccessKey(HWND topLevel, wchar_t key);

  CommandWindow(const CommandWindow&) = delete;
  CommandWindow& operator=(const CommandWindow&) = delete;

  GdiSurface& surface() { return surface_; }
  const std::u16string& AccessKeys() const { return accessKeys_; }
  // The container shows this button as its default button; a change repaints it.
  void SetDisplayAsDefault(bool value);
  // Laid out again at another DPI: its font is measured again.
  void MeasureAgain() override { command.SetFont(command.GetFont()); }
  int PropertyChangeCount() const { return propertyChanges_; }
  // The default action of its accessible object: a click, after the caller has returned.
  bool PostDefaultAction();

  // CommandHost.
  Canvas& Surface() override;
  double ScaleWidth() override;
  double ScaleHeight() override;
  double ScaleLeft() override { return 0; }
  double ScaleTop() override { return 0; }
  void Refresh() override;
  void SetSurfaceEnabled(bool enabled) override;
  void SetSurfaceFont(const FontRef& font) override;
  FontRef SurfaceFont() override { return font_; }
  std::intptr_t WindowHandle() override { return reinterpret_cast<std::intptr_t>(hwnd()); }
  void SetAccessKeys(const std::u16string& keys) override { accessKeys_ = keys; }
  FontRef AmbientFont() override { return ambientFont_; }
  bool AmbientUserMode() override { return true; }
  bool AmbientDisplayAsDefault() override { return displayAsDefault_; }
  std::u16string InstanceName() override { return instanceName_; }
  void PropertyChanged(std::string_view) override { ++propertyChanges_; }
  void SetHoverTimer(bool enabled) override;
  Point CursorClientPosition() override;
  void SetWindowShape(const WindowShape& shape) override;
  void MoveFocus(bool forward) override;
  Colour SysColor(int index) override;
  bool HighContrast() override { return highContrast_; }
  void SetCaptionText(const std::u16string& caption) override;
  void AccessibleNameChanged() override;
  void AccessibleStateChanged() override;

 private:
  explicit CommandWindow(std::u16string instanceName);
  ~CommandWindow() override = default;

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  void OnButtonDown(std::int16_t button, WPARAM wParam, LPARAM lParam, bool doubleClick);
  void OnButtonUp(std::int16_t button, WPARAM wParam, LPARAM lParam);
  void OnPointerMove(WPARAM wParam, LPARAM lParam);
  void OnSize(int width, int height);
  void OnPaint();
  void OnDestroyed() override;
  LRESULT OnGetObject(WPARAM wParam, LPARAM lParam);
  int Dpi() const;

  // Declared before `command`, which draws on it.
  GdiSurface surface_;
  std::u16string instanceName_;
  std::u16string accessKeys_;
  FontRef ambientFont_;
  FontRef font_;
  bool displayAsDefault_ = false;
  bool highContrast_ = false;
  int propertyChanges_ = 0;
  // Made on the first request, disconnected when the window goes.
  CommandAccessible* accessible_ = nullptr;
  // Notifications reach the control only once it has read its properties.
  bool loaded_ = false;

  // Mouse buttons pressed over the control and still held (1 left, 2 right, 4 middle),
  // and the button whose release may still be reported as a click.
  std::int16_t heldButtons_ = 0;
  std::int16_t clickButton_ = 0;
  bool clickPending_ = false;

 public:
  Command command{*this};
};

}  // namespace tovrel::win
