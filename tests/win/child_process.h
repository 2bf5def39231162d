// Starting helper processes for the Win32 tests and reading their CPU time.
#pragma once

#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "object_probes.h"

namespace tovrel::test {

inline std::wstring ExeDir() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path, n);
  return s.substr(0, s.find_last_of(L"\\/") + 1);
}

// Polls until the condition holds; false once the deadline has passed. Deadlines are
// seconds, far above what a quiet machine needs.
inline bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    ::Sleep(10);
  }
  return condition();
}

// A child process that is terminated when the object goes.
class ChildProcess {
 public:
  explicit ChildProcess(const std::wstring& commandLine, DWORD flags = 0) {
    for (int attempt = 1; attempt <= 2 && !ok_; ++attempt) {
      STARTUPINFOW si{sizeof(si)};
      std::wstring cmd = commandLine;
      ok_ = ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si, &pi_) != FALSE;
      // The loader failing is no fault of the program under test: once more, said aloud.
      if (!ok_ && attempt == 1)
        std::fprintf(stderr, "[child] %ls did not start (error %lu); starting it once more\n", commandLine.c_str(),
                     ::GetLastError());
    }
  }
  ~ChildProcess() {
    if (!ok_) return;
    ::TerminateProcess(pi_.hProcess, 0);
    ::WaitForSingleObject(pi_.hProcess, 5000);
    ::CloseHandle(pi_.hThread);
    ::CloseHandle(pi_.hProcess);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return ok_; }
  DWORD pid() const { return pi_.dwProcessId; }
  HANDLE process() const { return pi_.hProcess; }
  bool running() const { return ok_ && ::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

 private:
  PROCESS_INFORMATION pi_{};
  bool ok_ = false;
};

inline std::vector<DWORD> ThreadIdsOf(DWORD pid) {
  std::vector<DWORD> ids;
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return ids;
  THREADENTRY32 e{};
  e.dwSize = sizeof(e);
  for (BOOL ok = ::Thread32First(snap, &e); ok; ok = ::Thread32Next(snap, &e))
    if (e.th32OwnerProcessID == pid) ids.push_back(e.th32ThreadID);
  ::CloseHandle(snap);
  return ids;
}

// Ids of the processes whose toolhelp entry passes the test.
template <typename Test>
std::vector<DWORD> ProcessesWhere(Test test) {
  std::vector<DWORD> ids;
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof(e);
  for (BOOL ok = ::Process32FirstW(snap, &e); ok; ok = ::Process32NextW(snap, &e))
    if (test(e)) ids.push_back(e.th32ProcessID);
  ::CloseHandle(snap);
  return ids;
}

inline std::vector<DWORD> ProcessIdsNamed(const wchar_t* exeName) {
  return ProcessesWhere([&](const PROCESSENTRY32W& e) { return ::lstrcmpiW(e.szExeFile, exeName) == 0; });
}

// When a process was created, in 100 ns units; 0 when that cannot be told (it has gone,
// or, under Wine, it is in its first moments).
inline std::uint64_t CreationTimeOf(DWORD pid) {
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return 0;
  FILETIME created{}, exited{}, kernel{}, user{};
  const bool known = ::GetProcessTimes(process, &created, &exited, &kernel, &user) != FALSE;
  ::CloseHandle(process);
  return known ? (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime : 0;
}

// Processes started by the given one (still running or not yet reaped by the system). A
// process keeps its parent's id after the parent has ended, and the system gives ended
// ids to new processes: one created before `parent` was started by another process.
inline std::vector<DWORD> ChildrenOf(DWORD parent) {
  const std::uint64_t born = CreationTimeOf(parent);
  if (born == 0) return {};
  return ProcessesWhere([&](const PROCESSENTRY32W& e) {
    if (e.th32ParentProcessID != parent || e.th32ProcessID == parent) return false;
    const std::uint64_t created = CreationTimeOf(e.th32ProcessID);
    return created != 0 && created >= born;
  });
}

// CPU time of a process in milliseconds over its whole life, its ended threads included:
// the system's own count per process (under Wine, the process's /proc/<pid>/stat). A sum
// over the threads alive now would lose the time of every thread that has ended, and Wine
// does not report another process's times through GetProcessTimes. -1 when not found.
inline double CpuMilliseconds(DWORD pid) {
  using QueryFn = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
  static const auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  // The 64-bit record: user time at 0x28, kernel time at 0x30, in 100 ns units.
  constexpr std::size_t kUserTime = 0x28, kKernelTime = 0x30;
  static std::vector<std::uint64_t> buffer(1 << 17);
  for (;;) {
    ULONG needed = 0;
    const NTSTATUS status =
        query(5, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t)), &needed);
    if (status == static_cast<NTSTATUS>(0xC0000004)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status < 0) return -1;
    break;
  }
  const auto* at = reinterpret_cast<const std::uint8_t*>(buffer.data());
  for (;;) {
    const auto* process = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(at);
    if (static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(process->UniqueProcessId)) == pid) {
      const auto user = *reinterpret_cast<const std::int64_t*>(at + kUserTime);
      const auto kernel = *reinterpret_cast<const std::int64_t*>(at + kKernelTime);
      return static_cast<double>(user + kernel) / 1e4;
    }
    if (process->NextEntryOffset == 0) return -1;
    at += process->NextEntryOffset;
  }
}

// Previous suspend count of a thread, leaving the count as it was.
inline DWORD SuspendCountOf(DWORD threadId) {
  HANDLE t = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId);
  if (!t) return static_cast<DWORD>(-1);
  const DWORD previous = ::SuspendThread(t);
  ::ResumeThread(t);
  ::CloseHandle(t);
  return previous;
}

// No thread of the process is suspended.
inline bool AllThreadsRunning(DWORD pid) {
  for (DWORD id : ThreadIdsOf(pid))
    if (SuspendCountOf(id) != 0) return false;
  return true;
}

}  // namespace tovrel::test
