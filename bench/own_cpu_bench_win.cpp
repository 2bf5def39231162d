// What Tovrel itself costs while it limits, in consecutive readings, so that a tenth of a
// percent of a core can be told from two: the real Tovrel.exe limits busy children
// through its dialog, then its own CPU (every thread's scheduler time, from Linux) is read
// over several spans after a settle. With no limit it must not wake at all.
// Usage: own_cpu_bench_win.exe [path of Tovrel.exe] [seconds per reading] [readings]
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
  std::string limits = percents.empty() ? "none" : "";
  for (size_t i = 0; i < percents.size(); ++i) {
    if (i) limits += '/';
    limits += std::to_string(percents[i]);
  }
  std::vector<double> shares;
  for (int r = 0; r < readings; ++r) {
    const double c0 = LinuxCpuMs(tovrel[0]), t0 = NowMs();
    ::Sleep(static_cast<DWORD>(ms));
    shares.push_back(100.0 * (LinuxCpuMs(tovrel[0]) - c0) / (NowMs() - t0));
  }
  std::string each;
  for (double s : shares) {
    char text[16];
    std::snprintf(text, sizeof(text), " %.3f", s);
    each += text;
  }
  Print("%-10s %8.3f %8.3f %8.3f  %s\n", limits.c_str(), *std::min_element(shares.begin(), shares.end()),
        Median(shares), *std::max_element(shares.begin(), shares.end()), each.c_str());
  return true;
}

int Run(int argc, char** argv) {
  const std::wstring exe = argc > 1 && argv[1][0] ? std::wstring(argv[1], argv[1] + std::strlen(argv[1]))
                                                  : test::ExeDir() + L"Tovrel.exe";
  const double ms = (argc > 2 ? std::atof(argv[2]) : 10.0) * 1000.0;
  const int readings = argc > 3 ? std::atoi(argv[3]) : 5;
  Print("\n== Own CPU of %ls, %% of one core: %d readings of %.0f s, %d s after the limits are set ==\n",
        exe.c_str(), readings, ms / 1000, static_cast<int>(kSettleMs / 1000));
  Print("%-10s %8s %8s %8s  %s\n", "limits", "min", "median", "max", "each reading");
  const std::vector<std::vector<int>> cases = {{}, {1}, {10}, {50}, {99}, {10, 10, 10}, {99, 10, 10}};
  int status = 0;
  for (const auto& percents : cases)
    if (!RunCase(exe, percents, ms, readings)) {
      Print("own_cpu: a case could not be set up\n");
      status = 1;
    }
  return status;
}

}  // namespace
}  // namespace tovrel::bench

int main(int argc, char** argv) { return tovrel::bench::Run(argc, argv); }
