// Reads one window's accessible object from its own process, as a screen reader would,
// and writes what it read to a file, one "key=value" a line (UTF-16 values as hex words).
//   accessible_probe HWND OUTFILE read      role, state, name, shortcut, default action
//   accessible_probe HWND OUTFILE do        the default action's result
//   accessible_probe HWND OUTFILE outlive   holds the object until the window is gone, then
//                                           the result of asking its name
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "../accessible_reader.h"

namespace {

void Put(FILE* out, const char* key, const std::wstring& value) {
  std::fprintf(out, "%s=", key);
  for (wchar_t c : value) std::fprintf(out, "%04x", static_cast<unsigned>(c));
  std::fprintf(out, "\n");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  const HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::wcstoll(argv[1], nullptr, 10)));
  const std::wstring mode = argv[3];
  ::CoInitialize(nullptr);
  int status = 0;
  {
    FILE* out = _wfopen(argv[2], L"w");
    if (!out) return 3;
    const tovrel::test::AccessibleOf object(window);
    if (mode == L"read") {
      const tovrel::test::AccessibleReading r = object.Read();
      std::fprintf(out, "found=%08lx\nrole=%ld\nstate=%08lx\n", static_cast<unsigned long>(r.found), r.role,
                   static_cast<unsigned long>(r.state));
      Put(out, "name", r.name);
      Put(out, "shortcut", r.shortcut);
      Put(out, "action", r.action);
    } else if (mode == L"do") {
      std::fprintf(out, "do=%08lx\n", static_cast<unsigned long>(object.DoDefaultAction()));
    } else if (mode == L"outlive") {
      // The test destroys the window once it sees this line.
      std::fprintf(out, "held=1\n");
      std::fflush(out);
      for (int i = 0; i < 1000 && ::IsWindow(window); ++i) ::Sleep(10);
      std::fprintf(out, "gone=%d\nname=%08lx\n", !::IsWindow(window), static_cast<unsigned long>(object.NameResult()));
    } else {
      status = 2;
    }
    std::fclose(out);
  }
  ::CoUninitialize();
  return status;
}
