// Time of one process-list refresh as the number of running processes grows.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "bench/bench_support_win.h"
#include "main_window/process_list_win.h"
#include "platform/controls_win.h"

namespace tovrel::bench {
namespace {

constexpr int kRepeats = 5;

// Processes a toolhelp snapshot lists, whatever their owner.
size_t SystemProcessCount() {
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  size_t n = 0;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof(e);
  for (BOOL ok = ::Process32FirstW(snap, &e); ok; ok = ::Process32NextW(snap, &e)) ++n;
  ::CloseHandle(snap);
  return n;
}

// Children of this process with that executable name that are still alive.
size_t OwnChildrenRunning(const std::wstring& exe) {
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  size_t n = 0;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof(e);
  for (BOOL ok = ::Process32FirstW(snap, &e); ok; ok = ::Process32NextW(snap, &e))
    if (e.szExeFile == exe && e.th32ParentProcessID == ::GetCurrentProcessId()) ++n;
  ::CloseHandle(snap);
  return n;
}

// A child is listed only once its executable shows in a module snapshot.
bool WaitForModules(DWORD pid, int timeoutMs = 10000) {
  const double end = NowMs() + timeoutMs;
  for (;;) {
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snap != INVALID_HANDLE_VALUE) {
      MODULEENTRY32W m{};
      m.dwSize = sizeof(m);
      const bool any = ::Module32FirstW(snap, &m) != FALSE;
      ::CloseHandle(snap);
      if (any) return true;
    }
    if (NowMs() > end) return false;
    ::Sleep(5);
  }
}

int Run() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);
  HWND parent = ::CreateWindowExW(0, L"STATIC", L"Tovrel bench", WS_OVERLAPPEDWINDOW, 0, 0, 500, 400, nullptr,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
  win::UniqueGdi<HFONT> font = win::MakeFont({}, 96);
  {
    win::ListView list;
    list.Create(parent, 100, RECT{10, 10, 395, 300}, font.get());
    for (const char16_t* header : {u"ID", u"PID", u"进程", u"限制CPU使用率"}) list.AddColumn(header, 80);
    win::KeyedImageList images;
    images.Create(::GetSystemMetrics(SM_CXSMICON));

    Print("\n== Process-list refresh (ListProcesses into a ListView + image list), median of %d ==\n", kRepeats);
    Print("%14s %10s %6s %10s %10s %12s\n", "idle children", "processes", "rows", "median ms", "min ms",
          "ms per row");
    Children children;
    for (const int wanted : {0, 10, 50, 200}) {
      while (children.size() < static_cast<size_t>(wanted)) {
        test::ChildProcess* child = children.Start(L"idle_child.exe", L"1");
        if (!child) {
          Print("refresh: idle_child.exe did not start (%zu running)\n", children.size());
          return 1;
        }
      }
      for (size_t i = 0; i < children.size(); ++i) WaitForModules(children[i].pid());
      std::vector<double> times;
      for (int r = 0; r < kRepeats; ++r) {
        const double t0 = NowMs();
        ListProcesses(list, images);
        times.push_back(NowMs() - t0);
      }
      const int rows = list.Count();
      Print("%14d %10zu %6d %10.2f %10.2f %12.3f\n", wanted, SystemProcessCount(), rows, Median(times),
            Percentile(times, 0), rows > 0 ? Median(times) / rows : 0.0);
    }
    children.StopAll();
    Print("idle children of this bench still running afterwards: %zu\n", OwnChildrenRunning(L"idle_child.exe"));
  }
  ::DestroyWindow(parent);
  return 0;
}

}  // namespace
}  // namespace tovrel::bench

int main() { return tovrel::bench::Run(); }
