#include "platform/form_win.h"

#include <utility>

namespace tovrel::win {
namespace {

BOOL CALLBACK PassOn(HWND child, LPARAM message) {
  const auto& m = *reinterpret_cast<const MSG*>(message);
  ::SendMessageW(child, m.message, m.wParam, m.lParam);
  return TRUE;
}

}  // namespace

void Form::SizeAndCentre(int clientWidthTwips, int clientHeightTwips, const RECT& centreOn) {
  dpi_ = win::SizeAndCentre(hwnd(), clientWidthTwips, clientHeightTwips, centreOn);
}

HFONT Form::FontFor(const FontLook& look) {
  for (const MadeFont& made : fonts_)
    if (made.look == look) return made.font.get();
  fonts_.push_back({look, MakeFont(look, dpi_)});
  return fonts_.back().font.get();
}

void Form::Place(const std::vector<Placed>& table) {
  const std::vector<MadeFont> old = std::exchange(fonts_, {});
  for (const Placed& placed : table) {
    if (Window* own = Window::FromHwnd(placed.control)) own->MeasureAgain();
    win::Place(placed.control, placed.rect, dpi_, placed.font ? FontFor(*placed.font) : nullptr);
    if (placed.fit == Fit::kToText) SizeToText(placed.control);
    if (placed.fit == Fit::kGrowToText || placed.fit == Fit::kGrowToWrappedText)
      GrowToText(placed.control, placed.fit == Fit::kGrowToWrappedText);
  }
  placed_ = true;
  ::InvalidateRect(hwnd(), nullptr, TRUE);
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CTLCOLORSTATIC: {
      const auto dc = reinterpret_cast<HDC>(wp);
      ::SetBkMode(dc, TRANSPARENT);
      ::SetTextColor(dc, TextColour(reinterpret_cast<HWND>(lp)));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE: {
      // Only top-level windows hear of these, and the controls paint with the system's
      // colours too (high contrast is one of these changes).
      MSG message{hwnd(), msg, wp, lp, 0, {}};
      ::EnumChildWindows(hwnd(), &PassOn, reinterpret_cast<LPARAM>(&message));
      return Window::HandleMessage(msg, wp, lp);
    }
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd(), focus)) lastFocus_ = focus;
      } else if (HIWORD(wp) == 0) {
        // As a dialog does: back to the control that had the focus, or the first tab stop.
        const bool back = lastFocus_ && ::IsChild(hwnd(), lastFocus_) && ::IsWindowVisible(lastFocus_) &&
                          ::IsWindowEnabled(lastFocus_);
        if (const HWND target = back ? lastFocus_ : ::GetNextDlgTabItem(hwnd(), nullptr, FALSE)) {
          ::SetFocus(target);
          return 0;
        }
      }
      return Window::HandleMessage(msg, wp, lp);
    case WM_DPICHANGED:
      dpi_ = HIWORD(wp);
      MoveWindowTo(hwnd(), *reinterpret_cast<const RECT*>(lp));
      if (placed_) Layout();  // before the controls exist, creation uses the new DPI
      return 0;
    default:
      return Window::HandleMessage(msg, wp, lp);
  }
}

}  // namespace tovrel::win
