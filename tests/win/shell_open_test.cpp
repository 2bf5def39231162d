#include "platform/shell_open_win.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <tlhelp32.h>

#include <algorithm>
#include <vector>

#include "child_process.h"

namespace tovrel {
namespace {

using namespace test;

DWORD ParentOf(DWORD pid) {
  DWORD parent = 0;
  ProcessesWhere([&](const PROCESSENTRY32W& e) {
    if (e.th32ProcessID == pid) parent = e.th32ParentProcessID;
    return false;
  });
  return parent;
}

// Idle children started since the list was taken.
std::vector<DWORD> StartedSince(const std::vector<DWORD>& before) {
  std::vector<DWORD> started;
  for (DWORD pid : ProcessIdsNamed(L"idle_child.exe"))
    if (std::find(before.begin(), before.end(), pid) == before.end()) started.push_back(pid);
  return started;
}

void End(DWORD pid) {
  if (HANDLE child = ::OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
    ::TerminateProcess(child, 0);
    ::CloseHandle(child);
  }
}

// Opens an idle child as a link would open a page; the parent of the child that starts, or 0
// when none has (ShellExecute of an exe has started it by the time it returns; another
// process's shell may take a moment).
template <typename Open>
DWORD ParentOfWhatOpens(Open open, bool mayTakeAMoment = false) {
  const std::vector<DWORD> before = ProcessIdsNamed(L"idle_child.exe");
  open(ExeDir() + L"idle_child.exe");
  std::vector<DWORD> started = StartedSince(before);
  if (mayTakeAMoment) WaitUntil([&] { return !(started = StartedSince(before)).empty(); });
  if (started.empty()) return 0;
  const DWORD parent = ParentOf(started[0]);
  for (DWORD pid : started) End(pid);
  return started.size() == 1 ? parent : 0;
}

std::wstring g_askedOfTheDesktop;
bool DesktopAnswers(const std::wstring& target) {
  g_askedOfTheDesktop = target;
  return true;
}
bool NoDesktopAnswers(const std::wstring& target) {
  g_askedOfTheDesktop = target;
  return false;
}

// Elevated, the desktop shell is asked first, and Tovrel starts nothing itself when it answers;
// where none answers, and whenever Tovrel is not elevated, Tovrel starts the target itself.
TEST(OpenLink, ElevatedTheDesktopShellIsAskedFirstElseTovrelOpensItItself) {
  const DWORD self = ::GetCurrentProcessId();
  const std::wstring target = ExeDir() + L"idle_child.exe";
  win::LinkOpenedBy way{};

  g_askedOfTheDesktop.clear();
  EXPECT_EQ(ParentOfWhatOpens([&](const std::wstring& t) { way = win::OpenLink(nullptr, t, true, &DesktopAnswers); }),
            0u) << "Tovrel started the target although the desktop shell took it";
  EXPECT_EQ(way, win::LinkOpenedBy::kDesktopShell);
  EXPECT_EQ(g_askedOfTheDesktop, target);

  g_askedOfTheDesktop.clear();
  EXPECT_EQ(ParentOfWhatOpens([&](const std::wstring& t) { way = win::OpenLink(nullptr, t, true, &NoDesktopAnswers); }),
            self);
  EXPECT_EQ(way, win::LinkOpenedBy::kShellExecute);
  EXPECT_EQ(g_askedOfTheDesktop, target);

  g_askedOfTheDesktop.clear();
  EXPECT_EQ(ParentOfWhatOpens([&](const std::wstring& t) { way = win::OpenLink(nullptr, t, false, &DesktopAnswers); }),
            self);
  EXPECT_EQ(way, win::LinkOpenedBy::kShellExecute);
  EXPECT_TRUE(g_askedOfTheDesktop.empty()) << "an unelevated Tovrel asked the desktop shell";
}

// The real desktop shell: what the link opens starts either way, and its parent says which way
// was taken, the desktop's explorer or Tovrel. (Wine 8's explorer registers the desktop's
// ShellWindows but does not answer calls on it, so there it is Tovrel.)
TEST(OpenLink, WhatTheDesktopShellOpensIsStartedByIt) {
  // Under Wine the desktop's explorer starts with the first window work of the session.
  ::GetDesktopWindow();
  std::vector<DWORD> explorers;
  ASSERT_TRUE(WaitUntil([&] { return !(explorers = ProcessIdsNamed(L"explorer.exe")).empty(); }))
      << "no desktop shell runs";
  ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
  win::LinkOpenedBy way{};
  const DWORD parent =
      ParentOfWhatOpens([&](const std::wstring& t) { way = win::OpenLink(nullptr, t, true); }, true);
  ::OleUninitialize();
  ASSERT_NE(parent, 0u) << "nothing started";
  if (way == win::LinkOpenedBy::kDesktopShell) {
    EXPECT_NE(std::find(explorers.begin(), explorers.end(), parent), explorers.end())
        << "started by process " << parent << ", not the desktop shell";
  } else {
    EXPECT_EQ(parent, ::GetCurrentProcessId());
  }
}

}  // namespace
}  // namespace tovrel
