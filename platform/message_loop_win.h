// The message loop and the yield to pending window messages.
#pragma once

#include <windows.h>

namespace tovrel::win {

// Runs until WM_QUIT; returns its exit code. Dialog navigation (Tab, arrows,
// mnemonics) goes to the active top-level window.
int RunMessageLoop();

// Dispatches every message queued at this moment, with the handlers it starts, then
// returns. A WM_QUIT seen here is posted again for the outer loop.
void DoEvents();

// Lets one top-level window's navigation keys be handled as a dialog's.
bool TranslateForActiveWindow(MSG& msg);

}  // namespace tovrel::win
