// TimerLimit: wakes the window's thread for each moment of the limiting schedule. The
// message loops we own wait on a waitable timer beside the messages, so a moment is
// served on time; loops we don't own (message boxes, menus, moving a window) only
// dispatch WM_TIMER, so while a handler runs, in which such a loop may, a window timer is
// armed for the same moment too. Only while ours waits is it off: each wake costs a call
// less. With no active limit both are off and Tovrel does not wake up at all.
#pragma once

#include <windows.h>

#include "platform/handles_win.h"
#include "throttling/limit_pass.h"

namespace tovrel {

class Guard;

class LimitTimer : private LimitHost {
 public:
  // With a guard, a guard that has died is started again before the next hold begins.
  LimitTimer(ProcessLimitTable& limits, ThreadControl& threads, Guard* guard = nullptr);
  ~LimitTimer() override;
  LimitTimer(const LimitTimer&) = delete;
  LimitTimer& operator=(const LimitTimer&) = delete;

  // The window whose WM_TIMER with this id comes to OnTimer; serves the table at once.
  void Attach(HWND window, UINT_PTR id);
  // TimerLimit_Timer: serves every moment due and arms the timers for the next one.
  void OnTimer();
  // After a handler changed the table: what it made due (an add's first hold, a change
  // whose phase end has passed) is served now, before any message loop runs again.
  void Serve() { OnTimer(); }
  // Before long work on the window's thread: every open hold ends now. Serve after it.
  void EndHolds();

 private:
  void ArmTimer(std::optional<LimitTime> dueAt) override;
  LimitTime Now() override;
  int Processors() override { return processors_; }
  void ArmWindowTimer();
  void OnOwnWait(bool waiting);

  ProcessLimitTable& limits_;
  ThreadControl& threads_;
  Guard* guard_;
  HWND window_ = nullptr;
  UINT_PTR id_ = 0;
  win::UniqueHandle waitable_;
  // A plain waitable timer keeps the system's default tick unless the fine one is asked for.
  bool needsFineResolution_ = false;
  int processors_ = 1;
  std::optional<LimitTime> dueAt_;
  bool ownLoopWaits_ = false;
  bool windowTimerArmed_ = false;
};

}  // namespace tovrel
