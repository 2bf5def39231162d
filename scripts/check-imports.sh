#!/usr/bin/env bash
# Fails when a Windows executable could run a DLL planted beside it, or would not start on a
# plain Windows 7: when its import table names a DLL that Windows 7 to 11 do not map from their
# own list (KnownDLLs), so that the loader looks for it in the exe's folder first (the others
# are delay-loaded or loaded from the system folder at run time); a function of a known list
# that Windows 7 lacks (such functions are looked up at run time instead, see WindowDpi), or a
# function by ordinal only, which cannot be judged; or when its header asks for a subsystem
# version above Windows 7's 6.1. Prints the DLLs it found.
# Usage: scripts/check-imports.sh EXE...
set -euo pipefail

allowed_dlls="advapi32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ntdll.dll ole32.dll oleaut32.dll
psapi.dll shell32.dll shlwapi.dll user32.dll ws2_32.dll"

# Functions of those DLLs that arrived with Windows 8 or later.
newer_functions=$(grep -v '^#' "$(dirname "${BASH_SOURCE[0]}")/windows7-lacks.txt")

objdump=x86_64-w64-mingw32-objdump
status=0
for exe in "$@"; do
  headers=$("$objdump" -p "$exe") || { echo "$exe: objdump failed" >&2; exit 2; }
  # One "DLL function" line per import; "<none>" is an import by ordinal.
  imports=$(awk '
    /^The Import Tables/ { inside = 1; next }
    inside && /^The / { inside = 0 }
    inside && /DLL Name:/ { dll = tolower($3); print dll, "-"; next }
    inside && dll != "" && /^\t[0-9a-f]+\t/ { print dll, $3 }' <<<"$headers")
  if [ -z "$imports" ]; then
    echo "$exe: no import table found" >&2
    status=1
    continue
  fi
  bad=$(awk -v allowed="$allowed_dlls" -v newer="$newer_functions" '
    BEGIN {
      n = split(allowed, a); for (i = 1; i <= n; i++) ok[a[i]] = 1
      n = split(newer, f); for (i = 1; i <= n; i++) late[f[i]] = 1
    }
    $2 == "-" && !($1 in ok) { print "  DLL that Windows looks for beside the exe first: " $1 }
    $2 == "<none>" { print "  import by ordinal from " $1 }
    $2 in late { print "  function missing from Windows 7: " $1 "!" $2 }' <<<"$imports")
  subsystem=$(awk '/^MajorSubsystemVersion/ { major = $2 } /^MinorSubsystemVersion/ { minor = $2 }
                   END { print major "." minor }' <<<"$headers")
  if ! awk -v v="$subsystem" 'BEGIN { split(v, p, ".")
                                      exit !(v ~ /^[0-9]+\.[0-9]+$/ && (p[1] < 6 || (p[1] == 6 && p[2] <= 1))) }'; then
    bad+="${bad:+$'\n'}  subsystem version $subsystem is not one Windows 7 (6.1) runs"
  fi
  dlls=$(awk '$2 == "-" { printf "%s%s", sep, $1; sep = " " }' <<<"$imports")
  if [ -n "$bad" ]; then
    echo "$exe: could load a planted DLL, or would not start on a plain Windows 7:" >&2
    echo "$bad" >&2
    status=1
  else
    echo "$exe: imports only from $dlls ($(grep -vc ' -$' <<<"$imports") functions)"
  fi
done
exit $status
