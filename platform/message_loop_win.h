// The one message pump of our loops, the wait it does, and the yield to pending messages.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

namespace tovrel::win {

// Work due at moments of its own on the window's thread (the limiting schedule): every
// loop we own waits for its signal beside the messages and serves it as soon as it is
// set, before the next message. Null: none. `ownWait` is told true when one of our loops
// begins to wait and false when it stops, to run a handler: only then may a loop we
// don't own run (a message box, a menu, a window being moved), which serves nothing.
void SetDueWork(HANDLE signal, std::function<void()> serve, std::function<void(bool)> ownWait = {});

enum class Next { kMessage, kQuit, kNone };
// The next message, serving the due work while waiting for it; not waiting, only what is
// due or queued now (kNone: nothing is).
Next NextMessage(MSG& msg, bool waiting = true);

// Dispatches messages, dialog navigation (Tab, arrows, mnemonics) first for the active
// top-level window, until `done` says so, each waited for; not waiting, only those
// queued now. The exit code when WM_QUIT came, none otherwise.
std::optional<int> Pump(bool waiting, const std::function<bool()>& done = {});

// Runs until WM_QUIT; returns its exit code.
int RunMessageLoop();

// Dispatches every message queued at this moment, with the handlers it starts, then
// returns. A WM_QUIT seen here is posted again for the outer loop.
void DoEvents();

}  // namespace tovrel::win
