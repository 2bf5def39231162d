#include "button_control/command_window_win.h"

#include "button_control/command_accessible_win.h"
#include "platform/controls_win.h"
#include "platform/system_library_win.h"

#include <memory>
#include <system_error>

namespace tovrel::win {
namespace {

// Sent to the button that owns an access key, so the click runs inside its own
// window procedure (exception boundary, safe destruction).
constexpr UINT kMsgAccessKey = WM_USER + 1;
// The accessible object's default action, posted so that its caller returns first.
constexpr UINT kMsgDefaultAction = WM_USER + 2;

bool SystemHighContrast() {
  HIGHCONTRASTW contrast{sizeof(contrast)};
  return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

constexpr std::int16_t kLeft = 1;
constexpr std::int16_t kRight = 2;
constexpr std::int16_t kMiddle = 4;

bool KeyHeld(int virtualKey) { return ::GetKeyState(virtualKey) < 0; }

std::int16_t KeyShift() {
  return static_cast<std::int16_t>((KeyHeld(VK_SHIFT) ? 1 : 0) | (KeyHeld(VK_CONTROL) ? 2 : 0) |
                                   (KeyHeld(VK_MENU) ? 4 : 0));
}

// Alt is not part of a mouse message's key flags.
std::int16_t MouseShift(WPARAM flags) {
  return static_cast<std::int16_t>(((flags & MK_SHIFT) ? 1 : 0) | ((flags & MK_CONTROL) ? 2 : 0) |
                                   (KeyHeld(VK_MENU) ? 4 : 0));
}

std::int16_t MouseButtons(WPARAM flags) {
  return static_cast<std::int16_t>(((flags & MK_LBUTTON) ? kLeft : 0) | ((flags & MK_RBUTTON) ? kRight : 0) |
                                   ((flags & MK_MBUTTON) ? kMiddle : 0));
}

// Signed: a captured pointer left or above the control has negative coordinates.
int PointerX(LPARAM position) { return static_cast<short>(LOWORD(position)); }
int PointerY(LPARAM position) { return static_cast<short>(HIWORD(position)); }

// The control lower-cases access keys from A to Z only; a typed key is matched the same way.
char16_t AccessKeyCase(wchar_t key) {
  return (key >= L'A' && key <= L'Z') ? static_cast<char16_t>(key - L'A' + L'a') : static_cast<char16_t>(key);
}

struct AccessKeySearch {
  char16_t key;
  HWND found;
};

BOOL CALLBACK FindAccessKeyOwner(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<AccessKeySearch*>(param);
  const CommandWindow* window = CommandWindow::FromHwnd(hwnd);
  if (window && ::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd) &&
      window->AccessKeys().find(search.key) != std::u16string::npos) {
    search.found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

CommandWindow::CommandWindow(std::u16string instanceName)
    : instanceName_(std::move(instanceName)),
      ambientFont_(std::make_shared<Font>()),
      font_(ambientFont_),
      highContrast_(SystemHighContrast()) {}

CommandWindow* CommandWindow::Create(HWND parent, int id, const RECT& pixels, const PropertyStore& layout,
                                     std::u16string instanceName) {
  // Double-clicks arrive as their own message, which the control answers differently.
  if (!RegisterClassOnce(kClassName, nullptr, nullptr, CS_DBLCLKS)) ThrowLastError("RegisterClassExW");
  auto* self = new CommandWindow(std::move(instanceName));
  const HWND hwnd = self->CreateWindowFor(kClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, pixels.left,
                                          pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top, parent,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  if (!hwnd) {
    const DWORD error = ::GetLastError();
    delete self;
    throw std::system_error(static_cast<int>(error), std::system_category(), "CreateWindowExW");
  }
  self->OwnedByWindow();
  try {
    self->command.Initialize();
    self->command.ReadProperties(layout);
    self->loaded_ = true;
    self->command.OnResize();
  } catch (...) {
    ::DestroyWindow(hwnd);
    throw;
  }
  return self;
}

CommandWindow* CommandWindow::FromHwnd(HWND hwnd) { return dynamic_cast<CommandWindow*>(Window::FromHwnd(hwnd)); }

bool CommandWindow::RouteAccessKey(HWND topLevel, wchar_t key) {
  if (!topLevel || !::IsWindowEnabled(topLevel)) return false;
  AccessKeySearch search{AccessKeyCase(key), nullptr};
  ::EnumChildWindows(topLevel, &FindAccessKeyOwner, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return false;
  ::SendMessageW(search.found, kMsgAccessKey, key, 0);
  return true;
}

LRESULT CommandWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the backing bitmap covers the whole client area
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_SIZE:
      OnSize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_GETDLGCODE:
      // Arrows and Space reach the control; Tab, Enter and Esc stay with the dialog manager.
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_GETOBJECT:
      return OnGetObject(wParam, lParam);
    default:
      break;
  }
  if (!loaded_) return ::DefWindowProcW(hwnd(), message, wParam, lParam);

  switch (message) {
    case WM_LBUTTONDOWN:
      OnButtonDown(kLeft, wParam, lParam, false);
      return 0;
    case WM_LBUTTONDBLCLK:
      OnButtonDown(kLeft, wParam, lParam, true);
      return 0;
    // Only the main button has a double-click of its own; the others count as presses.
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      OnButtonDown(kRight, wParam, lParam, false);
      return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      OnButtonDown(kMiddle, wParam, lParam, false);
      return 0;
    case WM_LBUTTONUP:
      OnButtonUp(kLeft, wParam, lParam);
      return 0;
    case WM_RBUTTONUP:
      OnButtonUp(kRight, wParam, lParam);
      return 0;
    case WM_MBUTTONUP:
      OnButtonUp(kMiddle, wParam, lParam);
      return 0;
    case WM_MOUSEMOVE:
      OnPointerMove(wParam, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      // Capture taken away while a button is held (a message box, a modal dialog):
      // that press can no longer end in a click.
      if (reinterpret_cast<HWND>(lParam) != hwnd()) {
        heldButtons_ = 0;
        clickPending_ = false;
      }
      return 0;
    case WM_TIMER:
      if (wParam != kHoverTimerId) break;
      command.OnTimer1();
      return 0;
    case WM_KEYDOWN:
      command.OnKeyDown(static_cast<std::int16_t>(wParam), KeyShift());
      return 0;
    case WM_KEYUP:
      command.OnKeyUp(static_cast<std::int16_t>(wParam), KeyShift());
      return 0;
    case WM_CHAR:
      command.OnKeyPress(static_cast<std::int16_t>(wParam));
      return 0;
    case WM_SYSCHAR:
      if (RouteAccessKey(::GetAncestor(hwnd(), GA_ROOT), static_cast<wchar_t>(wParam))) return 0;
      break;
    case kMsgAccessKey:
      command.OnAccessKey();
      return 0;
    case kMsgDefaultAction:
      command.OnClick();
      return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      highContrast_ = SystemHighContrast();
      command.OnAmbientChanged();
      return 0;
    case WM_SETFOCUS:
      command.OnGotFocus();
      return 0;
    case WM_KILLFOCUS:
      command.OnLostFocus();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd(), message, wParam, lParam);
}

void CommandWindow::OnButtonDown(std::int16_t button, WPARAM wParam, LPARAM lParam, bool doubleClick) {
  // Like a push button, the main button takes the focus before the press is reported.
  if (button == kLeft && ::GetFocus() != hwnd()) ::SetFocus(hwnd());
  if (!hwnd()) return;
  if (heldButtons_ == 0) {
    // The release and any drag outside the control still come here.
    ::SetCapture(hwnd());
    clickButton_ = button;
    // The double-click notification stands in for the second press, whose release is no click.
    clickPending_ = !doubleClick;
  }
  heldButtons_ = static_cast<std::int16_t>(heldButtons_ | button);
  if (doubleClick) {
    command.OnDblClick();
  } else {
    command.OnMouseDown(button, MouseShift(wParam), static_cast<float>(PointerX(lParam)),
                        static_cast<float>(PointerY(lParam)));
  }
}

void CommandWindow::OnButtonUp(std::int16_t button, WPARAM wParam, LPARAM lParam) {
  if (!(heldButtons_ & button)) return;  // pressed somewhere else
  heldButtons_ = static_cast<std::int16_t>(heldButtons_ & ~button);
  const POINT at{PointerX(lParam), PointerY(lParam)};
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  const bool click = clickPending_ && button == clickButton_ && ::PtInRect(&client, at);
  if (button == clickButton_) clickPending_ = false;
  if (heldButtons_ == 0 && ::GetCapture() == hwnd()) ::ReleaseCapture();
  command.OnMouseUp(button, MouseShift(wParam), static_cast<float>(at.x), static_cast<float>(at.y));
  // As the forms layer does it: press, release, then the click.
  if (click && hwnd()) command.OnClick();
}

void CommandWindow::OnPointerMove(WPARAM wParam, LPARAM lParam) {
  command.OnMouseMove(MouseButtons(wParam), MouseShift(wParam), static_cast<float>(PointerX(lParam)),
                      static_cast<float>(PointerY(lParam)));
}

void CommandWindow::OnSize(int width, int height) {
  // Moves and region changes can repeat the size; only a new size is a resize.
  if (width == surface_.Width() && height == surface_.Height()) return;
  surface_.Resize(width, height);
  if (loaded_) command.OnResize();
}

void CommandWindow::OnPaint() {
  PAINTSTRUCT paint{};
  const HDC dc = ::BeginPaint(hwnd(), &paint);
  if (!dc) return;
  surface_.CopyTo(dc, paint.rcPaint);
  ::EndPaint(hwnd(), &paint);
}

LRESULT CommandWindow::OnGetObject(WPARAM wParam, LPARAM lParam) {
  // The object id is a DWORD; how the rest of lParam is filled differs between callers.
  if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT || !loaded_)
    return ::DefWindowProcW(hwnd(), WM_GETOBJECT, wParam, lParam);
  using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
  static const auto lresultFromObject =
      SystemLibraryFunction<LresultFromObjectFn>(L"oleacc.dll", "LresultFromObject");
  if (!accessible_ && lresultFromObject) accessible_ = CommandAccessible::Create(*this);
  // Without oleacc the button still works; a screen reader gets the system's own object.
  if (!accessible_) return ::DefWindowProcW(hwnd(), WM_GETOBJECT, wParam, lParam);
  return lresultFromObject(kIidIAccessible, wParam, accessible_);
}

void CommandWindow::OnDestroyed() {
  loaded_ = false;
  if (accessible_) {
    accessible_->Disconnect();
    accessible_->Release();
    accessible_ = nullptr;
  }
}

bool CommandWindow::PostDefaultAction() {
  return hwnd() && ::PostMessageW(hwnd(), kMsgDefaultAction, 0, 0);
}

void CommandWindow::SetCaptionText(const std::u16string& caption) {
  if (hwnd()) ::SetWindowTextW(hwnd(), Wide(caption).c_str());
}

void CommandWindow::AccessibleNameChanged() {
  if (hwnd()) ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd(), OBJID_CLIENT, CHILDID_SELF);
}

void CommandWindow::AccessibleStateChanged() {
  if (hwnd()) ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd(), OBJID_CLIENT, CHILDID_SELF);
}

int CommandWindow::Dpi() const {
  const UINT dpi = WindowDpi(hwnd());
  return dpi ? static_cast<int>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

void CommandWindow::SetDisplayAsDefault(bool value) {
  if (value == displayAsDefault_) return;
  displayAsDefault_ = value;
  if (loaded_) command.OnAmbientChanged();
}

Canvas& CommandWindow::Surface() {
  // The control draws only through this; what it draws shows at the next WM_PAINT.
  if (hwnd()) ::InvalidateRect(hwnd(), nullptr, FALSE);
  return surface_;
}

double CommandWindow::ScaleWidth() { return surface_.Width(); }

double CommandWindow::ScaleHeight() { return surface_.Height(); }

void CommandWindow::Refresh() {
  if (hwnd()) ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void CommandWindow::SetSurfaceEnabled(bool enabled) {
  if (hwnd()) ::EnableWindow(hwnd(), enabled);
}

void CommandWindow::SetSurfaceFont(const FontRef& font) {
  font_ = font ? font : ambientFont_;
  surface_.SetFont(*font_, Dpi());
}

void CommandWindow::SetHoverTimer(bool enabled) {
  if (!hwnd()) return;
  if (!enabled) {
    ::KillTimer(hwnd(), kHoverTimerId);
    return;
  }
  if (!::SetTimer(hwnd(), kHoverTimerId, 10, nullptr)) ThrowLastError("SetTimer");
}

Point CommandWindow::CursorClientPosition() {
  POINT p{};
  if (!::GetCursorPos(&p)) ThrowLastError("GetCursorPos");
  if (hwnd()) ::ScreenToClient(hwnd(), &p);
  return {p.x, p.y};
}

void CommandWindow::SetWindowShape(const WindowShape& shape) {
  if (!hwnd()) return;
  UniqueGdi<HRGN> region(::CreateRectRgn(0, 0, shape.width, shape.height));
  if (!region) ThrowLastError("CreateRectRgn");
  for (const Rect& r : shape.removed) {
    UniqueGdi<HRGN> corner(::CreateRectRgn(r.left, r.top, r.right, r.bottom));
    if (!corner) ThrowLastError("CreateRectRgn");
    ::CombineRgn(region.get(), region.get(), corner.get(), RGN_DIFF);
  }
  if (!::SetWindowRgn(hwnd(), region.get(), TRUE)) ThrowLastError("SetWindowRgn");
  // Attached: the window frees it when the next region comes or the window goes.
  region.release();
}

void CommandWindow::MoveFocus(bool forward) {
  if (!hwnd()) return;
  const HWND next = ::GetNextDlgTabItem(::GetAncestor(hwnd(), GA_ROOT), hwnd(), !forward);
  if (next && next != hwnd()) ::SetFocus(next);
}

Colour CommandWindow::SysColor(int index) { return static_cast<Colour>(::GetSysColor(index)); }

}  // namespace tovrel::win
