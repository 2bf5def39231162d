#!/usr/bin/env bash
# scripts/check-imports.sh passes Tovrel.exe, and fails each kind of import (and a subsystem
# version) that lets a planted DLL in or keeps a program from starting on Windows 7, built here
# into small probe programs.
# Usage: tests/release/imports_test.sh TOVREL_EXE
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
check="$root/scripts/check-imports.sh"
cc=x86_64-w64-mingw32-gcc-posix
tovrel_exe=$1

work=$(mktemp -d "${TMPDIR:-/tmp}/tovrel-imports.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

"$check" "$tovrel_exe" || fail "Tovrel.exe imports a DLL that could be planted beside it, or what Windows 7 lacks"

# expect_rejected NAME "EXPECTED MESSAGE" C-SOURCE [LINK ARGUMENTS...]
expect_rejected() {
  local name=$1 expected=$2 source=$3
  shift 3
  printf '%s\n' "$source" > "$work/$name.c"
  if ! "$cc" -O1 -o "$work/$name.exe" "$work/$name.c" "$@" 2> "$work/$name.log"; then
    cat "$work/$name.log" >&2
    fail "probe $name does not build"
    return
  fi
  local out
  if out=$("$check" "$work/$name.exe" 2>&1); then
    fail "probe $name passed the check: $out"
  elif ! grep -qF -- "$expected" <<<"$out"; then
    fail "probe $name: expected \"$expected\", got: $out"
  fi
}

expect_rejected foreign_dll "DLL that Windows looks for beside the exe first: uxtheme.dll" '
#include <windows.h>
#include <uxtheme.h>
int main(void) { return (int)SetWindowTheme(GetDesktopWindow(), L"", L""); }' -luxtheme

# What Tovrel once imported: the fine timer, and the common controls, whose start-up loads more.
expect_rejected timer_dll "DLL that Windows looks for beside the exe first: winmm.dll" '
#include <windows.h>
int main(void) { return (int)timeBeginPeriod(1); }' -lwinmm
expect_rejected common_controls "DLL that Windows looks for beside the exe first: comctl32.dll" '
#include <windows.h>
#include <commctrl.h>
int main(void) { InitCommonControls(); return 0; }' -lcomctl32

expect_rejected newer_kernel32 "function missing from Windows 7: kernel32.dll!GetSystemTimePreciseAsFileTime" '
#define _WIN32_WINNT 0x0602
#include <windows.h>
int main(void) { FILETIME t; GetSystemTimePreciseAsFileTime(&t); return (int)t.dwLowDateTime; }'

expect_rejected newer_user32 "function missing from Windows 7: user32.dll!GetDpiForWindow" '
#define _WIN32_WINNT 0x0A00
#include <windows.h>
int main(void) { return (int)GetDpiForWindow(GetDesktopWindow()); }'

# An import by number only, as a .def file with NONAME makes it.
printf 'LIBRARY comctl32.dll\nEXPORTS\nProbeByOrdinal @345 NONAME\n' > "$work/ordinal.def"
x86_64-w64-mingw32-dlltool -d "$work/ordinal.def" -l "$work/libordinal.a"
expect_rejected ordinal "import by ordinal from comctl32.dll" '
void ProbeByOrdinal(void);
int main(void) { ProbeByOrdinal(); return 0; }' -L"$work" -lordinal

expect_rejected newer_subsystem "subsystem version 6.2 is not one Windows 7 (6.1) runs" '
int main(void) { return 0; }' -Wl,--subsystem,console:6.2

[ $status -eq 0 ] && echo "import check: OK"
exit $status
