#include "platform/message_loop_win.h"

#include <utility>

namespace tovrel::win {

namespace {

struct DueWork {
  HANDLE signal = nullptr;
  std::function<void()> serve;
};

DueWork& Due() {
  static DueWork due;
  return due;
}

// Lets one top-level window's navigation keys be handled as a dialog's.
bool TranslateForActiveWindow(MSG& msg) {
  HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  return root && ::IsDialogMessageW(root, &msg);
}

}  // namespace

void SetDueWork(HANDLE signal, std::function<void()> serve) { Due() = DueWork{signal, std::move(serve)}; }

Next NextMessage(MSG& msg, bool waiting) {
  for (;;) {
    const DueWork& due = Due();
    const DWORD handles = due.signal && due.serve ? 1 : 0;
    // A set signal comes before any message: handles are reported ahead of input.
    const DWORD woke =
        ::MsgWaitForMultipleObjectsEx(handles, &due.signal, waiting ? INFINITE : 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (handles && woke == WAIT_OBJECT_0) {
      due.serve();
      continue;
    }
    if (woke == WAIT_TIMEOUT) return Next::kNone;
    if (woke == WAIT_FAILED && waiting) return ::GetMessageW(&msg, nullptr, 0, 0) > 0 ? Next::kMessage : Next::kQuit;
    if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return msg.message == WM_QUIT ? Next::kQuit : Next::kMessage;
    if (!waiting) return Next::kNone;
  }
}

std::optional<int> Pump(bool waiting, const std::function<bool()>& done) {
  MSG msg;
  while (!done || !done()) {
    const Next next = NextMessage(msg, waiting);
    if (next == Next::kNone) break;
    if (next == Next::kQuit) return static_cast<int>(msg.wParam);
    if (TranslateForActiveWindow(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return std::nullopt;
}

int RunMessageLoop() { return Pump(true).value_or(0); }

void DoEvents() {
  if (const std::optional<int> code = Pump(false)) ::PostQuitMessage(*code);
}

}  // namespace tovrel::win
