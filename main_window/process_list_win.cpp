#include "main_window/process_list_win.h"

#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <optional>

#include "limit_dialog/process_rows.h"
#include "platform/handles_win.h"
#include "platform/system_function_win.h"
#include "throttling/limited_process_win.h"

namespace tovrel {

namespace {

// What a toolhelp record keeps of a name or path (MAX_PATH characters with the NUL).
constexpr std::size_t kRecordCut = MAX_PATH - 1;

std::wstring Trim(std::wstring s) {
  const auto first = s.find_first_not_of(L' ');
  if (first == std::wstring::npos) return L"";
  const auto last = s.find_last_not_of(L' ');
  return s.substr(first, last - first + 1);
}

std::wstring Upper(std::wstring s) {
  if (!s.empty()) ::CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

std::wstring Lower(std::wstring s) {
  if (!s.empty()) ::CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

// Text as a toolhelp record holds it: up to the first NUL, at most kRecordCut characters.
std::wstring RecordText(const wchar_t* text, std::size_t length) {
  std::wstring s(text, std::min(length, kRecordCut));
  return s.substr(0, s.find(L'\0'));
}

// The executable's path as the first record of a module snapshot gives it, read alone;
// nothing when it cannot be read (no loader data yet, the process is ending).
std::optional<std::wstring> FirstModulePath(HANDLE process) {
  // Its K32 name is in kernel32 from Windows 7 on; psapi stays out of the imports.
  using GetModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
  static const auto getModuleFileNameEx =
      win::SystemFunction<GetModuleFileNameExFn>(L"kernel32.dll", "K32GetModuleFileNameExW");
  if (!getModuleFileNameEx) return std::nullopt;
  wchar_t path[kRecordCut + 2];  // longer than the cut, so a cut path still fills it
  const DWORD length = getModuleFileNameEx(process, nullptr, path, static_cast<DWORD>(std::size(path)));
  if (length == 0) return std::nullopt;
  return RecordText(path, length);
}

// The path of the first module in a module snapshot whose path contains the name.
std::optional<std::wstring> WalkModules(std::int32_t processId, const std::wstring& upperName) {
  win::UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, static_cast<DWORD>(processId)));
  if (!snapshot) return std::nullopt;
  MODULEENTRY32W module{};
  module.dwSize = sizeof(module);
  for (BOOL ok = ::Module32FirstW(snapshot.get(), &module); ok; ok = ::Module32NextW(snapshot.get(), &module)) {
    std::wstring path(module.szExePath);
    if (Upper(path).find(upperName) != std::wstring::npos) return path;
  }
  return std::nullopt;
}

}  // namespace

ProcessSnapshot TakeProcessSnapshot() {
  // The call a toolhelp process snapshot is made from, in the same order, without
  // copying the list into a section and mapping it once per record.
  using QueryFn = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
  static const auto query = win::SystemFunction<QueryFn>(L"ntdll.dll", "NtQuerySystemInformation");
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  ProcessSnapshot snapshot;
  std::vector<std::uint64_t> buffer(1 << 15);  // 256 KiB, 8-byte aligned; holds a few hundred processes
  LONG status = kInfoLengthMismatch;
  while (query) {
    ULONG needed = 0;
    status = query(SystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(buffer[0])),
                   &needed);
    if (status != kInfoLengthMismatch) break;
    buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed / sizeof(buffer[0]) + 1024));
  }
  snapshot.takenAt = SystemTimeNow();
  if (!query || status < 0) return snapshot;
  const auto* at = reinterpret_cast<const std::uint8_t*>(buffer.data());
  for (;;) {
    const auto* info = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(at);
    const std::wstring name =
        info->ImageName.Buffer ? RecordText(info->ImageName.Buffer, info->ImageName.Length / sizeof(wchar_t)) : L"";
    snapshot.processes.push_back({static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(info->UniqueProcessId)),
                                  win::U16(name), static_cast<std::uint64_t>(info->CreateTime.QuadPart)});
    if (info->NextEntryOffset == 0) break;
    at += info->NextEntryOffset;
  }
  return snapshot;
}

