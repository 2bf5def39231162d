// Assertions on what a process does over time: they poll with a deadline of seconds,
// or measure a fixed span with a margin no loaded machine can cross, and say what they
// waited for and what they saw.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>

#include "child_process.h"

namespace tovrel::test {

// The process runs: it gains `milliseconds` of CPU time before the deadline.
inline ::testing::AssertionResult GainsCpu(DWORD pid, double milliseconds = 100, int deadline = 10000) {
  const double from = CpuMilliseconds(pid);
  if (from < 0) return ::testing::AssertionFailure() << "process " << pid << " is not there";
  double gained = 0;
  if (WaitUntil([&] { return (gained = CpuMilliseconds(pid) - from) >= milliseconds; }, deadline))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "waited " << deadline << " ms for process " << pid << " to get "
                                       << milliseconds << " ms of CPU time; it got " << gained << " ms";
}

// The process stays stopped: over `span` ms it gains less CPU time than `margin` ms. A
// loaded machine only gives a stopped process less.
inline ::testing::AssertionResult GetsNoCpu(DWORD pid, int span = 400, double margin = 30) {
  const double from = CpuMilliseconds(pid);
  ::Sleep(static_cast<DWORD>(span));
  const double gained = CpuMilliseconds(pid) - from;
  if (from >= 0 && gained < margin) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "process " << pid << " got " << gained << " ms of CPU time in " << span
                                       << " ms while it should have been stopped";
}

// The CPU shares (% of one core) of several processes over one and the same span.
inline std::vector<double> CpuShares(const std::vector<DWORD>& pids, int span) {
  std::vector<double> before;
  for (DWORD pid : pids) before.push_back(CpuMilliseconds(pid));
  const auto start = std::chrono::steady_clock::now();
  ::Sleep(static_cast<DWORD>(span));
  const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::vector<double> shares;
  for (std::size_t i = 0; i < pids.size(); ++i) shares.push_back(100.0 * (CpuMilliseconds(pids[i]) - before[i]) / wall);
  return shares;
}

}  // namespace tovrel::test
