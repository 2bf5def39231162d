#include "throttling/thread_control_win.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <optional>
#include <utility>

#include "platform/handles_win.h"
#include "platform/system_function_win.h"
#include "throttling/guard_win.h"
#include "throttling/limited_process_win.h"

namespace tovrel {

namespace {

// The records are walked by hand: the layout relied on is the 64-bit one.
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, NextEntryOffset) == 0x00);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, NumberOfThreads) == 0x04);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, UniqueProcessId) == 0x50);
static_assert(sizeof(SYSTEM_PROCESS_INFORMATION) == 0x100);  // the thread records follow
static_assert(offsetof(SYSTEM_THREAD_INFORMATION, ClientId) == 0x28);
static_assert(sizeof(SYSTEM_THREAD_INFORMATION) == 0x50);

constexpr ULONG kSystemProcessInformation = 5;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
constexpr std::size_t kFirstBufferBytes = 64 * 1024;
constexpr std::size_t kMostBufferBytes = 64 * 1024 * 1024;

// A thread stopped with no line in the guard's record.
constexpr std::uint32_t kUnrecorded = SuspensionRecord::kCapacity;

using QuerySystemInformationFn = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
using GetNextThreadFn = NTSTATUS(NTAPI*)(HANDLE, HANDLE, ACCESS_MASK, ULONG, ULONG, PHANDLE);

constexpr NTSTATUS kNoMoreEntries = static_cast<NTSTATUS>(0x8000001A);
// Enough to suspend and resume a thread, to tell whose it is and whether it has ended.
constexpr DWORD kThreadAccess = THREAD_SUSPEND_RESUME | THREAD_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;

bool Ended(HANDLE thread) { return ::WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

// Ended threads are let go, all but the last: the next walk goes on from it.
void LetEndedGo(std::vector<OpenedThread>& threads) {
  if (threads.size() < 2) return;
  const auto last = std::prev(threads.end());
  threads.erase(std::remove_if(threads.begin(), last, [](const OpenedThread& t) { return t.ended; }), last);
}

bool TakeSnapshot(std::vector<std::uint64_t>& buffer, std::size_t& bytes) {
  static const auto query = win::SystemFunction<QuerySystemInformationFn>(L"ntdll.dll", "NtQuerySystemInformation");
  if (!query) return false;
  if (buffer.empty()) buffer.resize(kFirstBufferBytes / sizeof(std::uint64_t));
  for (;;) {
    const std::size_t size = buffer.size() * sizeof(std::uint64_t);
    ULONG needed = 0;
    const NTSTATUS status = query(kSystemProcessInformation, buffer.data(), static_cast<ULONG>(size), &needed);
    if (status == kInfoLengthMismatch) {
      // Threads come and go between the calls: leave room for more than was asked.
      const std::size_t grown = std::max<std::size_t>(size * 2, needed + needed / 4);
      if (grown > kMostBufferBytes) return false;
      buffer.assign(grown / sizeof(std::uint64_t) + 1, 0);
      continue;
    }
    if (status < 0) return false;
    bytes = needed != 0 && needed <= size ? needed : size;
    return true;
  }
}

}  // namespace

bool WalkThreads(HANDLE process, std::vector<OpenedThread>& threads) {
  static const auto next = win::SystemFunction<GetNextThreadFn>(L"ntdll.dll", "NtGetNextThread");
  if (!next || !process) return false;
  HANDLE previous = threads.empty() ? nullptr : threads.back().handle.get();
  for (;;) {
    HANDLE thread = nullptr;
    const NTSTATUS status = next(process, previous, kThreadAccess, 0, 0, &thread);
    if (status == kNoMoreEntries) return true;
    if (status < 0 || !thread) return false;
    threads.push_back({0, win::UniqueHandle(thread), false});
    previous = thread;
  }
}

bool ThreadIdsOfProcess(std::uint32_t processId, std::vector<std::uint64_t>& buffer, std::vector<std::uint32_t>& ids) {
  ids.clear();
  std::size_t bytes = 0;
  if (!TakeSnapshot(buffer, bytes)) return false;
  const auto* base = reinterpret_cast<const std::byte*>(buffer.data());
  std::size_t at = 0;
  for (;;) {
    if (at + sizeof(SYSTEM_PROCESS_INFORMATION) > bytes) break;
    const auto* process = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(base + at);
    const std::size_t threadsEnd =
        at + sizeof(SYSTEM_PROCESS_INFORMATION) + std::size_t{process->NumberOfThreads} * sizeof(SYSTEM_THREAD_INFORMATION);
    if (threadsEnd > bytes) break;  // a record that does not fit is not trusted
    if (static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(process->UniqueProcessId)) == processId) {
      const auto* threads = reinterpret_cast<const SYSTEM_THREAD_INFORMATION*>(process + 1);
      for (ULONG i = 0; i < process->NumberOfThreads; ++i)
        ids.push_back(static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(threads[i].ClientId.UniqueThread)));
      return true;
    }
    if (process->NextEntryOffset == 0) break;
    at += process->NextEntryOffset;
  }
  return true;
}

