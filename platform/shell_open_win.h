// The shell's "open" of a link. An elevated Tovrel (run as administrator to limit elevated
// programs) asks the desktop's own shell, the user's unelevated explorer, to open it, so that
// the browser does not start with an administrator's rights.
#pragma once

#include <windows.h>

#include <string>

namespace tovrel::win {

// Whether this process runs with an elevated token (an administrator's, past the UAC prompt).
bool IsElevated();

// The desktop shell's ShellExecute of the target, as its own process would run it; false when
// no desktop shell answers (none runs, or COM cannot reach it from this thread).
bool OpenThroughDesktopShell(const std::wstring& target);

enum class LinkOpenedBy { kShellExecute, kDesktopShell };
using DesktopOpen = bool (*)(const std::wstring& target);

// Opens the target: when elevated through the desktop shell, where none answers (and always
// when not elevated) with ShellExecute from this process. Its result is not tested.
LinkOpenedBy OpenLink(HWND owner, const std::wstring& target, bool elevated,
                      DesktopOpen throughDesktop = &OpenThroughDesktopShell);

}  // namespace tovrel::win
