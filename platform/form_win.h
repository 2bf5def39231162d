// What both forms do alike: their controls placed from a layout table in twips at the
// window's DPI, and again whenever that changes, with fonts made for that DPI; their
// labels drawn on the button face.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "platform/controls_win.h"
#include "platform/handles_win.h"
#include "platform/window_win.h"

namespace tovrel::win {

class Form : public Window {
 protected:
  // How a label fits its text once placed.
  enum class Fit { kNone, kToText, kGrowToText, kGrowToWrappedText };
  // One control of a layout table: its place in twips and the font it takes (none: it
  // keeps its own).
  struct Placed {
    HWND control;
    TwipRect rect;
    std::optional<FontLook> font = std::nullopt;
    Fit fit = Fit::kNone;
  };

  int dpi() const { return dpi_; }
  // Sizes the window to its client area in twips and centres it on an area of the screen;
  // the form is at the DPI of the screen it lands on.
  void SizeAndCentre(int clientWidthTwips, int clientHeightTwips, const RECT& centreOn);
  // Places every control of the table at the form's DPI. New fonts go onto the controls
  // before the old ones are deleted; our own child windows measure themselves again.
  void Place(const std::vector<Placed>& table);
  // The font at the form's DPI, made once for each DPI.
  HFONT FontFor(const FontLook& look);
  // The colour a label's text is drawn in.
  virtual COLORREF TextColour(HWND) const { return ::GetSysColor(COLOR_WINDOWTEXT); }
  // Places the controls (Place with the form's table); done again when the DPI changes,
  // once they exist.
  virtual void Layout() = 0;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  struct MadeFont {
    FontLook look;
    UniqueGdi<HFONT> font;
  };
  // The control that had the focus when the form was last deactivated.
  HWND lastFocus_ = nullptr;
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  bool placed_ = false;
  std::vector<MadeFont> fonts_;
};

}  // namespace tovrel::win
