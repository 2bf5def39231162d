// Base of every window of the program: a procedure thunk that finds the C++ object
// from WM_NCCREATE on, and an exception boundary so nothing escapes into user32.
#pragma once

#include <windows.h>

namespace tovrel::win {

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND hwnd() const { return hwnd_; }

 protected:
  // Registers the class once per name; the procedure dispatches to HandleMessage.
  static void RegisterClassOnce(const wchar_t* className, HICON icon, HICON smallIcon, UINT style = 0);
  HWND CreateWindowFor(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x,
                       int y, int w, int h, HWND parent, HMENU menu);
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  // The window is gone; hwnd() is null from here on.
  virtual void OnDestroyed() {}

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
};

// Reports an exception caught at a window-procedure boundary.
void ReportUnhandled(const char* where) noexcept;

}  // namespace tovrel::win
