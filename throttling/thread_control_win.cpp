#include "throttling/thread_control_win.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
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

std::vector<std::pair<std::uint32_t, win::UniqueHandle>> OpenThreadsOf(std::uint32_t processId,
                                                                     const std::vector<std::uint32_t>& ids) {
  std::vector<std::pair<std::uint32_t, win::UniqueHandle>> opened;
  opened.reserve(ids.size());
  for (const std::uint32_t id : ids) {
    win::UniqueHandle thread(::OpenThread(THREAD_SUSPEND_RESUME | THREAD_QUERY_LIMITED_INFORMATION, FALSE, id));
    // The thread may have ended and its id passed to a thread of another process.
    if (thread && ::GetProcessIdOfThread(thread.get()) == processId) opened.emplace_back(id, std::move(thread));
  }
  return opened;
}

SuspendedThreads Win32ThreadControl::SuspendAllThreads(std::int32_t processId,
                                                      std::shared_ptr<const LimitedProcess> process) {
  SuspendedThreads result{processId, std::move(process), {}};
  const auto pid = static_cast<DWORD>(processId);
  // Our own UI thread would stop inside the call with nobody left to resume it.
  if (!result.process || pid == ::GetCurrentProcessId()) return result;
  if (!ThreadIdsOfProcess(pid, snapshot_, ids_)) return result;
  // Room for every thread up front: from the first suspension on nothing may throw.
  result.threads.reserve(ids_.size());
  // Where no guard can run (or be told which process this is), the hold goes on with
  // the safety nets of Tovrel's own process only.
  SuspensionRecord* record = nullptr;
  if (guard_ && guard_->EnsureRunning()) {
    const auto* held = dynamic_cast<const Win32LimitedProcess*>(result.process.get());
    const std::uint64_t inGuard = held ? held->HandleInGuard() : 0;
    const std::optional<int> slot = inGuard ? guard_->record()->FreeSlot() : std::nullopt;
    // Every slot taken: more holds than limits, so this one stops nothing it cannot record.
    if (inGuard && !slot) return result;
    if (slot) {
      record = guard_->record();
      result.recordSlot = *slot;
      record->BeginHold(*slot, pid, inGuard);
    }
  }
  const int slot = result.recordSlot;
  // Every thread is opened and checked first, so that the threads stop within as short a
  // span as possible, one suspension right after the other.
  for (auto& [id, thread] : OpenThreadsOf(pid, ids_)) {
    std::uint32_t line = kUnrecorded;
    if (record) {
      const std::optional<std::uint32_t> added = record->Add(slot, id);
      if (!added) break;  // the slot is full: what it cannot hold is not stopped
      line = *added;
    }
    if (::SuspendThread(thread.get()) == static_cast<DWORD>(-1)) {
      if (record) record->Set(slot, line, SuspensionRecord::ThreadState::kNone);
      continue;
    }
    if (record) record->Set(slot, line, SuspensionRecord::ThreadState::kSuspended);
    result.threads.push_back({id, thread.release(), line});
  }
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
  // The whole process goes on first; the handles are closed after.
  for (const SuspendedThread& t : suspended.threads) {
    if (record) record->Set(slot, t.line, SuspensionRecord::ThreadState::kResuming);
    ::ResumeThread(t.handle);
    if (record) record->Set(slot, t.line, SuspensionRecord::ThreadState::kNone);
  }
  if (record) record->EndHold(slot);
  for (const SuspendedThread& t : suspended.threads) ::CloseHandle(t.handle);
}

}  // namespace tovrel