std::vector<OpenedThread> OpenThreadsOf(std::uint32_t processId, const std::vector<std::uint32_t>& ids) {
  std::vector<OpenedThread> opened;
  opened.reserve(ids.size());
  for (const std::uint32_t id : ids) {
    win::UniqueHandle thread(::OpenThread(kThreadAccess, FALSE, id));
    // The thread may have ended and its id passed to a thread of another process.
    if (thread && ::GetProcessIdOfThread(thread.get()) == processId) opened.push_back({id, std::move(thread), false});
  }
  return opened;
}

bool ThreadFinder::Find(std::uint32_t processId, HANDLE process, bool needIds, KnownThreads& known) {
  if (walk_ == ThreadWalk::kPerProcess) {
    if (!known.walked) known.threads.clear();
    if ((known.walked = WalkThreads(process, known.threads))) {
      if (needIds)
        for (OpenedThread& t : known.threads)
          if (t.id == 0) t.id = ::GetThreadId(t.handle.get());
      return true;
    }
  }
  known.threads.clear();
  if (!ThreadIdsOfProcess(processId, snapshot_, ids_)) return false;
  known.threads = OpenThreadsOf(processId, ids_);
  return true;
}

SuspendedThreads Win32ThreadControl::SuspendAllThreads(std::int32_t processId,
                                                      std::shared_ptr<const LimitedProcess> process) {
  SuspendedThreads result{processId, std::move(process), {}};
  const auto pid = static_cast<DWORD>(processId);
  // Our own UI thread would stop inside the call with nobody left to resume it.
  if (!result.process || pid == ::GetCurrentProcessId()) return result;
  // Only a process the platform holds open is ever stopped: its threads stay with it.
  const auto* held = dynamic_cast<const Win32LimitedProcess*>(result.process.get());
  if (!held) return result;
  // Where no guard can run (or be told which process this is), the hold goes on with
  // the safety nets of Tovrel's own process only.
  const bool guarded = guard_ && (guard_->started() || guard_->EnsureRunning());
  const std::uint64_t inGuard = guarded ? held->HandleInGuard() : 0;
  const std::optional<int> freeSlot = inGuard ? guard_->record()->FreeSlot() : std::nullopt;
  // Every slot taken: more holds than limits, so this one stops nothing it cannot record.
  if (inGuard && !freeSlot) return result;
  SuspensionRecord* record = freeSlot ? guard_->record() : nullptr;
  const int slot = freeSlot.value_or(-1);
  // Every thread is found and opened first, so that the threads stop within as short a
  // span as possible, one suspension right after the other.
  KnownThreads& known = held->threads();
  if (!finder_.Find(pid, held->handle(), record != nullptr, known)) return result;
  std::vector<OpenedThread>& threads = known.threads;
  // Room for every thread up front: from the first suspension on nothing may throw.
  result.threads.reserve(threads.size());
  if (record) {
    result.recordSlot = slot;
    record->BeginHold(slot, pid, inGuard);
  }
  for (OpenedThread& thread : threads) {
    if (thread.ended) continue;
    std::uint32_t line = kUnrecorded;
    if (record) {
      const std::optional<std::uint32_t> added = record->Add(slot, thread.id);
      if (!added) break;  // the slot is full: what it cannot hold is not stopped
      line = *added;
    }
    if (::SuspendThread(thread.handle.get()) == static_cast<DWORD>(-1)) {
      if (record) record->Set(slot, line, SuspensionRecord::ThreadState::kNone);
      // A refusal may only mean its suspend count is at the most; such a thread stays known.
      thread.ended = Ended(thread.handle.get());
      continue;
    }
    if (record) record->Set(slot, line, SuspensionRecord::ThreadState::kSuspended);
    result.threads.push_back({thread.id, thread.handle.get(), line});
  }
  LetEndedGo(threads);
  // A hold that stopped nothing leaves nothing for the guard to do.
  if (record && result.threads.empty()) {
    record->EndHold(slot);
    result.recordSlot = -1;
  }
  return result;
}

void Win32ThreadControl::ResumeAllThreads(SuspendedThreads suspended) noexcept {
  const int slot = suspended.recordSlot;
  SuspensionRecord* record = guard_ && slot >= 0 ? guard_->record() : nullptr;
  // The handles stay with the process for its next hold.
  for (const SuspendedThread& t : suspended.threads) {
    if (record) record->Set(slot, t.line, SuspensionRecord::ThreadState::kResuming);
    ::ResumeThread(t.handle);
    if (record) record->Set(slot, t.line, SuspensionRecord::ThreadState::kNone);
  }
  if (record) record->EndHold(slot);
}

}  // namespace tovrel
