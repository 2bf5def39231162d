// A host for the Command control in native tests: records what the control asks of
// its window and lets a test set the pointer, the container's values and the colours.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "button_control/command_host.h"

namespace tovrel::test {

class FakeCommandHost : public CommandHost {
 public:
  explicit FakeCommandHost(Canvas& canvas) : canvas_(canvas) {}

  Canvas& Surface() override { return canvas_; }
  double ScaleWidth() override { return canvas_.Width(); }
  double ScaleHeight() override { return canvas_.Height(); }
  double ScaleLeft() override { return 0; }
  double ScaleTop() override { return 0; }
  void Refresh() override { ++refreshes; }
  void SetSurfaceEnabled(bool enabled) override { surfaceEnabled = enabled; }
  void SetSurfaceFont(const FontRef& font) override { surfaceFont = font; }
  FontRef SurfaceFont() override { return surfaceFont; }
  std::intptr_t WindowHandle() override { return windowHandle; }
  void SetAccessKeys(const std::u16string& keys) override { accessKeys = keys; }
  FontRef AmbientFont() override { return ambientFont; }
  bool AmbientUserMode() override { return userMode; }
  bool AmbientDisplayAsDefault() override { return displayAsDefault; }
  std::u16string InstanceName() override { return instanceName; }
  void PropertyChanged(std::string_view name) override { changed.emplace_back(name); }
  void SetHoverTimer(bool enabled) override { hoverTimer = enabled; }
  Point CursorClientPosition() override { return cursor; }
  void SetWindowShape(const WindowShape& shape) override {
    lastShape = shape;
    ++shapesSet;
  }
  void MoveFocus(bool forward) override { focusMoves.push_back(forward); }
  Colour SysColor(int index) override {
    auto it = sysColors.find(index);
    return it == sysColors.end() ? 0 : it->second;
  }
  bool HighContrast() override { return highContrast; }
  void SetCaptionText(const std::u16string& text) override { captionText = text; }
  void AccessibleNameChanged() override { ++nameChanges; }
  void AccessibleStateChanged() override { ++stateChanges; }

  // Windows' classic defaults unless a test changes them.
  std::map<int, Colour> sysColors{{15, 0xD8E9EC}, {16, 0x99A8AC}, {18, 0x000000},
                                  {20, 0xFFFFFF}, {21, 0x646F71}, {22, 0xD8E9EC}};
  bool surfaceEnabled = true;
  FontRef surfaceFont = std::make_shared<Font>();
  FontRef ambientFont = std::make_shared<Font>();
  std::intptr_t windowHandle = 0x1234;
  std::u16string accessKeys;
  bool userMode = true;
  bool displayAsDefault = false;
  std::u16string instanceName = u"Command1";
  std::vector<std::string> changed;
  bool hoverTimer = false;
  Point cursor;
  WindowShape lastShape;
  int shapesSet = 0;
  int refreshes = 0;
  std::vector<bool> focusMoves;
  bool highContrast = false;
  std::u16string captionText;
  int nameChanges = 0;
  int stateChanges = 0;

 private:
  Canvas& canvas_;
};

}  // namespace tovrel::test
