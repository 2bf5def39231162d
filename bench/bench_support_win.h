// Shared pieces of the Windows benchmarks: a clock, order statistics, helper children
// that cannot outlive the benchmark, and plain table printing.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
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

inline void Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(stdout, format, args);
  va_end(args);
  std::fflush(stdout);
}

}  // namespace tovrel::bench
