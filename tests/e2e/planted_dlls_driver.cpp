// Started by planted_dlls_test.sh, never by CTest itself: drives the copy of Tovrel.exe
// named by TOVREL_PLANTED_EXE, which lies in a folder of DLLs planted beside it, through a
// limit of a busy child and back, and checks that it works and that no module of that
// folder but the exe is loaded in it or its guard.
// Prints the two process ids as Wine's debug output spells them, for the script to read
// Wine's loader trace by.
#include <gtest/gtest.h>

#include <oleacc.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

#include "../win/accessible_reader.h"
#include "limit_dialog/form_set_percent_win.h"
#include "main_window/form_main_win.h"
#include "main_window/process_list_win.h"
#include "tovrel_driver.h"

namespace tovrel {
namespace {

using namespace test;

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/") + 1); }

// Every module of the process whose file lies in the folder, the exe left out.
std::vector<std::wstring> ModulesFrom(DWORD pid, const std::wstring& folder, const std::wstring& exe) {
  std::vector<std::wstring> found;
  HANDLE snap = INVALID_HANDLE_VALUE;
  // A snapshot of a process still starting can fail for a moment.
  WaitUntil([&] {
    snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    return snap != INVALID_HANDLE_VALUE;
  });
  if (snap == INVALID_HANDLE_VALUE) return {L"<no module snapshot of process " + std::to_wstring(pid) + L">"};
  MODULEENTRY32W entry{sizeof(entry)};
  for (BOOL more = ::Module32FirstW(snap, &entry); more; more = ::Module32NextW(snap, &entry)) {
    const std::wstring path = Lower(entry.szExePath);
    if (FolderOf(path) == folder && path != exe) found.push_back(entry.szExePath);
  }
  ::CloseHandle(snap);
  return found;
}

std::wstring W(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

TEST(PlantedDlls, TovrelWorksAndNothingBesideItIsLoaded) {
  wchar_t exe[MAX_PATH] = {};
  ASSERT_GT(::GetEnvironmentVariableW(L"TOVREL_PLANTED_EXE", exe, MAX_PATH), 0u)
      << "TOVREL_PLANTED_EXE names the Tovrel.exe to drive";
  ::CoInitialize(nullptr);  // reading the window as a screen reader does
  // A busy child to limit: a hold is what loads the fine timer.
  ChildProcess child(L"\"" + ExeDir() + L"busy_child.exe\" 1");
  ASSERT_TRUE(WaitUntil([&] {
    return !GetProcessImagePath(static_cast<std::int32_t>(child.pid()), u"busy_child.exe").empty();
  })) << "the busy child never started";
  TovrelApp app(exe);
  ASSERT_NE(app.main(), nullptr) << "Tovrel's window never came";
  std::vector<DWORD> guards;
  ASSERT_TRUE(WaitUntil([&] { return (guards = ChildrenOf(app.pid())).size() == 1; })) << "no guard";
  std::printf("planted-pids: %04lx %04lx\n", app.pid(), guards[0]);
  std::fflush(stdout);

  // The window works: the list is filled, 限制 opens the dialog, 刷新 is read as a button.
  EXPECT_GT(app.RowCount(), 0);
  HWND dialog = app.OpenDialogFor(::GetCurrentProcessId());
  ASSERT_NE(dialog, nullptr) << "限制 opened no dialog";
  EXPECT_TRUE(TovrelApp::PressAndWaitGone(dialog, kCommandCancel));
  ASSERT_TRUE(app.SetLimit(child.pid(), 50));
  EXPECT_EQ(app.Cell(app.RowOfPid(child.pid()), 3), L"50%");
  EXPECT_TRUE(WaitUntil([&] { return !AllThreadsRunning(child.pid()); })) << "the limit never held the child";
  ASSERT_TRUE(app.ReleaseLimit(child.pid()));
  const AccessibleReading refresh = AccessibleOf(app.Button(kCommandRefresh)).Read();
  EXPECT_EQ(refresh.role, ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_EQ(refresh.name, W(kRefreshCaption));
  EXPECT_TRUE(app.Refresh());

  const std::wstring path = Lower(exe);
  for (DWORD pid : {app.pid(), guards[0]})
    for (const std::wstring& module : ModulesFrom(pid, FolderOf(path), path))
      ADD_FAILURE() << "process " << pid << " loaded " << std::string(module.begin(), module.end());

  ::PostMessageW(app.main(), WM_CLOSE, 0, 0);
  HWND box = app.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  PressMessageBoxButton(box, IDYES);
  EXPECT_EQ(::WaitForSingleObject(app.process(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  HANDLE guard = ::OpenProcess(SYNCHRONIZE, FALSE, guards[0]);
  if (guard) {
    EXPECT_EQ(::WaitForSingleObject(guard, 10000), static_cast<DWORD>(WAIT_OBJECT_0)) << "the guard stays behind";
    ::CloseHandle(guard);
  }
}

}  // namespace
}  // namespace tovrel
