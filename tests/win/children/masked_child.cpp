// An idle process whose loader data says something else than its files do, so another
// process reading its modules meets the hard cases on purpose:
//   "hide"    no loader data at all: nobody can read its modules;
//   "rename"  its executable's module path no longer has its name and ntdll's path has it,
//             so the first module whose path has the name is not the first module;
//   "longN"   its executable's module path is N characters long, its name at the end.
// Writes "ready" to the file given second once the change is made, then sleeps.
#include <windows.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

wchar_t g_renamedExe[] = L"C:\\elsewhere\\renamed.bin";
std::wstring g_longExe;
wchar_t g_namedNtdll[] = L"C:\\windows\\masked_child.exe.local\\ntdll.dll";

LDR_DATA_TABLE_ENTRY* EntryOf(PEB_LDR_DATA* ldr, HMODULE module) {
  LIST_ENTRY* head = &ldr->InMemoryOrderModuleList;
  for (LIST_ENTRY* link = head->Flink; link != head; link = link->Flink) {
    auto* entry = CONTAINING_RECORD(link, LDR_DATA_TABLE_ENTRY, InMemoryOrderLinks);
    if (entry->DllBase == module) return entry;
  }
  return nullptr;
}

void SetPath(LDR_DATA_TABLE_ENTRY* entry, wchar_t* path) {
  const auto bytes = static_cast<USHORT>(std::wcslen(path) * sizeof(wchar_t));
  entry->FullDllName.Buffer = path;
  entry->FullDllName.Length = bytes;
  entry->FullDllName.MaximumLength = static_cast<USHORT>(bytes + sizeof(wchar_t));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  using QueryFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  if (!query || query(::GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0) return 3;
  PEB* peb = basic.PebBaseAddress;
  if (std::wcscmp(argv[1], L"hide") == 0) {
    peb->Ldr = nullptr;
  } else if (std::wcscmp(argv[1], L"rename") == 0) {
    LDR_DATA_TABLE_ENTRY* exe = EntryOf(peb->Ldr, ::GetModuleHandleW(nullptr));
    LDR_DATA_TABLE_ENTRY* ntdll = EntryOf(peb->Ldr, ::GetModuleHandleW(L"ntdll.dll"));
    if (!exe || !ntdll) return 3;
    SetPath(exe, g_renamedExe);
    SetPath(ntdll, g_namedNtdll);
  } else if (std::wcsncmp(argv[1], L"long", 4) == 0) {
    LDR_DATA_TABLE_ENTRY* exe = EntryOf(peb->Ldr, ::GetModuleHandleW(nullptr));
    const std::wstring name = L"\\masked_child.exe";
    const std::size_t length = std::wcstoul(argv[1] + 4, nullptr, 10);
    if (!exe || length < name.size() + 3) return 3;
    g_longExe = L"C:\\" + std::wstring(length - 3 - name.size(), L'd') + name;
    SetPath(exe, g_longExe.data());
  } else {
    return 2;
  }
  if (FILE* f = _wfopen(argv[2], L"w")) {
    std::fputs("ready\n", f);
    std::fclose(f);
  }
  ::Sleep(INFINITE);
  return 0;
}
