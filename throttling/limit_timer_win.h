// TimerLimit: a window timer that runs one limiting pass when the next active entry is
// due, and stays off while no entry is active, so an idle Tovrel never wakes up.
#pragma once

#include <windows.h>

#include "throttling/limit_pass.h"

namespace tovrel {

class LimitTimer : private LimitHost {
 public:
  LimitTimer(ProcessLimitTable& limits, ThreadControl& threads) : limits_(limits), threads_(threads) {}
  ~LimitTimer() override;
  LimitTimer(const LimitTimer&) = delete;
  LimitTimer& operator=(const LimitTimer&) = delete;

  // The window whose WM_TIMER with this id comes to OnTimer; armed at once for the table.
  void Attach(HWND window, UINT_PTR id);
  // One pass; never nested, even for a tick queued before the pass turned the timer off.
  void OnTimer();
  // After a handler that may have changed the table: armed for it at once. Inside a
  // pass the pass's end does it.
  void Rearm();

 private:
  void StopTimer() override;
  void ArmTimer(std::optional<std::chrono::milliseconds> delay) override;
  void DoEvents() override;
  void Sleep(std::uint32_t milliseconds) override;
  LimitTime Now() override;

  ProcessLimitTable& limits_;
  ThreadControl& threads_;
  HWND window_ = nullptr;
  UINT_PTR id_ = 0;
  bool passRunning_ = false;
};

}  // namespace tovrel
