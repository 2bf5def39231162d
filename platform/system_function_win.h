// A system function looked up at run time: one that older Windows lacks (Tovrel must start
// on Windows 7) or that no import library offers.
#pragma once

#include <windows.h>

namespace tovrel::win {

// Null when the module or the function is not there.
template <typename Fn>
Fn SystemFunction(const wchar_t* module, const char* name) {
  const HMODULE loaded = ::GetModuleHandleW(module);
  return loaded ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(loaded, name))) : nullptr;
}

}  // namespace tovrel::win
