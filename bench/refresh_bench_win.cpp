// The process list as its user meets it, on the real Tovrel.exe: the time from a click on
// 刷新 until the window answers again (the first click after start-up, and later ones),
// and from starting Tovrel until its window answers, as the number of running processes
// grows; then 1,000 refreshes of FormMain in this process with processes starting and
// ending between them, while the objects a leak would pile up are counted.
// Usage: refresh_bench_win.exe [another Tovrel.exe to time beside this build's]
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support_win.h"
#include "main_window/form_main_win.h"
#include "main_window/process_list_win.h"
#include "platform/message_loop_win.h"
#include "tests/e2e/tovrel_driver.h"
#include "tests/win/object_probes.h"

namespace tovrel::bench {
namespace {

constexpr int kRefreshes = 5;
constexpr int kStarts = 3;
constexpr int kSoakWarmUp = 20;
constexpr int kSoakRefreshes = 1000;
constexpr UINT kAnswerTimeoutMs = 60000;
constexpr DWORD kSettleMs = 5000;

// The window answers once a message sent from another process returns.
bool Answers(HWND window) {
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &result) != 0;
}

// Idle children as a desktop has them: two processes of each executable file, each a
// copy of idle_child.exe (which carries an icon) under a name of its own.
class Desktop {
 public:
  bool GrowTo(int wanted) {
    while (static_cast<int>(children_.size()) < wanted) {
      const std::wstring exe = Copy(static_cast<int>(children_.size()) / 2);
      if (exe.empty() || !children_.Start(exe, L"1")) return false;
    }
    // A child is listed once its executable shows among its modules.
    for (size_t i = 0; i < children_.size(); ++i) {
      const DWORD pid = children_[i].pid();
      const std::wstring exe = copies_[i / 2];
      const std::u16string name(exe.begin() + exe.find_last_of(L'\\') + 1, exe.end());
      if (!test::WaitUntil([&] { return !GetProcessImagePath(static_cast<std::int32_t>(pid), name).empty(); }))
        return false;
    }
    // New Wine processes keep the server busy for a while after their modules show.
    ::Sleep(kSettleMs);
    return true;
  }
  void StopAll() { children_.StopAll(); }
  // One process ends and another starts, from the next executable file.
  bool Churn() {
    children_.StopOldest();
    return children_.Start(Copy(next_++ % kChurnFiles), L"1") != nullptr;
  }

 private:
  static constexpr int kChurnFiles = 20;
  int next_ = 0;
  std::wstring Copy(int n) {
    if (n < static_cast<int>(copies_.size())) return copies_[n];
    const std::wstring dir = test::ExeDir();
    ::CreateDirectoryW((dir + L"refresh-copies").c_str(), nullptr);
    const std::wstring name = L"refresh-copies\\idle_child_" + std::to_wstring(1000 + n).substr(1) + L".exe";
    ::CopyFileW((dir + L"idle_child.exe").c_str(), (dir + name).c_str(), FALSE);
    if (::GetFileAttributesW((dir + name).c_str()) == INVALID_FILE_ATTRIBUTES) return L"";
    copies_.push_back(name);
    return name;
  }

  Children children_;
  std::vector<std::wstring> copies_;
};

struct Timing {
  int rows = 0;
  double startMs = -1;         // median start-up, to an answering window
  double firstRefreshMs = -1;  // the first click on 刷新 after start-up, to an answering window
  double refreshMs = -1;       // median of the later clicks
};

// Starts the exe, times it until its window answers, then times refreshes.
bool TimeOnce(const std::wstring& exe, bool refreshes, double& startMs, Timing& timing) {
  const double t0 = NowMs();
  test::ChildProcess app(L"\"" + exe + L"\"");
  if (!app.started()) return false;
  HWND main = nullptr;
  while (!(main = test::FindTopLevel(app.pid(), L"Tovrel.FormMain")) || !Answers(main)) {
    if (NowMs() - t0 > kAnswerTimeoutMs || !app.running()) return false;
    ::Sleep(1);
  }
  startMs = NowMs() - t0;
  if (!refreshes) return true;
  HWND list = ::GetDlgItem(main, kListViewProcesses);
  HWND button = ::GetDlgItem(main, kCommandRefresh);
  std::vector<double> times;
  // Right after start-up, with icons start-up has not brought yet.
  const double f0 = NowMs();
  if (!test::ClickControlAndWait(button, kAnswerTimeoutMs) || !Answers(main)) return false;
  timing.firstRefreshMs = NowMs() - f0;
  for (int r = 0; r < kRefreshes; ++r) {
    const double c0 = NowMs();
    if (!test::ClickControlAndWait(button, kAnswerTimeoutMs) || !Answers(main)) return false;
    times.push_back(NowMs() - c0);
  }
  timing.refreshMs = Median(times);
  DWORD_PTR rows = 0;
  ::SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &rows);
  timing.rows = static_cast<int>(rows);
  return true;
}

