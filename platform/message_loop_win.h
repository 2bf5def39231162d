// The message loops, the wait they share, and the yield to pending window messages.
#pragma once

#include <windows.h>

#include <functional>

namespace tovrel::win {

// Work due at moments of its own on the window's thread (the limiting schedule): every
// loop we own waits for its signal beside the messages and serves it as soon as it is
// set, before the next message. Null: none.
void SetDueWork(HANDLE signal, std::function<void()> serve);

// GetMessageW as our loops use it: waits for the next message, serving the due work
// meanwhile; false on WM_QUIT.
bool NextMessage(MSG& msg);

// Runs until WM_QUIT; returns its exit code. Dialog navigation (Tab, arrows,
// mnemonics) goes to the active top-level window.
int RunMessageLoop();

// Dispatches every message queued at this moment, with the handlers it starts, then
// returns. A WM_QUIT seen here is posted again for the outer loop.
void DoEvents();

// Lets one top-level window's navigation keys be handled as a dialog's.
bool TranslateForActiveWindow(MSG& msg);

}  // namespace tovrel::win
