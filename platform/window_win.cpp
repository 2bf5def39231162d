#include "platform/window_win.h"

#include <exception>
#include <string>

namespace tovrel::win {

Window::~Window() {
  if (hwnd_) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
}

void Window::RegisterClassOnce(const wchar_t* className, HICON icon, HICON smallIcon, UINT style) {
  WNDCLASSEXW existing{sizeof(existing)};
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (::GetClassInfoExW(instance, className, &existing)) return;
  WNDCLASSEXW wc{sizeof(wc)};
  wc.style = style;
  wc.lpfnWndProc = &Window::Procedure;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hIconSm = smallIcon;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  ::RegisterClassExW(&wc);
}

HWND Window::CreateWindowFor(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x,
                             int y, int w, int h, HWND parent, HMENU menu) {
  return ::CreateWindowExW(exStyle, className, title, style, x, y, w, h, parent, menu,
                           ::GetModuleHandleW(nullptr), this);
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return ::DefWindowProcW(hwnd_, msg, wp, lp); }

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    LRESULT r = ::DefWindowProcW(hwnd, msg, wp, lp);
    self->OnDestroyed();
    return r;
  }
  try {
    return self->HandleMessage(msg, wp, lp);
  } catch (const std::exception& e) {
    ReportUnhandled(e.what());
  } catch (...) {
    ReportUnhandled("unknown exception");
  }
  return 0;
}

void ReportUnhandled(const char* where) noexcept {
  std::string text = std::string("Tovrel: unhandled error in a window procedure: ") + where + "\n";
  ::OutputDebugStringA(text.c_str());
}

}  // namespace tovrel::win
