// What Tovrel itself costs while it limits, in consecutive readings, so that a tenth of a
// percent of a core can be told from two: the real Tovrel.exe limits busy children
// through its dialog, then its own CPU (every thread's scheduler time, from Linux) is read
// over several spans after a settle, and how often its threads slept (each wake-up ends a
// sleep; so does each wait inside a system call). With no limit it must not wake at all.
// Usage: own_cpu_bench_win.exe [path of Tovrel.exe] [seconds per reading] [readings] [limits...]
// (limits as the table writes them, e.g. none 10 10/10/10: only those cases)
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support_win.h"
#include "tests/e2e/tovrel_driver.h"

namespace tovrel::bench {
namespace {

constexpr DWORD kSettleMs = 10000;

std::string ExeName(const std::wstring& exe) {
  std::string name;
  for (wchar_t c : exe.substr(exe.find_last_of(L"\\/") + 1)) name += static_cast<char>(std::tolower(c));
  return name;
}

std::string LimitText(const std::vector<int>& percents) {
  std::string text = percents.empty() ? "none" : "";
  for (size_t i = 0; i < percents.size(); ++i) {
    if (i) text += '/';
    text += std::to_string(percents[i]);
  }
  return text;
}

bool RunCase(const std::wstring& exe, const std::vector<int>& percents, double ms, int readings) {
  Children children;
  std::vector<DWORD> pids;
  for (size_t i = 0; i < percents.size(); ++i) {
    test::ChildProcess* child = children.Start(L"busy_child.exe", L"1");
    if (!child || !WaitForThreads(child->pid(), 1)) return false;
    pids.push_back(child->pid());
  }
  test::TovrelApp app(exe);
  if (!app.main()) return false;
  for (size_t i = 0; i < pids.size(); ++i)
    if (!app.SetLimit(pids[i], percents[i])) return false;
  const std::vector<int> tovrel = LinuxPidsOf(ExeName(exe), "");
  if (tovrel.size() != 1) return false;
  ::Sleep(kSettleMs);
  const std::string limits = LimitText(percents);
  std::vector<double> shares, sleeps;
  for (int r = 0; r < readings; ++r) {
    const double c0 = LinuxCpuMs(tovrel[0]), s0 = LinuxSleeps(tovrel[0]), t0 = NowMs();
    ::Sleep(static_cast<DWORD>(ms));
    const double c1 = LinuxCpuMs(tovrel[0]), s1 = LinuxSleeps(tovrel[0]), wall = NowMs() - t0;
    shares.push_back(100.0 * (c1 - c0) / wall);
    sleeps.push_back(1000.0 * (s1 - s0) / wall);
  }
  std::string each;
  for (double s : shares) {
    char text[16];
    std::snprintf(text, sizeof(text), " %.3f", s);
    each += text;
  }
  Print("%-10s %8.3f %8.3f %8.3f %9.1f  %s\n", limits.c_str(), *std::min_element(shares.begin(), shares.end()),
        Median(shares), *std::max_element(shares.begin(), shares.end()), Median(sleeps), each.c_str());
  return true;
}

int Run(int argc, char** argv) {
  const std::wstring exe = argc > 1 && argv[1][0] ? std::wstring(argv[1], argv[1] + std::strlen(argv[1]))
                                                  : test::ExeDir() + L"Tovrel.exe";
  const double ms = (argc > 2 ? std::atof(argv[2]) : 10.0) * 1000.0;
  const int readings = argc > 3 ? std::atoi(argv[3]) : 5;
  Print("\n== Own CPU of %ls, %% of one core: %d readings of %.0f s, %d s after the limits are set ==\n",
        exe.c_str(), readings, ms / 1000, static_cast<int>(kSettleMs / 1000));
  Print("%-10s %8s %8s %8s %9s  %s\n", "limits", "min", "median", "max", "sleeps/s", "each reading");
  const std::vector<std::vector<int>> cases = {{}, {1}, {10}, {50}, {99}, {10, 10, 10}, {30, 50, 70}, {99, 10, 10}};
  int status = 0;
  for (const auto& percents : cases) {
    if (argc > 4 && std::none_of(argv + 4, argv + argc, [&](const char* a) { return LimitText(percents) == a; }))
      continue;
    if (!RunCase(exe, percents, ms, readings)) {
      Print("own_cpu: a case could not be set up\n");
      status = 1;
    }
  }
  return status;
}

}  // namespace
}  // namespace tovrel::bench

int main(int argc, char** argv) { return tovrel::bench::Run(argc, argv); }
