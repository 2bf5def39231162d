// Shared pieces of the Windows benchmarks: a clock, order statistics, helper children
// that cannot outlive the benchmark, and plain table printing.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/win/child_process.h"

namespace tovrel::bench {

inline double NowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / ticksPerMs;
}

// Nearest-rank percentile, q in [0, 1].
inline double Percentile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t rank = static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(rank, v.size() - 1)];
}

inline double Median(const std::vector<double>& v) { return Percentile(v, 0.5); }

// CPU time of this process: kernel + user, in ms.
inline double OwnProcessCpuMs() {
  FILETIME c, x, k, u;
  if (!::GetProcessTimes(::GetCurrentProcess(), &c, &x, &k, &u)) return 0;
  auto ms = [](FILETIME f) { return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e4; };
  return ms(k) + ms(u);
}

// Thread count of the whole system as one toolhelp snapshot sees it.
inline size_t SystemThreadCount() {
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  size_t n = 0;
  THREADENTRY32 e{};
  e.dwSize = sizeof(e);
  for (BOOL ok = ::Thread32First(snap, &e); ok; ok = ::Thread32Next(snap, &e)) ++n;
  ::CloseHandle(snap);
  return n;
}

// Children started by the benchmark. They sit in a kill-on-close job as well, so they
// go even if the benchmark itself dies before its destructors run.
class Children {
 public:
  Children() : job_(::CreateJobObjectW(nullptr, nullptr)) {
    if (!job_) return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
  }
  ~Children() {
    list_.clear();
    if (job_) ::CloseHandle(job_);
  }
  Children(const Children&) = delete;
  Children& operator=(const Children&) = delete;

  // Starts "<exe> <args>" from the benchmark's folder; null when it did not start.
  test::ChildProcess* Start(const std::wstring& exe, const std::wstring& args) {
    auto child = std::make_unique<test::ChildProcess>(L"\"" + test::ExeDir() + exe + L"\" " + args);
    if (!child->started()) return nullptr;
    if (job_) ::AssignProcessToJobObject(job_, child->process());
    list_.push_back(std::move(child));
    return list_.back().get();
  }
  // Terminates every child now and waits for each to be gone.
  void StopAll() { list_.clear(); }
  // Terminates the oldest child, as StopAll would.
  void StopOldest() {
    if (!list_.empty()) list_.erase(list_.begin());
  }
  size_t size() const { return list_.size(); }
  test::ChildProcess& operator[](size_t i) { return *list_[i]; }

 private:
  HANDLE job_ = nullptr;
  std::vector<std::unique_ptr<test::ChildProcess>> list_;
};

// Waits until the process shows at least `threads` threads; false after the timeout.
inline bool WaitForThreads(DWORD pid, size_t threads, int timeoutMs = 10000) {
  const double end = NowMs() + timeoutMs;
  while (test::ThreadIdsOf(pid).size() < threads) {
    if (NowMs() > end) return false;
    ::Sleep(5);
  }
  return true;
}

// Under Wine every Windows process is a Linux process; /proc is reached through Z:.
// Hands `read` the open file `name` of each of its threads; false when the process is
// not there.
template <typename Read>
bool ReadEachThread(int linuxPid, const wchar_t* name, Read read) {
  const std::wstring task = L"Z:\\proc\\" + std::to_wstring(linuxPid) + L"\\task\\";
  WIN32_FIND_DATAW found{};
  HANDLE find = ::FindFirstFileW((task + L"*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    if (found.cFileName[0] == L'.') continue;
    FILE* f = _wfopen((task + found.cFileName + L"\\" + name).c_str(), L"rb");
    if (!f) continue;
    read(f);
    std::fclose(f);
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
  return true;
}

// Its CPU time, summed over its threads from schedstat (nanoseconds, not 10 ms ticks),
// in ms; negative when the process is not there.
inline double LinuxCpuMs(int linuxPid) {
  double total = 0;
  const bool there = ReadEachThread(linuxPid, L"schedstat", [&](FILE* f) {
    unsigned long long ns = 0;
    if (std::fscanf(f, "%llu", &ns) == 1) total += static_cast<double>(ns) / 1e6;
  });
  return there ? total : -1;
}

// How often its threads have given up the CPU to wait: every wake-up of a sleeping
// thread follows one, and so does each wait inside a system call. Negative when the
// process is not there.
inline double LinuxSleeps(int linuxPid) {
  double total = 0;
  const bool there = ReadEachThread(linuxPid, L"status", [&](FILE* f) {
    char line[256];
    unsigned long long n = 0;
    while (std::fgets(line, sizeof(line), f))
      if (std::sscanf(line, "voluntary_ctxt_switches: %llu", &n) == 1) total += static_cast<double>(n);
  });
  return there ? total : -1;
}

// Linux pids of the Wine processes whose command line (as Wine shows it in /proc) starts
// with a program path ending in `exe` and holds `argument` (none: no argument at all).
inline std::vector<int> LinuxPidsOf(const std::string& exe, const std::string& argument) {
  std::vector<int> pids;
  WIN32_FIND_DATAW found{};
  HANDLE find = ::FindFirstFileW(L"Z:\\proc\\*", &found);
  if (find == INVALID_HANDLE_VALUE) return pids;
  do {
    const int pid = _wtoi(found.cFileName);
    if (pid <= 0) continue;
    FILE* f = _wfopen((L"Z:\\proc\\" + std::wstring(found.cFileName) + L"\\cmdline").c_str(), L"rb");
    if (!f) continue;
    char buf[4096] = {};
    const size_t n = std::fread(buf, 1, sizeof(buf) - 1, f);
    std::fclose(f);
    // Arguments are NUL-separated; Wine may pass the whole command line as one.
    std::string line(buf, n);
    for (char& c : line)
      if (c == '\0') c = ' ';
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::string lower = line;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t at = lower.find(exe);
    // Only the program itself, never an argument naming it (this bench's own command line).
    if (at == std::string::npos || at + exe.size() > std::strlen(buf)) continue;
    const std::string rest = lower.substr(at + exe.size());
    const bool matches = argument.empty() ? rest.find_first_not_of(" \"") == std::string::npos
                                          : rest.find(argument) != std::string::npos;
    if (matches) pids.push_back(pid);
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
  return pids;
}

// The Wine server's Linux pid, as the bench script finds it; 0 when not given.
inline int WineServerLinuxPid() {
  wchar_t pid[32];
  return ::GetEnvironmentVariableW(L"TOVREL_WINESERVER_PID", pid, 32) ? _wtoi(pid) : 0;
}

inline void Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(stdout, format, args);
  va_end(args);
  std::fflush(stdout);
}

}  // namespace tovrel::bench
