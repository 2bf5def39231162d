// The process list's cheaper calls against the listing they replace, read literally:
// a toolhelp process snapshot, then a module snapshot of each process walked for the
// first path that contains its executable's name.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "main_window/process_list_win.h"

namespace tovrel {
namespace {

using test::ChildProcess;
using test::ExeDir;
using test::WaitUntil;

std::wstring Trim(const std::wstring& s) {
  const auto first = s.find_first_not_of(L' ');
  if (first == std::wstring::npos) return L"";
  return s.substr(first, s.find_last_not_of(L' ') - first + 1);
}

std::wstring Cased(std::wstring s, bool upper) {
  if (!s.empty()) (upper ? ::CharUpperBuffW : ::CharLowerBuffW)(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

std::vector<RunningProcess> LiteralSnapshot() {
  std::vector<RunningProcess> processes;
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL ok = ::Process32FirstW(snap, &entry); ok; ok = ::Process32NextW(snap, &entry))
    processes.push_back({entry.th32ProcessID, U16(entry.szExeFile)});
  ::CloseHandle(snap);
  return processes;
}

std::u16string LiteralPath(std::uint32_t pid, const std::u16string& exeName) {
  const std::wstring name = Cased(Trim(std::wstring(exeName.begin(), exeName.end())), true);
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  std::u16string result;
  MODULEENTRY32W module{};
  module.dwSize = sizeof(module);
  for (BOOL ok = ::Module32FirstW(snap, &module); ok && !name.empty(); ok = ::Module32NextW(snap, &module)) {
    if (Cased(module.szExePath, true).find(name) != std::wstring::npos) {
      result = U16(Trim(Cased(module.szExePath, false)));
      break;
    }
  }
  if (snap != INVALID_HANDLE_VALUE) ::CloseHandle(snap);
  return result;
}

// What a listing read of one process: its name and, when listed, its path.
struct Seen {
  std::u16string exeName;
  std::u16string path;
};

std::map<std::uint32_t, Seen> PathsOf(const std::vector<RunningProcess>& processes, bool literal) {
  std::map<std::uint32_t, Seen> seen;
  for (const RunningProcess& p : processes) {
    const std::u16string name = U16(Trim(std::wstring(p.exeName.begin(), p.exeName.end())));
    seen[p.id] = {name, literal ? LiteralPath(p.id, name)
                                : GetProcessImagePath(static_cast<std::int32_t>(p.id), name)};
  }
  return seen;
}

// A child that writes a file once it is ready.
struct ReadyChild {
  ReadyChild(const std::wstring& exe, const std::wstring& mode)
      : file(NoFile(ExeDir() + L"ready-" + mode + L".txt")),
        child(L"\"" + ExeDir() + exe + L"\" " + mode + L" \"" + file + L"\"") {}
  static std::wstring NoFile(const std::wstring& path) {
    ::DeleteFileW(path.c_str());
    return path;
  }
  bool WaitReady() const {
    return WaitUntil([&] { return ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; });
  }
  std::wstring file;
  ChildProcess child;
};

TEST(ProcessList, TheCheaperCallsListWhatTheLiteralListingListed) {
  ChildProcess plain(L"\"" + ExeDir() + L"idle_child.exe\"");
  ChildProcess suspended(L"\"" + ExeDir() + L"idle_child.exe\"", CREATE_SUSPENDED);
  ReadyChild hidden(L"masked_child.exe", L"hide");
  ReadyChild renamed(L"masked_child.exe", L"rename");
  ChildProcess ending(L"\"" + ExeDir() + L"idle_child.exe\"");
  // Executable paths as long as a module record keeps, and longer: cut inside the name.
  ReadyChild longest(L"masked_child.exe", L"long259");
  ReadyChild tooLong(L"masked_child.exe", L"long260");
  for (const ChildProcess* c : {&plain, &suspended, &ending}) ASSERT_TRUE(c->started());
  for (const ReadyChild* c : {&hidden, &renamed, &longest, &tooLong}) ASSERT_TRUE(c->WaitReady());
  ASSERT_TRUE(WaitUntil([&] { return !GetProcessImagePath(static_cast<std::int32_t>(plain.pid()), u"idle_child.exe").empty(); }));
  ASSERT_TRUE(WaitUntil([&] { return !GetProcessImagePath(static_cast<std::int32_t>(ending.pid()), u"idle_child.exe").empty(); }));

  // Both lists are taken while every child runs; one child ends before its modules are read.
  const std::vector<RunningProcess> literalList = LiteralSnapshot();
  const ProcessSnapshot snapshot = TakeProcessSnapshot();
  ::TerminateProcess(ending.process(), 0);
  ASSERT_EQ(::WaitForSingleObject(ending.process(), 10000), WAIT_OBJECT_0);
  const std::map<std::uint32_t, Seen> literal = PathsOf(literalList, true);
  const std::map<std::uint32_t, Seen> cheaper = PathsOf(snapshot.processes, false);

  // The same processes in the same order, with the same names, paths and presence.
  std::vector<std::uint32_t> literalOrder, cheaperOrder;
  for (const RunningProcess& p : literalList)
    if (cheaper.count(p.id)) literalOrder.push_back(p.id);
  for (const RunningProcess& p : snapshot.processes)
    if (literal.count(p.id)) cheaperOrder.push_back(p.id);
  EXPECT_EQ(cheaperOrder, literalOrder);
  EXPECT_GT(cheaperOrder.size(), 6u);
  for (const auto& [pid, seen] : cheaper) {
    const auto other = literal.find(pid);
    if (other == literal.end()) continue;
    EXPECT_EQ(seen.exeName, other->second.exeName) << "process " << pid;
    EXPECT_EQ(seen.path, other->second.path) << "process " << pid;
  }

  // Each hard case was in both lists, and came out as it must.
  auto pathOf = [&](DWORD pid) {
    EXPECT_TRUE(literal.count(pid) && cheaper.count(pid)) << "process " << pid << " missing from a list";
    return cheaper.count(pid) ? cheaper.at(pid).path : u"?";
  };
  const std::u16string plainPath = pathOf(plain.pid());
  ASSERT_GT(plainPath.size(), 14u);
  EXPECT_EQ(plainPath.substr(plainPath.size() - 14), u"idle_child.exe");
  EXPECT_EQ(pathOf(suspended.pid()), u"") << "a process without loader data yet";
  EXPECT_EQ(pathOf(hidden.child.pid()), u"") << "a process whose modules cannot be read";
  EXPECT_EQ(pathOf(renamed.child.pid()), u"c:\\windows\\masked_child.exe.local\\ntdll.dll");
  EXPECT_EQ(pathOf(ending.pid()), u"") << "a process that ended before its modules were read";
  const std::u16string cut = pathOf(longest.child.pid());
  EXPECT_EQ(cut.size(), 259u);
  EXPECT_EQ(cut.substr(cut.size() < 17 ? 0 : cut.size() - 17), u"\\masked_child.exe");
  EXPECT_EQ(pathOf(tooLong.child.pid()), u"") << "a path cut inside the executable's name";
}

}  // namespace
}  // namespace tovrel
