// The stack protector's guard and the failure ends of it and of _FORTIFY_SOURCE, in place of
// libssp's: libssp sets its guard with CryptGenRandom before main, and that loads rsaenh and
// through it bcrypt and crypt32 while the DLL search still includes the exe's folder.
#include <windows.h>

#include <cstdint>

extern "C" {

// Read by every protected function; set before any of them runs (below).
void* __stack_chk_guard = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x2B992DDFA232ull));

// A smashed frame or an overrun buffer: nothing more of this process may run. Held processes
// are resumed by the guard, which sees Tovrel end.
[[noreturn]] void __stack_chk_fail() {
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(STATUS_STACK_BUFFER_OVERRUN));
  __builtin_unreachable();
}
[[noreturn]] void __chk_fail() { __stack_chk_fail(); }

}  // extern "C"

namespace {

// Before the program's other constructors, while no protected frame is live; the sources are
// those of the MSVC runtime's security cookie, all of kernel32.
__attribute__((constructor(101), no_stack_protector)) void SetStackGuard() {
  LARGE_INTEGER counter{};
  ::QueryPerformanceCounter(&counter);
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  std::uintptr_t guard = static_cast<std::uintptr_t>(counter.QuadPart) ^
                         (static_cast<std::uintptr_t>(now.dwHighDateTime) << 32) ^ now.dwLowDateTime ^
                         (static_cast<std::uintptr_t>(::GetCurrentProcessId()) << 16) ^ ::GetCurrentThreadId() ^
                         reinterpret_cast<std::uintptr_t>(&counter) ^ ::GetTickCount64();
  // A zero byte first stops string copies at the guard.
  guard &= ~static_cast<std::uintptr_t>(0xFF);
  if (guard == 0) guard = 0x2B992DDFA200ull;
  __stack_chk_guard = reinterpret_cast<void*>(guard);
}

}  // namespace
