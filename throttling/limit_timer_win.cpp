#include "throttling/limit_timer_win.h"

#include <chrono>

#include "platform/message_loop_win.h"
#include "throttling/exit_safety_win.h"

namespace tovrel {

LimitTimer::~LimitTimer() {
  if (window_ && ::IsWindow(window_)) ::KillTimer(window_, id_);
  HoldFineTimerResolution(false);
}

void LimitTimer::Attach(HWND window, UINT_PTR id) {
  window_ = window;
  id_ = id;
  Rearm();
}

void LimitTimer::OnTimer() {
  if (passRunning_) return;
  passRunning_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{passRunning_};
  LimitPass(limits_, threads_, *this);
}

void LimitTimer::Rearm() {
  if (!passRunning_) ArmTimer(NextPassDelay(limits_, Now()));
}

void LimitTimer::StopTimer() {
  if (window_) ::KillTimer(window_, id_);
}

void LimitTimer::ArmTimer(std::optional<std::chrono::milliseconds> delay) {
  HoldFineTimerResolution(delay.has_value());
  if (!window_) return;
  if (!delay) {
    ::KillTimer(window_, id_);
    return;
  }
  if (delay->count() <= 0) {
    // Already due: a timer could not fire before its 10 ms minimum, which would add
    // that much to every turn's run time. The tick is queued behind what is pending.
    ::KillTimer(window_, id_);
    ::PostMessageW(window_, WM_TIMER, id_, 0);
    return;
  }
  ::SetTimer(window_, id_, static_cast<UINT>(delay->count()), nullptr);
}

void LimitTimer::DoEvents() { win::DoEvents(); }

void LimitTimer::Sleep(std::uint32_t milliseconds) {
  // An entry turned on in the middle of a pass sleeps finely too.
  HoldFineTimerResolution(true);
  ::Sleep(milliseconds);
}

LimitTime LimitTimer::Now() { return SteadyNow(); }

}  // namespace tovrel
