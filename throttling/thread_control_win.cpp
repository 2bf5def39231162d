#include "throttling/thread_control_win.h"

#include <windows.h>
#include <tlhelp32.h>

#include "platform/handles_win.h"

namespace tovrel {

SuspendedThreads Win32ThreadControl::SuspendAllThreads(std::int32_t processId) {
  SuspendedThreads result;
  result.processId = processId;
  // Our own UI thread would stop inside the call with nobody left to resume it.
  if (static_cast<DWORD>(processId) == ::GetCurrentProcessId()) return result;
  win::UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return result;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL ok = ::Thread32First(snapshot.get(), &entry); ok; ok = ::Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID != static_cast<DWORD>(processId)) continue;
    win::UniqueHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
    if (!thread) continue;
    // Recorded first, so a thread is never stopped without a record; only a suspension
    // that took place stays recorded to be balanced later.
    result.threadIds.push_back(entry.th32ThreadID);
    if (::SuspendThread(thread.get()) == static_cast<DWORD>(-1)) result.threadIds.pop_back();
  }
  return result;
}

void Win32ThreadControl::ResumeAllThreads(const SuspendedThreads& suspended) {
  for (std::uint32_t id : suspended.threadIds) {
    win::UniqueHandle thread(::OpenThread(THREAD_SUSPEND_RESUME | THREAD_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!thread) continue;
    // A thread id may have been reused by another process since the suspension.
    if (::GetProcessIdOfThread(thread.get()) != static_cast<DWORD>(suspended.processId)) continue;
    ::ResumeThread(thread.get());
  }
}

}  // namespace tovrel