bool Time(const std::wstring& exe, Timing& timing) {
  std::vector<double> starts;
  for (int s = 0; s < kStarts; ++s) {
    double ms = 0;
    if (!TimeOnce(exe, s == 0, ms, timing)) return false;
    starts.push_back(ms);
  }
  timing.startMs = Median(starts);
  return true;
}

void PrintTiming(const char* which, int children, const Timing& t) {
  Print("%-8s %9d %6d %12.1f %12.1f %11.3f %12.0f\n", which, children, t.rows, t.firstRefreshMs, t.refreshMs,
        t.rows > 0 ? t.refreshMs / t.rows : 0.0, t.startMs);
}

void PrintCounts(int refreshes, double seconds, std::size_t paths, std::size_t running, long most) {
  Print("%10d %8.1f %9d %6zu %6zu %7zu %8zu %7ld\n", refreshes, seconds, test::CountOpenHandles(),
        test::LiveGdiObjects(), test::LiveUserObjects(), paths, running, most);
}

// FormMain in this process, shown, refreshed again and again with its messages served,
// while one process ends and another starts between refreshes.
bool Soak(Desktop& desktop) {
  FormMain form;
  form.Load();
  form.Show(SW_SHOWNOACTIVATE);
  for (int r = 0; r < kSoakWarmUp; ++r) {
    if (!desktop.Churn()) return false;
    form.CommandRefresh_Click();
    win::DoEvents();
  }
  Print("\n== Soak: %d refreshes of FormMain (%d rows) after %d to warm up, a process ending and "
        "another starting before each ==\n", kSoakRefreshes, form.ListViewProcesses().Count(), kSoakWarmUp);
  Print("handles = kernel handles of this process; GDI and USER objects of this process; paths = paths\n"
        "kept between refreshes; running = processes in the system's list; most = the most paths kept\n"
        "beyond the processes running, over every refresh so far\n");
  Print("%10s %8s %9s %6s %6s %7s %8s %7s\n", "refreshes", "s", "handles", "GDI", "USER", "paths", "running",
        "most");
  const double start = NowMs();
  long most = -1000000;
  auto excess = [&](std::size_t& running) {
    running = TakeProcessSnapshot().processes.size();
    most = std::max(most, static_cast<long>(form.KnownPaths()) - static_cast<long>(running));
  };
  std::size_t running = 0;
  excess(running);
  PrintCounts(0, 0, form.KnownPaths(), running, most);
  for (int r = 1; r <= kSoakRefreshes; ++r) {
    if (!desktop.Churn()) return false;
    form.CommandRefresh_Click();
    win::DoEvents();
    excess(running);
    if (r % 200 == 0) PrintCounts(r, (NowMs() - start) / 1000, form.KnownPaths(), running, most);
  }
  return true;
}

int Run(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  ::OleInitialize(nullptr);
  std::vector<std::pair<const char*, std::wstring>> exes;
  if (argc > 1 && argv[1][0]) exes.emplace_back("other", std::wstring(argv[1], argv[1] + std::strlen(argv[1])));
  exes.emplace_back("this", test::ExeDir() + L"Tovrel.exe");

  Print("\n== Refresh and start-up of the real Tovrel.exe with idle children (two per exe file) ==\n");
  Print("first = the first click on 刷新 after start-up until the window answers; refresh = the later clicks,\n"
        "median of %d; start = start until the window answers, median of %d starts, each a new process\n"
        "with no icon seen yet\n", kRefreshes, kStarts);
  for (const auto& [which, exe] : exes) Print("%s: %ls\n", which, exe.c_str());
  Print("%-8s %9s %6s %12s %12s %11s %12s\n", "exe", "children", "rows", "first ms", "refresh ms", "ms per row",
        "start ms");
  Desktop desktop;
  for (const int children : {0, 100, 200}) {
    if (!desktop.GrowTo(children)) {
      Print("refresh: the idle children did not start\n");
      return 1;
    }
    for (const auto& [which, exe] : exes) {
      Timing timing;
      if (!Time(exe, timing)) {
        Print("refresh: %ls did not answer\n", exe.c_str());
        return 1;
      }
      PrintTiming(which, children, timing);
    }
  }
  if (!Soak(desktop)) {
    Print("refresh: a child of the soak did not start\n");
    return 1;
  }
  desktop.StopAll();
  return 0;
}

}  // namespace
}  // namespace tovrel::bench

int main(int argc, char** argv) { return tovrel::bench::Run(argc, argv); }
