#!/usr/bin/env bash
# A DLL planted beside Tovrel.exe never runs inside it or its guard. As an attacker who can
# write to the user's Downloads would: learn from Wine's loader every DLL that Tovrel, its
# guard and the system DLLs they use load, less the ones Windows maps from its own list
# (KnownDLLs); build a DLL of each name with the same exports, which writes a marker file
# when loaded; put them all beside a fresh copy of Tovrel.exe and start it with those names
# native-first, as Windows' search order has it. Nothing may load, and the window must still
# work. First, a probe that loads each name plainly beside the same DLLs proves each one
# loads and marks.
# Usage: tests/e2e/planted_dlls_test.sh WIN_BUILD   (Xvfb running, DISPLAY set)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
build=$(cd "$1" && pwd)
cc=x86_64-w64-mingw32-gcc-posix
objdump=x86_64-w64-mingw32-objdump
builtins=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
work="$build/planted"
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

# Mapped by Windows from its own list, never looked for beside the exe (ntdll is mapped
# before anything): on Windows 7 to 11 where the DLL exists at all.
known="ntdll kernel32 kernelbase user32 gdi32 advapi32 shell32 ole32 oleaut32 msvcrt shlwapi comdlg32 imm32
psapi ws2_32 combase rpcrt4 sechost win32u gdi32full msvcp_win ucrtbase setupapi msctf clbcatq nsi wldap32
normaliz imagehlp coml2 shcore difxapi"

rm -rf "$work"
mkdir -p "$work/discover" "$work/plant" "$work/src"
cp "$build/Tovrel.exe" "$work/discover/"
cp "$build/Tovrel.exe" "$work/plant/"

# run_driver FOLDER LOG [OVERRIDES]: the driver on FOLDER/Tovrel.exe, everything traced.
run_driver() {
  TOVREL_PLANTED_EXE=$(winepath -w "$1/Tovrel.exe" 2>/dev/null) WINEDEBUG=+pid,+loaddll \
    TOVREL_DLL_OVERRIDES="${3:+$3=n,b}" "$ROOT/scripts/wine-run" "$build/planted_dlls_driver.exe" >"$2" 2>&1
}

# 1. What Tovrel and its guard load: the loader's lines of their two processes.
if ! run_driver "$work/discover" "$work/discover.log"; then
  grep -v ':trace:' "$work/discover.log" >&2
  fail "Tovrel did not work from a plain folder"
