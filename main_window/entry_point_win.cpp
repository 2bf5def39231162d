// Tovrel.exe: FormMain is the start-up window.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "main_window/form_main_win.h"
#include "platform/controls_win.h"
#include "platform/message_loop_win.h"
#include "platform/system_library_win.h"
#include "resources/texts.h"
#include "throttling/exit_safety_win.h"
#include "throttling/guard_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  // First, in the window and in the guard alike: nothing beside the exe may load.
  tovrel::win::KeepDllSearchToSystemFolder();
  if (const int code = tovrel::RunGuardIfAsked(); code >= 0) return code;
  if (!tovrel::win::LoadWindowLibraries()) {
    tovrel::win::ShowMessage(nullptr, tovrel::kNoCommonControls, tovrel::kProductName, MB_OK | MB_ICONERROR);
    return 1;
  }
  tovrel::InstallExitSafety();
  // Started before any limit exists; the schedule starts another if this one is killed.
  tovrel::TheGuard().EnsureRunning();
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  ::OleInitialize(nullptr);
  tovrel::FormMain form(&tovrel::TheGuard());
  form.Load();
  form.Show(showCommand);
  const int code = tovrel::win::RunMessageLoop();
  tovrel::EndProgramNow(static_cast<unsigned>(code));
}
