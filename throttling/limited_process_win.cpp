#include "throttling/limited_process_win.h"

#include <winternl.h>

#include <string>
#include <vector>

#include "platform/system_function_win.h"
#include "throttling/critical_processes.h"
#include "throttling/guard_win.h"
#include "throttling/thread_control_win.h"

namespace tovrel {

namespace {

constexpr PROCESSINFOCLASS kProcessBreakOnTermination = static_cast<PROCESSINFOCLASS>(29);

std::uint64_t Count(const FILETIME& t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

std::u16string ImagePathOf(HANDLE process) {
  wchar_t path[MAX_PATH * 2];
  DWORD size = static_cast<DWORD>(std::size(path));
  if (!::QueryFullProcessImageNameW(process, 0, path, &size)) return u"";
  return std::u16string(path, path + size);
}

std::u16string SystemFolder() {
  wchar_t folder[MAX_PATH];
  const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::u16string(folder, folder + n) : std::u16string();
}

// The critical flag needs more access than the limit holds; protected processes refuse
// it, and some systems do not answer at all.
std::optional<bool> CriticalFlag(DWORD processId) {
  using QueryFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  static const auto query = win::SystemFunction<QueryFn>(L"ntdll.dll", "NtQueryInformationProcess");
  if (!query) return std::nullopt;
  win::UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
  if (!process) return std::nullopt;
  ULONG critical = 0;
  if (query(process.get(), kProcessBreakOnTermination, &critical, sizeof(critical), nullptr) < 0) return std::nullopt;
  return critical != 0;
}

}  // namespace

Win32LimitedProcess::Win32LimitedProcess(win::UniqueHandle process, Guard* guard)
    : process_(std::move(process)), guard_(guard) {
  HandleInGuard();
}

Win32LimitedProcess::~Win32LimitedProcess() {
  if (guard_ && inGuard_ && generation_ == guard_->generation()) guard_->Unshare(inGuard_);
}

std::uint64_t Win32LimitedProcess::HandleInGuard() const {
  if (!guard_) return 0;
  if (!inGuard_ || generation_ != guard_->generation()) {
    inGuard_ = guard_->Share(process_.get());
    generation_ = guard_->generation();
  }
  return inGuard_;
}

std::uint64_t SystemTimeNow() {
  // The plain clock moves only once a timer tick, while a process's creation time may be
  // precise; the precise clock (not on Windows 7) never reads earlier than either.
  using PreciseFn = VOID(WINAPI*)(LPFILETIME);
  static const auto precise = win::SystemFunction<PreciseFn>(L"kernel32.dll", "GetSystemTimePreciseAsFileTime");
  FILETIME now{};
  if (precise)
    precise(&now);
  else
    ::GetSystemTimeAsFileTime(&now);
  return Count(now);
}

namespace {

constexpr DWORD kHoldAccess = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION;
constexpr DWORD kWalkAccess = kHoldAccess | PROCESS_QUERY_INFORMATION;

win::UniqueHandle OpenHoldable(DWORD pid, std::uint64_t listedAt, const Guard* guard, LimitRefusal& why) {
  // Suspending our own threads would stop Tovrel for good; stopping the guard would
  // leave nobody to resume a hold if Tovrel were killed.
  why = LimitRefusal::kTovrel;
  if (pid == ::GetCurrentProcessId() || (guard && pid == guard->processId())) return {};
  // The right to walk its threads too, where the system grants it: a hold then costs only
  // this process. A protected process grants less, and its holds take the system's view.
  win::UniqueHandle process(::OpenProcess(kWalkAccess, FALSE, pid));
  if (!process && ::GetLastError() == ERROR_ACCESS_DENIED) process.reset(::OpenProcess(kHoldAccess, FALSE, pid));
  why = !process && ::GetLastError() == ERROR_ACCESS_DENIED ? LimitRefusal::kNoAccess : LimitRefusal::kEnded;
  if (!process || ::WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT) return {};
  // The list's row was made at listedAt: a process created later is not the one it shows.
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!::GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) {
    why = LimitRefusal::kNoAccess;
    return {};
  }
  if (Count(created) > listedAt) return {};
  why = LimitRefusal::kCritical;
  if (IsCriticalSystemProcess(ImagePathOf(process.get()), SystemFolder(), CriticalFlag(pid))) return {};
  // A limit that can stop none of its threads would only show a percentage. Its holds
  // will find them the same way.
  KnownThreads threads;
  const bool seen = ThreadFinder().Find(pid, process.get(), false, threads);
  if (threads.threads.empty()) {
    why = !seen || ::WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT ? LimitRefusal::kEnded : LimitRefusal::kNoAccess;
    return {};
  }
  why = LimitRefusal::kNone;
  return process;
}

}  // namespace

LimitRefusal WhyNotLimitable(std::int32_t processId, std::uint64_t listedAt, const Guard* guard) {
  LimitRefusal refusal = LimitRefusal::kNone;
  OpenHoldable(static_cast<DWORD>(processId), listedAt, guard, refusal);
  return refusal;
}

std::shared_ptr<const LimitedProcess> OpenLimitedProcess(std::int32_t processId, std::uint64_t listedAt,
                                                         Guard* guard, LimitRefusal* why) {
  LimitRefusal refusal = LimitRefusal::kNone;
  win::UniqueHandle process = OpenHoldable(static_cast<DWORD>(processId), listedAt, guard, refusal);
  if (why) *why = refusal;
  if (!process) return nullptr;
  return std::make_shared<Win32LimitedProcess>(std::move(process), guard);
}

}  // namespace tovrel
