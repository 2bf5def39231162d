// The real Tovrel.exe as its user judges it: limits set through its own dialog, the CPU
// each limited busy child really gets (as a share of what it got unlimited just before),
// what Tovrel itself costs, read by a meter from outside, and how soon its window answers
// a message sent from another process (as a user's click would wait), also while its
// dialog or its exit question is open.
// Usage: tovrel_exe_bench_win.exe [path of Tovrel.exe] [seconds per measurement] [limits...]
// (readings of 30 s or more begin 10 s after the limits are set, shorter ones after 1 s)
// (limits as the table writes them, e.g. 1 50 10/10/10: only those cases)
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support_win.h"
#include "tests/e2e/tovrel_driver.h"

namespace tovrel::bench {
namespace {

// What stays open over the first limited child while the limits are measured.
enum class Open { kNothing, kDialog, kExitQuestion };

struct Case {
  const char* name;
  int childThreads;
  std::vector<int> percents;  // one child per limit
  Open open = Open::kNothing;
};

// How long the window's answer times are probed after each reading.
constexpr DWORD kProbeMs = 4000;

struct Reading {
  std::vector<double> shares;  // % of a core, per child
  double tovrel = -1;          // % of a core
  double guard = -1;
  double server = -1;
  std::vector<double> answers;  // ms per WM_NULL round trip
};

// Sends WM_NULL to the window again and again from a thread of its own, timing each
// round trip, until stopped.
class AnswerProber {
 public:
  explicit AnswerProber(HWND window) : thread_([this, window] {
      while (!stop_) {
        const double start = NowMs();
        DWORD_PTR result = 0;
        if (::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result)) times_.push_back(NowMs() - start);
        ::Sleep(10);
      }
    }) {}
  std::vector<double> Stop() {
    stop_ = true;
    thread_.join();
    return std::move(times_);
  }

 private:
  std::atomic<bool> stop_{false};
  std::vector<double> times_;
  std::thread thread_;
};

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

class Meter {
 public:
  explicit Meter(const std::wstring& exe) {
    std::wstring name = exe.substr(exe.find_last_of(L"\\/") + 1);
    exe_ = Narrow(name);
    for (char& c : exe_) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }

  // Shares and CPU first, with nothing else asking Tovrel for anything; then its window's
  // answer times, over a stretch of their own.
  Reading Measure(const std::vector<DWORD>& children, double ms, HWND window) const {
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
    AnswerProber prober(window);
    ::Sleep(kProbeMs);
    r.answers = prober.Stop();
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

std::string Answers(const std::vector<double>& ms) {
  if (ms.empty()) return "-";
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%.1f/%.1f/%.1f", Median(ms), Percentile(ms, 0.99), Percentile(ms, 1.0));
  return buf;
}

const char* OpenName(Open open) {
  switch (open) {
    case Open::kDialog:
      return "dialog";
    case Open::kExitQuestion:
      return "exit q.";
    default:
      return "";
  }
}

std::string LimitText(const Case& c) {
  std::string text;
  for (size_t i = 0; i < c.percents.size(); ++i) {
    if (i) text += '/';
    text += std::to_string(c.percents[i]);
  }
  return text;
}

void PrintRow(const Case& c, const Reading& free, const Reading& limited) {
  const std::string percents = LimitText(c);
  std::string freeShares, limitedShares, ratios;
  for (size_t i = 0; i < c.percents.size(); ++i) {
    const char* sep = i ? "/" : "";
    char buf[64];
    std::snprintf(buf, sizeof(buf), "%s%.1f", sep, free.shares[i]);
    freeShares += buf;
    std::snprintf(buf, sizeof(buf), "%s%.1f", sep, limited.shares[i]);
    limitedShares += buf;
    std::snprintf(buf, sizeof(buf), "%s%.1f", sep, free.shares[i] > 0 ? 100.0 * limited.shares[i] / free.shares[i] : 0);
    ratios += buf;
  }
  Print("%-12s %-8s %-7s %-16s %-16s %-16s %8s %8s %8s %8s %-16s %-16s\n", c.name, percents.c_str(), OpenName(c.open),
        freeShares.c_str(), limitedShares.c_str(), ratios.c_str(), Cpu(free.tovrel).c_str(),
        Cpu(limited.tovrel).c_str(), Cpu(limited.guard).c_str(), Cpu(limited.server).c_str(),
        Answers(free.answers).c_str(), Answers(limited.answers).c_str());
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
  const Reading free = meter.Measure(pids, ms, app.main());
  for (size_t i = 0; i < pids.size(); ++i)
    if (!app.SetLimit(pids[i], c.percents[i])) return false;
  HWND open = nullptr;
  if (c.open == Open::kDialog) open = app.OpenDialogFor(pids[0]);
  if (c.open == Open::kExitQuestion) {
    ::PostMessageW(app.main(), WM_CLOSE, 0, 0);
    open = app.WaitForMessageBox();
  }
  if (c.open != Open::kNothing && !open) return false;
  // Long readings come after a settle of their own: a tenth of a percent is what they tell.
  ::Sleep(ms >= 30000 ? 10000 : 1000);
  const Reading limited = meter.Measure(pids, ms, app.main());
  if (c.open == Open::kDialog) ::PostMessageW(open, WM_CLOSE, 0, 0);
  if (c.open == Open::kExitQuestion) test::PressMessageBoxButton(open, IDNO);
  test::WaitUntil([&] { return !::IsWindow(open); });
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
  Print("child %% = %% of one core (the process's CPU time), unlimited just before, then limited;\n"
        "of free = limited / unlimited; Tovrel, guard, server = %% of one core from /proc schedstat\n"
        "(Tovrel without and with the limits, its guard process, the Wine server); open = the window\n"
        "left open over the first child while limited; answer = WM_NULL round trips to the main\n"
        "window from another process every 10 ms for %.0f s after the reading, p50/p99/max ms,\n"
        "unlimited and limited\n", kProbeMs / 1000.0);
  Print("%-12s %-8s %-7s %-16s %-16s %-16s %8s %8s %8s %8s %-16s %-16s\n", "case", "limit", "open", "child % free",
        "child % limited", "% of free", "Tovrel-0", "Tovrel", "guard", "server", "answer free", "answer limited");
  const Case cases[] = {
      {"1 thread", 1, {1}},           {"1 thread", 1, {10}},          {"1 thread", 1, {30}},
      {"1 thread", 1, {50}},          {"1 thread", 1, {70}},          {"1 thread", 1, {90}},
      {"1 thread", 1, {99}},          {"4 threads", 4, {50}},         {"2 children", 1, {10, 10}},
      {"2 children", 1, {30, 30}},    {"3 children", 1, {10, 10, 10}}, {"3 children", 1, {99, 10, 10}},
      {"3 children", 1, {10, 10, 10}, Open::kDialog}, {"3 children", 1, {10, 10, 10}, Open::kExitQuestion},
  };
  int status = 0;
  for (const Case& c : cases) {
    if (argc > 3 && std::none_of(argv + 3, argv + argc, [&](const char* a) { return LimitText(c) == a; })) continue;
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
