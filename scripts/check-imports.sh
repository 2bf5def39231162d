#!/usr/bin/env bash
# Fails when a Windows executable would not start on a plain Windows 7: when its import table
# names a DLL outside the set every Windows 7 and later system has, a function of a known list
# that Windows 7 lacks (such functions are looked up at run time instead, see WindowDpi), or a
# function by ordinal only, which cannot be judged; or when its header asks for a subsystem
# version above Windows 7's 6.1. Prints the DLLs it found.
# Usage: scripts/check-imports.sh EXE...
set -euo pipefail

allowed_dlls="advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ntdll.dll oleacc.dll ole32.dll oleaut32.dll
shell32.dll user32.dll winmm.dll"

# Functions of those DLLs that arrived with Windows 8 or later.
newer_functions="
AddDllDirectory AdjustWindowRectExForDpi AreDpiAwarenessContextsEqual CopyFile2 CreateFile2
CreateFileMappingFromApp DeleteSynchronizationBarrier DiscardVirtualMemory EnableMouseInPointer
EnableNonClientDpiScaling EnterSynchronizationBarrier GetAwarenessFromDpiAwarenessContext
GetCurrentPackageFullName GetCurrentPackageId GetCurrentThreadStackLimits GetDpiForMonitor GetDpiForSystem
GetDpiForWindow GetDpiFromDpiAwarenessContext GetFirmwareType GetOverlappedResultEx GetPackageFullName
GetPointerInfo GetPointerType GetProcessDpiAwareness GetProcessInformation GetProcessMitigationPolicy
GetSystemCpuSetInformation GetSystemDpiForProcess GetSystemMetricsForDpi GetSystemTimePreciseAsFileTime
GetThreadDescription GetThreadDpiAwarenessContext GetThreadInformation GetWindowDpiAwarenessContext
InitializeSynchronizationBarrier InitializeTouchInjection InjectTouchInput IsImmersiveProcess
IsValidDpiAwarenessContext IsWow64Process2 LogicalToPhysicalPointForPerMonitorDPI MapViewOfFile3
MapViewOfFileFromApp OfferVirtualMemory PhysicalToLogicalPointForPerMonitorDPI PrefetchVirtualMemory
QueryInterruptTime QueryInterruptTimePrecise QueryUnbiasedInterruptTimePrecise ReclaimVirtualMemory
RemoveDllDirectory RtlWaitOnAddress RtlWakeAddressAll RtlWakeAddressSingle SetDefaultDllDirectories
SetDialogControlDpiChangeBehavior SetDialogDpiChangeBehavior SetProcessDpiAwareness
SetProcessDpiAwarenessContext SetProcessInformation SetProcessMitigationPolicy SetThreadDescription
SetThreadDpiAwarenessContext SetThreadInformation SetThreadSelectedCpuSets SystemParametersInfoForDpi
VirtualAlloc2 VirtualAllocFromApp WaitOnAddress WakeByAddressAll WakeByAddressSingle"

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
    $2 == "-" && !($1 in ok) { print "  DLL not on every Windows 7: " $1 }
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
    echo "$exe: would not start on a plain Windows 7:" >&2
    echo "$bad" >&2
    status=1
  else
    echo "$exe: imports only from $dlls ($(grep -vc ' -$' <<<"$imports") functions)"
  fi
done
exit $status
