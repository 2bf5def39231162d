#include "platform/system_library_win.h"

#include <string>

#include "platform/system_function_win.h"

namespace tovrel::win {

namespace {

// Set once, by the program's first call; read by every load after it.
bool g_searchKeptToSystem = false;

std::wstring SystemFolderPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return L"";
  std::wstring path(folder, n);
  if (path.back() != L'\\') path += L'\\';
  return path + name;
}

// A DLL that the manifest names (comctl32 6) comes from its side-by-side assembly, by name.
bool NamedByTheManifest(const wchar_t* name) {
  ACTCTX_SECTION_KEYED_DATA data{sizeof(data)};
  return ::FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, name, &data) != FALSE;
}

}  // namespace

bool KeepDllSearchToSystemFolder() noexcept {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  // kernel32 is mapped before any code of ours runs; this loads nothing.
  const auto setDefault = SystemFunction<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories");
  g_searchKeptToSystem = setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Without it, at least the current folder leaves the search.
  if (!g_searchKeptToSystem) ::SetDllDirectoryW(L"");
  return g_searchKeptToSystem;
}

HMODULE SystemLibrary(const wchar_t* name) noexcept {
  if (g_searchKeptToSystem) return ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (NamedByTheManifest(name)) return ::LoadLibraryW(name);
  // The full path, and what that DLL imports looked for beside it first.
  const std::wstring path = SystemFolderPath(name);
  return path.empty() ? nullptr : ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool LoadWindowLibraries() noexcept {
  // Wine's own DLLs bind their delay imports through the search the process started with,
  // whatever it was told since; loaded first, from the system folder, these are found loaded
  // (msimg32: uxtheme's, once comctl32 draws).
  SystemLibrary(L"msimg32.dll");
  return SystemLibrary(L"comctl32.dll") != nullptr;
}

}  // namespace tovrel::win
