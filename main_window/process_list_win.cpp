#include "main_window/process_list_win.h"

#include <windows.h>
#include <tlhelp32.h>

#include "main_window/file_icon_win.h"
#include "limit_dialog/process_rows.h"
#include "platform/handles_win.h"
#include "throttling/limited_process_win.h"

namespace tovrel {

namespace {

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

}  // namespace

std::u16string GetProcessImagePath(std::int32_t processId, const std::u16string& exeName) {
  const std::wstring name = Upper(Trim(std::wstring(exeName.begin(), exeName.end())));
  win::UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, static_cast<DWORD>(processId)));
  if (!snapshot || name.empty()) return u"";
  MODULEENTRY32W module{};
  module.dwSize = sizeof(module);
  for (BOOL ok = ::Module32FirstW(snapshot.get(), &module); ok; ok = ::Module32NextW(snapshot.get(), &module)) {
    const std::wstring path(module.szExePath);
    if (Upper(path).find(name) != std::wstring::npos) return win::U16(Lower(Trim(path)));
  }
  return u"";
}

std::uint64_t ListProcesses(win::ListView& list, win::KeyedImageList& images) {
  list.Clear();
  list.SetSmallImageList(nullptr);
  images.Clear();
  win::UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  // Every process the snapshot holds was created by now.
  const std::uint64_t listedAt = SystemTimeNow();
  if (!snapshot) return listedAt;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL ok = ::Process32FirstW(snapshot.get(), &entry); ok; ok = ::Process32NextW(snapshot.get(), &entry)) {
    const std::u16string exeName = win::U16(Trim(entry.szExeFile));
    const std::u16string path = GetProcessImagePath(static_cast<std::int32_t>(entry.th32ProcessID), exeName);
    if (path.empty()) continue;
    const int row = list.AddRow(DecimalText(list.Count() + 1));
    list.SetSubItem(row, kSubPid, DecimalText(entry.th32ProcessID));
    list.SetSubItem(row, kSubExeName, exeName);
    const std::u16string key = u"P" + DecimalText(list.Count() + 1);
    // A row whose icon cannot be made is still listed, without an icon.
    Picture icon = GetFileIcon(path, true);
    const int image = images.Add(key, icon.icon());
    list.SetSmallImageList(images.handle());
    if (image >= 0) list.SetRowImage(row, images.Find(key));  // the row refers to its image by key
  }
  list.SelectFirstAfterRefill();
  return listedAt;
}

}  // namespace tovrel
