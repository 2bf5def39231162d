// A busy process for the tests: spins N threads (default 1). With a file argument it
// also starts a thread that it suspends itself and writes that thread's id there.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

volatile unsigned long long g_sink = 0;

DWORD WINAPI Spin(void*) {
  for (;;) g_sink = g_sink + 1;
}

DWORD WINAPI Idle(void*) {
  ::Sleep(INFINITE);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int threads = argc > 1 ? _wtoi(argv[1]) : 1;
  if (argc > 2) {
    DWORD id = 0;
    HANDLE parked = ::CreateThread(nullptr, 0, &Idle, nullptr, 0, &id);
    ::SuspendThread(parked);
    FILE* f = _wfopen(argv[2], L"w");
    if (f) {
      std::fprintf(f, "%lu\n", id);
      std::fclose(f);
    }
  }
  for (int i = 1; i < threads; ++i) ::CreateThread(nullptr, 0, &Spin, nullptr, 0, nullptr);
  if (threads > 0) Spin(nullptr);
  ::Sleep(INFINITE);
  return 0;
}
