// Whatever ends Tovrel resumes every process a hold keeps suspended first.
#pragma once

namespace tovrel {

// Unhandled-exception filter, atexit and terminate handlers.
void InstallExitSafety();
// Asks for the 1 ms system timer resolution the schedule's timers need where no
// high-resolution timer can be had, or gives it back; held only while a limit is active,
// as it costs the whole machine power.
void HoldFineTimerResolution(bool hold) noexcept;
// Resumes what is held, restores the timer resolution and ends the process now.
[[noreturn]] void EndProgramNow(unsigned exitCode);
// For WM_ENDSESSION and other ends the program does not choose.
void ReleaseBeforeEnding() noexcept;

}  // namespace tovrel
