// Drives a running Tovrel.exe from another process as a user would: through its
// windows, controls and message boxes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "../win/child_process.h"
#include "limit_dialog/form_set_percent_win.h"
#include "main_window/form_main_win.h"
#include "png_file.h"

namespace tovrel::test {

// A top-level window of the process with the class and, when given, the title.
inline HWND FindTopLevel(DWORD pid, const wchar_t* cls, const std::wstring& title = L"") {
  struct Search {
    DWORD pid;
    const wchar_t* cls;
    const std::wstring* title;
    HWND found;
  } search{pid, cls, &title, nullptr};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s->pid || !::IsWindowVisible(hwnd)) return TRUE;
        wchar_t cls[128] = {};
        ::GetClassNameW(hwnd, cls, 128);
        if (std::wstring(cls) != s->cls) return TRUE;
        if (!s->title->empty()) {
          wchar_t text[256] = {};
          ::GetWindowTextW(hwnd, text, 256);
          if (*s->title != text) return TRUE;
        }
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline std::wstring TextOf(HWND hwnd) {
  wchar_t text[512] = {};
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &result);
  return text;
}

// Client rectangle of a child in its parent's client coordinates.
inline RECT ChildRect(HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// A press and release of the left button in the middle of a control.
inline void ClickControl(HWND control) {
  RECT r{};
  ::GetClientRect(control, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
  ::PostMessageW(control, WM_MOUSEMOVE, 0, at);
  ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(control, WM_LBUTTONUP, 0, at);
}

// The same click, returning only once the control's handler has run (for a handler that
// does not open a modal window); false when it did not answer in time.
inline bool ClickControlAndWait(HWND control, UINT timeout = 30000) {
  RECT r{};
  ::GetClientRect(control, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
  DWORD_PTR result = 0;
  for (auto [msg, wp] : {std::pair<UINT, WPARAM>{WM_MOUSEMOVE, 0}, {WM_LBUTTONDOWN, MK_LBUTTON}, {WM_LBUTTONUP, 0}})
    if (!::SendMessageTimeoutW(control, msg, wp, at, SMTO_ABORTIFHUNG, timeout, &result)) return false;
  return true;
}

inline bool SaveWindowShot(HWND hwnd, const std::wstring& name) {
  ::CreateDirectoryW(L"..\\screenshots", nullptr);
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  return SaveScreenRect(r, L"..\\screenshots\\" + name);
}

// Tovrel.exe (by default the one beside this program), ended if still running with
// the object; or one already running, which is left to run.
class TovrelApp {
 public:
  explicit TovrelApp(const std::wstring& exe = ExeDir() + L"Tovrel.exe")
      : started_(std::make_unique<ChildProcess>(L"\"" + exe + L"\"")), pid_(started_->pid()) {
    Attach();
  }
  struct Running {
    DWORD pid;
  };
  explicit TovrelApp(Running running)
      : pid_(running.pid),
        attached_(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | SYNCHRONIZE, FALSE,
                                running.pid)) {
    Attach();
  }
  ~TovrelApp() {
    if (attached_) ::CloseHandle(attached_);
  }
  TovrelApp(const TovrelApp&) = delete;
  TovrelApp& operator=(const TovrelApp&) = delete;

  DWORD pid() const { return pid_; }
  HWND main() const { return main_; }
  HWND list() const { return list_; }
  HANDLE process() const { return started_ ? started_->process() : attached_; }
  bool running() const { return process() && ::WaitForSingleObject(process(), 0) == WAIT_TIMEOUT; }

  int RowCount() const {
    DWORD_PTR n = 0;
    ::SendMessageTimeoutW(list_, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &n);
    return static_cast<int>(n);
  }

  // Sub-item text of a 1-based row, read through a buffer in Tovrel's memory.
  std::wstring Cell(int row, int sub) const {
    Remote remote(process(), sizeof(LVITEMW) + 512 * sizeof(wchar_t));
    LVITEMW item{};
    item.iSubItem = sub;
    item.cchTextMax = 512;
    item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote.at) + sizeof(LVITEMW));
    ::WriteProcessMemory(process(), remote.at, &item, sizeof(item), nullptr);
    DWORD_PTR n = 0;
    ::SendMessageTimeoutW(list_, LVM_GETITEMTEXTW, row - 1, reinterpret_cast<LPARAM>(remote.at), SMTO_ABORTIFHUNG,
                          5000, &n);
    std::wstring text(n, L'\0');
    ::ReadProcessMemory(process(), item.pszText, text.data(), n * sizeof(wchar_t), nullptr);
    return text;
  }

  int RowOfPid(DWORD pid) const {
    const std::wstring want = std::to_wstring(pid);
    for (int row = 1; row <= RowCount(); ++row)
      if (Cell(row, 1) == want) return row;
    return 0;
  }

  // Selects a row as a click on it would.
  void SelectRow(int row) const {
    Remote remote(process(), sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::WriteProcessMemory(process(), remote.at, &item, sizeof(item), nullptr);
    DWORD_PTR r = 0;
    ::SendMessageTimeoutW(list_, LVM_SETITEMSTATE, row - 1, reinterpret_cast<LPARAM>(remote.at), SMTO_ABORTIFHUNG,
                          5000, &r);
  }

  HWND Button(int id) const { return ::GetDlgItem(main_, id); }

  // Presses 刷新; returns once the list has been filled again.
  bool Refresh() const { return ClickControlAndWait(Button(kCommandRefresh)) && RowCount() > 0; }

  HWND WaitForDialog() const {
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindTopLevel(pid_, L"Tovrel.FormSetProcessCpuPercent")) != nullptr; });
    return dialog;
  }
  HWND WaitForMessageBox() const {
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindTopLevel(pid_, L"#32770")) != nullptr; });
    return box;
  }

  // Opens the dialog for the process's row as a user would; the dialog or null.
  HWND OpenDialogFor(DWORD pid) const {
    const int row = RowOfPid(pid);
    if (row == 0) return nullptr;
    SelectRow(row);
    ClickControl(Button(kCommandLimit));
    return WaitForDialog();
  }

  // Moves the dialog's slider with the keyboard: Home, then Right until the value.
  static void SlideTo(HWND dialog, int value) {
    HWND slider = ::GetDlgItem(dialog, kSliderPercent);
    ::PostMessageW(slider, WM_KEYDOWN, VK_HOME, 0);
    ::PostMessageW(slider, WM_KEYUP, VK_HOME, 0);
    for (int v = 1; v < value; ++v) {
      ::PostMessageW(slider, WM_KEYDOWN, VK_RIGHT, 0);
      ::PostMessageW(slider, WM_KEYUP, VK_RIGHT, 0);
    }
    WaitUntil([&] { return TextOf(::GetDlgItem(dialog, kLabelPercent)) == std::to_wstring(value); });
  }

  // Clicks one of the dialog's buttons; true once the dialog is gone.
  static bool PressAndWaitGone(HWND dialog, int buttonId) {
    ClickControl(::GetDlgItem(dialog, buttonId));
    return WaitUntil([&] { return !::IsWindow(dialog); });
  }

  // The whole user's road: row, 限制, slider, then 确定 (a new limit) or 调整 (a change).
  bool SetLimit(DWORD pid, int percent) const {
    HWND dialog = OpenDialogFor(pid);
    if (!dialog) return false;
    SlideTo(dialog, percent);
    const bool change = ::IsWindowVisible(::GetDlgItem(dialog, kCommandModify)) != FALSE;
    return PressAndWaitGone(dialog, change ? kCommandModify : kCommandOk);
  }
  bool ReleaseLimit(DWORD pid) const {
    HWND dialog = OpenDialogFor(pid);
    return dialog && PressAndWaitGone(dialog, kCommandFree);
  }

 private:
  struct Remote {
    Remote(HANDLE process, std::size_t size)
        : process(process), at(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~Remote() {
      if (at) ::VirtualFreeEx(process, at, 0, MEM_RELEASE);
    }
    HANDLE process;
    void* at;
  };

  void Attach() {
    WaitUntil([&] { return (main_ = FindTopLevel(pid_, L"Tovrel.FormMain")) != nullptr; }, 20000);
    if (!main_) return;
    list_ = ::GetDlgItem(main_, 100);
    WaitUntil([&] { return RowCount() > 0; });
  }

  std::unique_ptr<ChildProcess> started_;
  DWORD pid_ = 0;
  HANDLE attached_ = nullptr;
  HWND main_ = nullptr;
  HWND list_ = nullptr;
};

// Answers a message box by pressing one of its buttons.
inline void PressMessageBoxButton(HWND box, int id) {
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, id)));
}

}  // namespace tovrel::test