std::u16string GetProcessImagePath(std::int32_t processId, const std::u16string& exeName) {
  const std::wstring name = Upper(Trim(win::Wide(exeName)));
  if (name.empty()) return u"";
  // A module snapshot opens the process with these rights: one it cannot open has no
  // modules to read.
  win::UniqueHandle process(
      ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, static_cast<DWORD>(processId)));
  if (!process) return u"";
  std::optional<std::wstring> path = FirstModulePath(process.get());
  if (!path || Upper(*path).find(name) == std::wstring::npos) path = WalkModules(processId, name);
  return path ? win::U16(Lower(Trim(*path))) : u"";
}

void RowIconFill::Restart(std::vector<std::u16string> paths) {
  paths_ = std::move(paths);
  pending_.clear();
  next_ = 0;
  std::vector<win::KeyedImageList::Item> items;
  for (std::size_t i = 0; i < paths_.size(); ++i) {
    items.push_back({KeyOf(static_cast<int>(i) + 1), paths_[i]});
    if (!icons_.Knows(paths_[i]) && !images_.HasSource(paths_[i])) pending_.push_back(i);
  }
  // The rows whose icons are known now; the others have none until theirs are made.
  const std::vector<int> indexes = images_.Refill(items, [this](const std::u16string& path) {
    return icons_.Knows(path) ? icons_.SmallIcon(path) : nullptr;
  });
  inRowOrder_ = true;
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    if (indexes[i] < 0) continue;
    list_.SetRowImage(static_cast<int>(i) + 1, indexes[i]);
    inRowOrder_ = false;
  }
}

std::u16string RowIconFill::KeyOf(int row) { return std::u16string(u"P").append(DecimalText(row + 1)); }

void RowIconFill::AddAll() {
  std::vector<win::KeyedImageList::Item> items;
  for (std::size_t i = 0; i < paths_.size(); ++i) items.push_back({KeyOf(static_cast<int>(i) + 1), paths_[i]});
  const std::vector<int> indexes = images_.Refill(items, [this](const std::u16string& path) {
    return icons_.SmallIcon(path);
  });
  // A row whose icon cannot be made is still listed, without an icon.
  for (std::size_t i = 0; i < indexes.size(); ++i)
    if (indexes[i] >= 0) list_.SetRowImage(static_cast<int>(i) + 1, indexes[i]);
  next_ = pending_.size();
}

void RowIconFill::AddNext() {
  const std::size_t i = pending_[next_++];
  const int row = static_cast<int>(i) + 1;
  // Shown at once, after the images already there; the last puts them in row order.
  const int index = images_.Add(KeyOf(row), icons_.SmallIcon(paths_[i]), paths_[i]);
  if (index >= 0) list_.SetRowImage(row, index);
  if (Done() && !inRowOrder_) AddAll();
}

std::uint64_t ListProcesses(win::ListView& list, win::KeyedImageList& images, RowIconFill& icons,
                            ProcessPaths& paths) {
  list.Clear();
  list.SetSmallImageList(nullptr);
  const ProcessSnapshot snapshot = TakeProcessSnapshot();
  std::vector<ProcessPaths::Process> processes;
  processes.reserve(snapshot.processes.size());
  for (const RunningProcess& process : snapshot.processes)
    processes.push_back({process.id, process.createdAt, win::U16(Trim(win::Wide(process.exeName)))});
  const std::vector<std::u16string> found =
      paths.Refresh(processes, [](std::uint32_t id, const std::u16string& exeName) {
        return GetProcessImagePath(static_cast<std::int32_t>(id), exeName);
      });
  std::vector<std::u16string> rowPaths;
  for (std::size_t i = 0; i < processes.size(); ++i) {
    if (found[i].empty()) continue;
    const int row = list.AddRow(DecimalText(list.Count() + 1));
    list.SetSubItem(row, kSubPid, DecimalText(processes[i].id));
    list.SetSubItem(row, kSubExeName, processes[i].exeName);
    rowPaths.push_back(found[i]);
  }
  // Once for the whole list: attaching it again for every row changes nothing it shows.
  if (!rowPaths.empty()) list.SetSmallImageList(images.handle());
  list.SelectFirstAfterRefill();
  icons.Restart(std::move(rowPaths));
  return snapshot.takenAt;
}

}  // namespace tovrel
