// Counts of the objects a long run must not leak, made to work under Wine, whose
// GetGuiResources and GetProcessHandleCount answer 0 whatever is open.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tovrel::test {

// Kernel handles open in this process, found by probing handle values (Wine's
// GetProcessHandleCount and GetGuiResources answer 0 whatever is open).
inline std::vector<ULONG_PTR> OpenHandleValues() {
  std::vector<ULONG_PTR> values;
  for (ULONG_PTR value = 4; value < 0x4000; value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) values.push_back(value);
  }
  return values;
}

inline int CountOpenHandles() { return static_cast<int>(OpenHandleValues().size()); }

// The handles open now that were not open at `before`, counted by the kind of object
// they name ("12 Thread, 1 Event"): what a failed count says it found.
inline std::string HandlesOpenedSince(const std::vector<ULONG_PTR>& before) {
  using QueryObjectFn = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);
  static const auto query = reinterpret_cast<QueryObjectFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
  std::map<std::wstring, int> kinds;
  for (ULONG_PTR value : OpenHandleValues()) {
    if (std::find(before.begin(), before.end(), value) != before.end()) continue;
    alignas(8) std::uint8_t info[512] = {};
    const auto* type = reinterpret_cast<const PUBLIC_OBJECT_TYPE_INFORMATION*>(info);
    const bool named = query && query(reinterpret_cast<HANDLE>(value), ObjectTypeInformation, info, sizeof(info),
                                      nullptr) >= 0;
    ++kinds[named ? std::wstring(type->TypeName.Buffer, type->TypeName.Length / sizeof(wchar_t)) : L"?"];
  }
  std::string text;
  for (const auto& [kind, n] : kinds)
    text += (text.empty() ? "" : ", ") + std::to_string(n) + " " + std::string(kind.begin(), kind.end());
  return text.empty() ? "no new handles" : "new handles: " + text;
}

// Kernel handles open in another process, found by duplicating each handle value out
// of it (the process handle needs PROCESS_DUP_HANDLE).
inline int CountHandlesIn(HANDLE process) {
  int n = 0;
  for (ULONG_PTR value = 4; value < 0x4000; value += 4) {
    HANDLE copy = nullptr;
    if (::DuplicateHandle(process, reinterpret_cast<HANDLE>(value), ::GetCurrentProcess(), &copy, 0, FALSE,
                          DUPLICATE_SAME_ACCESS)) {
      ++n;
      ::CloseHandle(copy);
    }
  }
  return n;
}

// Live GDI objects of this process. Wine's GetGuiResources is a stub that answers 0, so
// there the count comes from the GDI handle table the PEB points to (x64 offset 0xF8):
// Wine keeps one table per process, and an entry with a type is a live object.
inline std::size_t LiveGdiObjects() {
  if (const DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) return n;
  struct Entry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type, flags;
    std::uint64_t user;
  };
  static_assert(sizeof(Entry) == 24);
  using QueryProcess = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<QueryProcess>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  if (!query || query(::GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0) return 0;
  const auto* table = *reinterpret_cast<const Entry* const*>(reinterpret_cast<const std::uint8_t*>(basic.PebBaseAddress) + 0xF8);
  std::size_t live = 0;
  for (std::size_t i = 0; table && i < 0x10000; ++i) live += table[i].type != 0;
  return live;
}

// Live USER objects of this process: its windows, menus, icons and cursors. Wine gives
// every USER object a 16-bit handle index and takes a bare index as the full handle,
// so probing each index finds them all; windows are kept to those of this process.
inline std::size_t LiveUserObjects() {
  if (const DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS)) return n;
  const DWORD self = ::GetCurrentProcessId();
  std::size_t live = 0;
  for (ULONG_PTR index = 0x20; index < 0x10000; index += 2) {
    const auto handle = reinterpret_cast<HANDLE>(index);
    DWORD owner = 0;
    if (::IsWindow(static_cast<HWND>(handle))) {
      ::GetWindowThreadProcessId(static_cast<HWND>(handle), &owner);
      live += owner == self ? 1 : 0;
      continue;
    }
    if (::IsMenu(static_cast<HMENU>(handle))) {
      ++live;
      continue;
    }
    ICONINFO icon{};
    if (::GetIconInfo(static_cast<HICON>(handle), &icon)) {
      ++live;
      if (icon.hbmColor) ::DeleteObject(icon.hbmColor);
      if (icon.hbmMask) ::DeleteObject(icon.hbmMask);
    }
  }
  return live;
}

}  // namespace tovrel::test
