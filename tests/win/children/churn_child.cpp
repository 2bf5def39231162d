// A hostile target: creates and ends threads as fast as it can, so a thread list is
// stale the moment it is taken and thread ids are reused all the time.
#include <windows.h>

namespace {

volatile unsigned long g_sink = 0;

DWORD WINAPI ShortLived(void*) {
  for (int i = 0; i < 2000; ++i) g_sink = g_sink + 1;
  return 0;
}

}  // namespace

int wmain() {
  for (;;) {
    HANDLE t = ::CreateThread(nullptr, 0, &ShortLived, nullptr, 0, nullptr);
    if (t) ::CloseHandle(t);
    else ::Sleep(1);
  }
}
