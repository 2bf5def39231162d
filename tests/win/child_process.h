// Starting helper processes for the Win32 tests and reading their CPU time.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

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

// A child process that is terminated when the object goes.
class ChildProcess {
 public:
  explicit ChildProcess(const std::wstring& commandLine) {
    STARTUPINFOW si{sizeof(si)};
    std::wstring cmd = commandLine;
    ok_ = ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_) != FALSE;
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

// Processes started by the given one (still running or not yet reaped by the system).
inline std::vector<DWORD> ChildrenOf(DWORD parent) {
  return ProcessesWhere(
      [&](const PROCESSENTRY32W& e) { return e.th32ParentProcessID == parent && e.th32ProcessID != parent; });
}

// CPU time of a process in milliseconds, summed over its threads (Wine does not report
// another process's times through GetProcessTimes).
inline double CpuMilliseconds(DWORD pid) {
  double total = 0;
  for (DWORD id : ThreadIdsOf(pid)) {
    HANDLE t = ::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!t) continue;
    FILETIME c, x, k, u;
    if (::GetThreadTimes(t, &c, &x, &k, &u)) {
      auto ms = [](FILETIME f) { return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e4; };
      total += ms(k) + ms(u);
    }
    ::CloseHandle(t);
  }
  return total;
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

}  // namespace tovrel::test
