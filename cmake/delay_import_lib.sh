#!/usr/bin/env bash
# Writes a delay-import library for one system DLL from the toolchain's import library: every
# function it names, bound at its first call instead of when the exe is mapped. Functions that
# Windows 7 lacks are left out: a direct call to one then lands in the import table, where
# scripts/check-imports.sh finds it.
# Usage: cmake/delay_import_lib.sh IMPORT_LIB DLL_NAME OUTPUT
set -euo pipefail
import_lib=$1 dll=$2 out=$3
prefix=x86_64-w64-mingw32
def="$out.def"
{
  echo "LIBRARY \"$dll\""
  echo "EXPORTS"
  "$prefix-nm" -g --defined-only "$import_lib" |
    awk '$2 == "I" && $3 ~ /^__imp_/ { sub(/^__imp_/, "", $3); print $3 }' | LC_ALL=C sort -u |
    grep -vxF -f <(grep -v '^#' "$(dirname "${BASH_SOURCE[0]}")/../scripts/windows7-lacks.txt")
} >"$def"
"$prefix-dlltool" --input-def "$def" --dllname "$dll" --output-delaylib "$out"