fi
read -r tovrel guard < <(sed -n 's/^planted-pids: //p' "$work/discover.log")
[ -n "${guard:-}" ] || { fail "the driver named no processes"; exit 1; }
names=$(awk -v a="$tovrel" -v b="$guard" -v known="$known" '
  BEGIN { n = split(known, k); for (i = 1; i <= n; i++) skip[k[i]] = 1 }
  /:trace:loaddll:/ && / Loaded / {
    split($0, f, ":"); pid = tolower(f[1])
    if (pid != a && pid != b) next
    if (!match($0, /L"[^"]*"/)) next
    path = tolower(substr($0, RSTART + 2, RLENGTH - 3))
    sub(/.*\\/, "", path)
    if (path ~ /\.exe$/) next
    base = path; sub(/\.dll$/, "", base)
    if (!(base in skip)) print path
  }' "$work/discover.log" | sort -u)
[ -n "$names" ] || { fail "the loader trace named no DLL: is +loaddll working?"; exit 1; }
# Loaded where Wine is not: the fine timer of a system without high-resolution waitable timers.
names=$(printf '%s\n' $names winmm.dll msacm32.dll | sort -u)
echo "planted beside Tovrel.exe: $(tr '\n' ' ' <<<"$names")"

# 2. A DLL of each name, with the exports (names and ordinals) of the system's own.
cat >"$work/src/planted.c" <<'EOF'
#include <windows.h>
/* Appends the loading process's id to NAME.loaded beside the DLL. Only kernel32: the DLL it
   stands in for may be one that user32 itself imports. */
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH + 16];
    DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      lstrcpyW(path + n, L".loaded");
      HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, NULL);
      if (file != INVALID_HANDLE_VALUE) {
        char line[16];
        int at = sizeof line;
        DWORD pid = GetCurrentProcessId(), written;
        line[--at] = '\n';
        do line[--at] = (char)('0' + pid % 10); while ((pid /= 10) != 0);
        WriteFile(file, line + at, sizeof line - at, &written, NULL);
        CloseHandle(file);
      }
    }
  }
  return TRUE;
}
int PlantedStub(void) { return 0; }
EOF
exports_def() {  # the .def of a planted copy of system DLL $1
  "$objdump" -p "$builtins/$1" | awk -v name="$1" '
    /^Export Address Table -- Ordinal Base/ { base = $NF; eat = 1; next }
    /^\[Ordinal\/Name Pointer\] Table/ { eat = 0; names = 1; next }
    eat && match($0, /\+base\[ *[0-9]+\]/) { o = substr($0, RSTART, RLENGTH); gsub(/[^0-9]/, "", o); used[o + 0] = 1 }
    names && match($0, /^\t\[ *[0-9]+\] /) {
      i = substr($0, RSTART, RLENGTH); gsub(/[^0-9]/, "", i); o = i + base
      if (!(o in named)) named[o] = $NF; else extra[$NF] = 1
    }
    names && /^$/ { names = 0 }
    END {
      print "LIBRARY \"" name "\""; print "EXPORTS"
      for (o in used) print (o in named ? named[o] : "PlantedOrdinal" o) "=PlantedStub @" o (o in named ? "" : " NONAME")
      for (x in extra) print x "=PlantedStub"
    }'
}
for dll in $names; do
  if [ ! -f "$builtins/$dll" ]; then
    fail "no system $dll to copy the exports of"
    continue
  fi
  exports_def "$dll" >"$work/src/$dll.def"
  if ! "$cc" -shared -O1 -o "$work/plant/$dll" "$work/src/planted.c" "$work/src/$dll.def" -nostartfiles \
        -Wl,--entry,DllMain -Wl,--enable-stdcall-fixup 2>"$work/src/$dll.log"; then
    cat "$work/src/$dll.log" >&2
    fail "planted $dll does not build"
  fi
done
overrides=$(tr '\n' ',' <<<"$names" | sed 's/,$//')

# 3. The probe: each planted DLL, loaded the unsafe way from the same folder, marks.
cat >"$work/src/probe.c" <<'EOF'
#include <windows.h>
int wmain(int argc, wchar_t **argv) {
  for (int i = 1; i < argc; i++) LoadLibraryW(argv[i]);
  return 0;
}
EOF
"$cc" -municode -O1 -o "$work/plant/probe.exe" "$work/src/probe.c" || fail "the probe does not build"
# shellcheck disable=SC2086
TOVREL_DLL_OVERRIDES="$overrides=n,b" "$ROOT/scripts/wine-run" "$work/plant/probe.exe" $names \
  >"$work/probe.log" 2>&1
for dll in $names; do
  [ -f "$work/plant/$dll.loaded" ] || fail "planted $dll never marks, even loaded plainly: the check would see nothing"
done
rm -f "$work/plant/"*.loaded "$work/plant/probe.exe"

# 4. Tovrel beside them: nothing loads, and it works.
if ! run_driver "$work/plant" "$work/plant.log" "$overrides"; then
  grep -v ':trace:' "$work/plant.log" >&2
  fail "Tovrel beside the planted DLLs did not work, or loaded one of them"
fi
for marker in "$work/plant/"*.loaded; do
  [ -e "$marker" ] || continue
  fail "$(basename "$marker" .loaded) planted beside Tovrel.exe was loaded by process(es) $(tr '\n' ' ' <"$marker")"
done
[ $status -eq 0 ] && echo "planted DLLs: none of $(wc -w <<<"$names") loaded"
exit $status
