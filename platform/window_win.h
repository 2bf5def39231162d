// Base of every window of the program, and the one window-procedure boundary of all
// their classes: `this` is found from WM_NCCREATE on; no exception reaches user32 (it is
// reported, and the window answers as though it had not handled the message); a window
// that owns itself is deleted once its window is gone and no call of its procedure runs.
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
  // The object of one of our windows; null for any other window.
  static Window* FromHwnd(HWND hwnd);
  // Its window is laid out again at another DPI: what it measured is measured again.
  virtual void MeasureAgain() {}

 protected:
  // Registers the class once per name, with this boundary as its procedure; its atom.
  static ATOM RegisterClassOnce(const wchar_t* className, HICON icon, HICON smallIcon, UINT style = 0);
  HWND CreateWindowFor(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x,
                       int y, int w, int h, HWND parent, HMENU menu);
  // From here on the object (made with new) goes with its window.
  void OwnedByWindow() { ownedByWindow_ = true; }
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  // The window is gone; hwnd() is null from here on.
  virtual void OnDestroyed() {}

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  // An exception stopped at the boundary, reported: the window answers as if it had not
  // handled the message.
  LRESULT Unhandled(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, const char* what) const noexcept;
  HWND hwnd_ = nullptr;
  int depth_ = 0;  // calls of the procedure running, nested ones included
  bool ownedByWindow_ = false;
};

}  // namespace tovrel::win
