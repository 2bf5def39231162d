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

}  // namespace

void SetDueWork(HANDLE signal, std::function<void()> serve) {
  Due() = DueWork{signal, std::move(serve)};
}

bool NextMessage(MSG& msg) {
  for (;;) {
    const DueWork& due = Due();
    const DWORD handles = due.signal && due.serve ? 1 : 0;
    // A set signal comes before any message: handles are reported ahead of input.
    const DWORD woke = ::MsgWaitForMultipleObjectsEx(handles, &due.signal, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (handles && woke == WAIT_OBJECT_0) {
      due.serve();
      continue;
    }
    if (woke == WAIT_FAILED) return ::GetMessageW(&msg, nullptr, 0, 0) > 0;
    if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return msg.message != WM_QUIT;
  }
}

bool TranslateForActiveWindow(MSG& msg) {
  HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  return root && ::IsDialogMessageW(root, &msg);
}

int RunMessageLoop() {
  MSG msg;
  while (NextMessage(msg)) {
    if (TranslateForActiveWindow(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void DoEvents() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (TranslateForActiveWindow(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace tovrel::win
