#include "platform/message_loop_win.h"

#include <utility>

namespace tovrel::win {

namespace {

struct DueWork {
  HANDLE signal = nullptr;
  std::function<void()> serve;
  std::function<void(bool)> ownWait;
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

void SetDueWork(HANDLE signal, std::function<void()> serve, std::function<void(bool)> ownWait) {
  Due() = DueWork{signal, std::move(serve), std::move(ownWait)};
}

namespace {

// Tells the due work that our loop waits for as long as it does.
class OwnWait {
 public:
  explicit OwnWait(bool waiting) : told_(waiting && Due().ownWait) { Tell(true); }
  ~OwnWait() { Tell(false); }
  OwnWait(const OwnWait&) = delete;
  OwnWait& operator=(const OwnWait&) = delete;

 private:
  void Tell(bool waiting) const {
    // Looked up each time: the work served may have been replaced meanwhile.
    if (told_ && Due().ownWait) Due().ownWait(waiting);
  }
  bool told_;
};

Next Wait(MSG& msg, bool waiting) {
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

}  // namespace

Next NextMessage(MSG& msg, bool waiting) {
  const OwnWait told(waiting);
  return Wait(msg, waiting);
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
