// Overruns a buffer on its own stack, as an attacker's input would: "stack" past a local
// array by hand (the stack protector's check), "buffer" through memcpy (_FORTIFY_SOURCE's).
// Exits 0 only if neither check ended it.
#include <windows.h>

#include <cstring>
#include <cwchar>

namespace {

volatile std::size_t g_length = 64;

// The barriers keep the compiler from proving the overrun away, as it may with undefined
// behaviour it can see.
__attribute__((noinline)) int PastTheFrame(const char* text) {
  char buffer[8];
  char* to = buffer;
  asm volatile("" : "+r"(to));
  for (std::size_t i = 0; i < g_length; ++i) to[i] = text[i];
  asm volatile("" : : "r"(buffer) : "memory");
  return buffer[3];
}

__attribute__((noinline)) int PastTheBuffer(const char* text) {
  char buffer[8];
  std::memcpy(buffer, text, g_length);
  asm volatile("" : : "r"(buffer) : "memory");
  return buffer[3];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  char text[64];
  std::memset(text, 'x', sizeof text);
  if (argc > 1 && std::wcscmp(argv[1], L"stack") == 0) PastTheFrame(text);
  if (argc > 1 && std::wcscmp(argv[1], L"buffer") == 0) PastTheBuffer(text);
  return 0;
}
