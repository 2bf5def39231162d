// The real Tovrel.exe as its user judges it: limits set through its own dialog, the CPU
// each limited busy child really gets (as a share of what it got unlimited just before)
// and what Tovrel itself costs, read by a meter from outside.
// Usage: tovrel_exe_bench_win.exe [path of Tovrel.exe] [seconds per measurement]
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support_win.h"
#include "tests/e2e/tovrel_driver.h"

namespace tovrel::bench {
namespace {

struct Case {
  const char* name;
  int childThreads;
  std::vector<int> percents;  // one child per limit
};

struct Reading {
  std::vector<double> shares;  // % of a core, per child
  double tovrel = -1;          // % of a core
  double guard = -1;
  double server = -1;
};

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

class Meter {
 public:
  explicit Meter(const std::wstring& exe) {
    std::wstring name = exe.substr(exe.find_last_of(L"\\/") + 1);
    exe_ = Narrow(name);
    for (char& c : exe_) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }

  Reading Measure(const std::vector<DWORD>& children, double ms) const {
    const int tovrel = One(LinuxPidsOf(exe_, ""));
    const int guard = One(LinuxPidsOf(exe_, "--tovrel-guard"));
    const int server = WineServerLinuxPid();
    std::vector<double> before;
    for (DWORD pid : children) before.push_back(test::CpuMilliseconds(pid));
    const double t0 = LinuxCpuMs(tovrel), g0 = LinuxCpuMs(guard), s0 = LinuxCpuMs(server);
    const double start = NowMs();
    ::Sleep(static_cast<DWORD>(ms));
    const double wall = NowMs() - start;
    Reading r;
    for (size_t i = 0; i < children.size(); ++i)
      r.shares.push_back(100.0 * (test::CpuMilliseconds(children[i]) - before[i]) / wall);
    auto percent = [&](int pid, double was) {
      const double now = LinuxCpuMs(pid);
      return pid > 0 && was >= 0 && now >= 0 ? 100.0 * (now - was) / wall : -1.0;
    };
    r.tovrel = percent(tovrel, t0);
    r.guard = percent(guard, g0);
    r.server = percent(server, s0);
    return r;
  }

 private:
  static int One(const std::vector<int>& pids) { return pids.size() == 1 ? pids[0] : 0; }
  std::string exe_;
};

std::string Cpu(double v) {
  if (v < 0) return "-";
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%.3f", v);
  return buf;
}

void PrintRow(const Case& c, const Reading& free, const Reading& limited) {
  std::string percents, freeShares, limitedShares, ratios;
  for (size_t i = 0; i < c.percents.size(); ++i) {
    const char* sep = i ? "/" : "";
    char buf[64];
    std::snprintf(buf, sizeof(buf), "%s%d", sep, c.percents[i]);
    percents += buf;
    std::snprintf(buf, sizeof(buf), "%s%.1f", sep, free.shares[i]);
    freeShares += buf;
    std::snprintf(buf, sizeof(buf), "%s%.1f", sep, limited.shares[i]);
    limitedShares += buf;
    std::snprintf(buf, sizeof(buf), "%s%.1f", sep, free.shares[i] > 0 ? 100.0 * limited.shares[i] / free.shares[i] : 0);
    ratios += buf;
  }
  Print("%-14s %-9s %-16s %-16s %-16s %9s %9s %9s %9s\n", c.name, percents.c_str(), freeShares.c_str(),
        limitedShares.c_str(), ratios.c_str(), Cpu(free.tovrel).c_str(), Cpu(limited.tovrel).c_str(),
        Cpu(limited.guard).c_str(), Cpu(limited.server).c_str());
}

bool RunCase(const std::wstring& exe, const Case& c, double ms, const Meter& meter) {
  Children children;
  std::vector<DWORD> pids;
  for (size_t i = 0; i < c.percents.size(); ++i) {
    test::ChildProcess* child = children.Start(L"busy_child.exe", std::to_wstring(c.childThreads));
    if (!child || !WaitForThreads(child->pid(), static_cast<size_t>(c.childThreads))) return false;
    pids.push_back(child->pid());
  }
  test::TovrelApp app(exe);
  if (!app.main()) return false;
  ::Sleep(500);
  const Reading free = meter.Measure(pids, ms);
  for (size_t i = 0; i < pids.size(); ++i)
    if (!app.SetLimit(pids[i], c.percents[i])) return false;
  ::Sleep(1000);
  const Reading limited = meter.Measure(pids, ms);
  PrintRow(c, free, limited);
  for (DWORD pid : pids) app.ReleaseLimit(pid);
  return true;
}

int Run(int argc, char** argv) {
  const std::wstring exe = argc > 1 && argv[1][0] ? std::wstring(argv[1], argv[1] + std::strlen(argv[1])) : test::ExeDir() + L"Tovrel.exe";
  const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
  const double ms = seconds * 1000.0;
  const Meter meter(exe);
  Print("\n== The real %s: CPU of busy children limited through its dialog (%.0f s per reading) ==\n",
        Narrow(exe).c_str(), seconds);
  Print("child %% = %% of one core (its threads' times), unlimited just before, then limited;\n"
        "of free = limited / unlimited; Tovrel, guard, server = %% of one core from /proc schedstat\n"
        "(Tovrel without and with the limits, its guard process, the Wine server)\n");
  Print("%-14s %-9s %-16s %-16s %-16s %9s %9s %9s %9s\n", "case", "limit", "child % free", "child % limited",
        "% of free", "Tovrel-0", "Tovrel", "guard", "server");
  const Case cases[] = {
      {"1 thread", 1, {1}},   {"1 thread", 1, {10}},  {"1 thread", 1, {30}},     {"1 thread", 1, {50}},
      {"1 thread", 1, {70}},  {"1 thread", 1, {90}},  {"1 thread", 1, {99}},     {"4 threads", 4, {50}},
      {"2 children", 1, {50, 50}}, {"3 children", 1, {50, 50, 50}}, {"3 children", 1, {10, 10, 10}},
  };
  int status = 0;
  for (const Case& c : cases) {
    if (!RunCase(exe, c, ms, meter)) {
      Print("%-14s could not be set up\n", c.name);
      status = 1;
    }
  }
  return status;
}

}  // namespace
}  // namespace tovrel::bench

int main(int argc, char** argv) { return tovrel::bench::Run(argc, argv); }
