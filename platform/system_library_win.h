// DLLs from the system folder only. Tovrel is run from Downloads, and as administrator: a
// DLL found beside the exe before the system's would run with its rights. The exe imports
// only kernel32 and msvcrt; the other system DLLs it calls are bound at their first call
// (delay-loaded), DLLs it can do without are loaded here.
#pragma once

#include <windows.h>

namespace tovrel::win {

// Every DLL loaded from now on, by us or by a system DLL, comes from the system folder. The
// program's first call, before anything else can load a DLL. True when the system could be
// told so for every later load (Windows 7 without its 2011 update cannot: there only our own
// loads are held to the system folder, by full path).
bool KeepDllSearchToSystemFolder() noexcept;

// A DLL of the system folder, kept loaded for the program's life (callers keep the
// answer); null when it is not there or cannot be loaded.
HMODULE SystemLibrary(const wchar_t* name) noexcept;

// The DLLs the windows need before their first control: false when comctl32, which they
// cannot do without, is not there.
bool LoadWindowLibraries() noexcept;

// A function of such a DLL; null when the DLL or the function is missing.
template <typename Fn>
Fn SystemLibraryFunction(const wchar_t* library, const char* name) {
  const HMODULE loaded = SystemLibrary(library);
  return loaded ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(loaded, name))) : nullptr;
}

}  // namespace tovrel::win
