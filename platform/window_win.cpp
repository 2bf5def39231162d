#include "platform/window_win.h"

#include <cstdio>
#include <exception>

namespace tovrel::win {

Window::~Window() {
  if (!hwnd_) return;
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  ::DestroyWindow(hwnd_);
}

Window* Window::FromHwnd(HWND hwnd) {
  const bool ours = hwnd && ::GetClassLongPtrW(hwnd, GCLP_WNDPROC) == reinterpret_cast<ULONG_PTR>(&Procedure);
  return ours ? reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA)) : nullptr;
}

ATOM Window::RegisterClassOnce(const wchar_t* className, HICON icon, HICON smallIcon, UINT style) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{sizeof(wc), style, &Procedure, 0, 0, instance, icon, ::LoadCursorW(nullptr, IDC_ARROW),
                 reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr, className, smallIcon};
  if (const ATOM atom = ::RegisterClassExW(&wc)) return atom;
  return static_cast<ATOM>(::GetClassInfoExW(instance, className, &wc));  // registered before
}

HWND Window::CreateWindowFor(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x,
                             int y, int w, int h, HWND parent, HMENU menu) {
  return ::CreateWindowExW(exStyle, className, title, style, x, y, w, h, parent, menu, nullptr, this);
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return ::DefWindowProcW(hwnd_, msg, wp, lp); }

LRESULT Window::Unhandled(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, const char* what) const noexcept {
  char text[512];
  std::snprintf(text, sizeof(text), "Tovrel: message 0x%04X failed in a window procedure: %s\n", msg, what);
  ::OutputDebugStringA(text);
  return hwnd_ ? ::DefWindowProcW(hwnd, msg, wp, lp) : 0;
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* created = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    created->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
  ++self->depth_;
  LRESULT result = 0;
  try {
    if (msg == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
      self->OnDestroyed();
    }
    result = !self->hwnd_ ? ::DefWindowProcW(hwnd, msg, wp, lp) : self->HandleMessage(msg, wp, lp);
  } catch (const std::exception& e) {
    result = self->Unhandled(hwnd, msg, wp, lp, e.what());
  } catch (...) {
    result = self->Unhandled(hwnd, msg, wp, lp, "unknown exception");
  }
  // A handler may have destroyed the window; what owns itself goes once all have returned.
  if (--self->depth_ == 0 && !self->hwnd_ && self->ownedByWindow_) delete self;
  return result;
}

}  // namespace tovrel::win
