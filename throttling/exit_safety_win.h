// Whatever ends Tovrel resumes the process a limiting turn holds suspended first.
#pragma once

namespace tovrel {

// Unhandled-exception filter and a 1 ms system timer resolution for the turn sleeps.
void InstallExitSafety();
// Resumes what is held, restores the timer resolution and ends the process now.
[[noreturn]] void EndProgramNow(unsigned exitCode);
// For WM_ENDSESSION and other ends the program does not choose.
void ReleaseBeforeEnding() noexcept;

}  // namespace tovrel
