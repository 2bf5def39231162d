// For the README's picture of the main window, from a Tovrel.exe started on its own:
// limits the process of the given name through the dialog, as a user would, then prints
// where the 刷新 button's middle and the window are on the screen ("x y left top right
// bottom"), so that a click there once this program has ended lists the processes
// without it.
// Usage: readme_picture.exe LIMITED.exe PERCENT
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/e2e/tovrel_driver.h"

namespace {

using namespace tovrel::test;

DWORD TovrelWindowsProcess() {
  HWND main = nullptr;
  WaitUntil([&] { return (main = ::FindWindowW(L"Tovrel.FormMain", nullptr)) != nullptr; }, 30000);
  DWORD pid = 0;
  if (main) ::GetWindowThreadProcessId(main, &pid);
  return pid;
}

int Run(const wchar_t* limitedName, int percent) {
  std::vector<DWORD> limited;
  if (!WaitUntil([&] { return !(limited = ProcessIdsNamed(limitedName)).empty(); })) return 2;
  const DWORD tovrel = TovrelWindowsProcess();
  if (!tovrel) return 3;
  TovrelApp app(TovrelApp::Running{tovrel});
  if (!app.main() || !app.RowOfPid(limited[0]) || !app.SetLimit(limited[0], percent)) return 4;
  RECT button{}, window{};
  ::GetWindowRect(app.Button(tovrel::kCommandRefresh), &button);
  ::GetWindowRect(app.main(), &window);
  std::printf("%ld %ld %ld %ld %ld %ld\n", (button.left + button.right) / 2, (button.top + button.bottom) / 2,
              window.left, window.top, window.right, window.bottom);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 1;
  return Run(argv[1], _wtoi(argv[2]));
}
