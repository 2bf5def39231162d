#include "throttling/limit_timer_win.h"

#include <algorithm>
#include <chrono>

#include "platform/message_loop_win.h"
#include "platform/system_function_win.h"
#include "throttling/exit_safety_win.h"
#include "throttling/guard_win.h"

namespace tovrel {

namespace {

// Windows 10 1803 and later; older systems refuse the flag.
constexpr DWORD kHighResolutionTimer = 0x00000002;

win::UniqueHandle MakeWaitableTimer(bool& fine) {
  HANDLE timer = ::CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
  fine = timer != nullptr;
  if (!timer) timer = ::CreateWaitableTimerW(nullptr, FALSE, nullptr);
  return win::UniqueHandle(timer);
}

// Windows 11 lowers the timer rate of a process whose windows are hidden or minimized
// unless it opts out; a limit must keep its time however the window is shown.
void KeepTimerResolutionWhenHidden() {
  using SetInformationFn = BOOL(WINAPI*)(HANDLE, PROCESS_INFORMATION_CLASS, LPVOID, DWORD);
  static const auto set = win::SystemFunction<SetInformationFn>(L"kernel32.dll", "SetProcessInformation");
  if (!set) return;
  PROCESS_POWER_THROTTLING_STATE state{};
  state.Version = PROCESS_POWER_THROTTLING_CURRENT_VERSION;
  state.ControlMask = PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION;
  state.StateMask = 0;
  set(::GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof(state));
}

}  // namespace

LimitTimer::LimitTimer(ProcessLimitTable& limits, ThreadControl& threads, Guard* guard)
    : limits_(limits), threads_(threads), guard_(guard) {
  bool fine = false;
  waitable_ = MakeWaitableTimer(fine);
  needsFineResolution_ = !fine;
  KeepTimerResolutionWhenHidden();
  // One processor is left to Tovrel itself: with every one busy with limited processes,
  // the wake that stops them comes milliseconds late, and each run that much longer.
  SYSTEM_INFO system{};
  ::GetSystemInfo(&system);
  processors_ = static_cast<int>(std::max<DWORD>(system.dwNumberOfProcessors, 2) - 1);
}

LimitTimer::~LimitTimer() {
  // The holds this schedule began resume with it, while their thread control still lives.
  limits_.EndEveryHold();
  win::SetDueWork(nullptr, nullptr);
  if (window_ && ::IsWindow(window_)) ::KillTimer(window_, id_);
  HoldFineTimerResolution(false);
}

void LimitTimer::Attach(HWND window, UINT_PTR id) {
  window_ = window;
  id_ = id;
  win::SetDueWork(waitable_.get(), [this] { OnTimer(); }, [this](bool waiting) { OnOwnWait(waiting); });
  OnTimer();
}

void LimitTimer::OnOwnWait(bool waiting) {
  ownLoopWaits_ = waiting;
  if (waiting && windowTimerArmed_) {
    ::KillTimer(window_, id_);
    windowTimerArmed_ = false;
  } else if (!waiting && !windowTimerArmed_) {
    ArmWindowTimer();
  }
}

void LimitTimer::ArmWindowTimer() {
  if (!window_ || !dueAt_ || ownLoopWaits_) return;
  const LimitTime delay = std::max(*dueAt_ - Now(), LimitTime(0));
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(delay).count();
  windowTimerArmed_ = ::SetTimer(window_, id_, static_cast<UINT>(std::max<long long>(ms, USER_TIMER_MINIMUM)), nullptr) != 0;
}

void LimitTimer::OnTimer() {
  // Starting a guard is slow work: the open holds end first, as for any other.
  if (guard_ && guard_->died()) {
    limits_.EndEveryHold();
    guard_->EnsureRunning();
  }
  LimitPass(limits_, threads_, *this);
}

void LimitTimer::EndHolds() { limits_.EndEveryHold(); }

void LimitTimer::ArmTimer(std::optional<LimitTime> dueAt) {
  dueAt_ = dueAt;
  if (!dueAt) {
    if (waitable_) ::CancelWaitableTimer(waitable_.get());
    if (window_) ::KillTimer(window_, id_);
    windowTimerArmed_ = false;
    HoldFineTimerResolution(false);
    return;
  }
  if (needsFineResolution_) HoldFineTimerResolution(true);
  const LimitTime delay = std::max(*dueAt - Now(), LimitTime(0));
  if (waitable_) {
    // Relative, in 100 ns units; at least one unit, so that a moment already due fires now.
    LARGE_INTEGER due{};
    due.QuadPart = -std::max<LONGLONG>(1, std::chrono::duration_cast<std::chrono::duration<LONGLONG, std::ratio<1, 10'000'000>>>(delay).count());
    ::SetWaitableTimer(waitable_.get(), &due, 0, nullptr, nullptr, FALSE);
  }
  ArmWindowTimer();
}

LimitTime LimitTimer::Now() { return SteadyNow(); }

}  // namespace tovrel
