// An idle process for the benchmarks: N threads in all (default 1), every one asleep,
// so it adds threads and a process to the system without taking CPU time.
#include <windows.h>

#include <cstdlib>

namespace {

DWORD WINAPI Idle(void*) {
  ::Sleep(INFINITE);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int threads = argc > 1 ? _wtoi(argv[1]) : 1;
  for (int i = 1; i < threads; ++i) ::CreateThread(nullptr, 0, &Idle, nullptr, 0, nullptr);
  ::Sleep(INFINITE);
  return 0;
}
