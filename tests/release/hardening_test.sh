#!/usr/bin/env bash
# The hardening of a Windows exe, printed and checked: ASLR with high entropy and NX in the PE
# header, no section both writable and executable, and (from the unstripped build's symbols)
# the stack protector and _FORTIFY_SOURCE's checked calls linked in. Control Flow Guard and CET
# need a newer toolchain than GCC 12; they are not claimed.
# Usage: tests/release/hardening_test.sh EXE
set -uo pipefail
exe=$1
objdump=x86_64-w64-mingw32-objdump
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

headers=$("$objdump" -p "$exe") || { echo "objdump failed on $exe" >&2; exit 2; }
flags=$(awk '/^DllCharacteristics/ { on = 1; next } on && /^\t\t/ { printf "%s ", $1; next } on { exit }' <<<"$headers")
echo "DllCharacteristics: $flags"
for want in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
  grep -qw "$want" <<<"$flags" || fail "$exe lacks $want"
done

# Section headers follow the optional header: 40 bytes each, characteristics at offset 36.
u() { od -An -tu"$3" -j"$2" -N"$3" "$1" | tr -d ' '; }
lfanew=$(u "$exe" 60 4)
sections=$(u "$exe" $((lfanew + 6)) 2)
optional=$(u "$exe" $((lfanew + 20)) 2)
first=$((lfanew + 24 + optional))
mixed=0
for ((i = 0; i < sections; i++)); do
  at=$((first + 40 * i))
  name=$(dd if="$exe" bs=1 skip="$at" count=8 2>/dev/null | tr -d '\0')
  characteristics=$(u "$exe" $((at + 36)) 4)
  # IMAGE_SCN_MEM_EXECUTE 0x20000000, IMAGE_SCN_MEM_WRITE 0x80000000
  if (( (characteristics & 0x20000000) && (characteristics & 0x80000000) )); then
    fail "section $name is both writable and executable"
    mixed=$((mixed + 1))
  fi
done
echo "sections: $sections, $mixed both writable and executable"

symbols=$(x86_64-w64-mingw32-nm "$exe" 2>/dev/null)
if [ -z "$symbols" ]; then
  fail "$exe has no symbols: give the unstripped build"
else
  if grep -qE ' T __stack_chk_fail$' <<<"$symbols" && grep -qE ' [BD] __stack_chk_guard$' <<<"$symbols"; then
    echo "stack protector: __stack_chk_fail and __stack_chk_guard linked in"
  else
    fail "no stack protector linked in (-fstack-protector-strong)"
  fi
  checked=$(awk '$2 == "T" && $3 ~ /^__[a-z]+_chk$/ { print $3 }' <<<"$symbols" | sort -u | tr '\n' ' ')
  if [ -n "$checked" ]; then echo "_FORTIFY_SOURCE checked calls: $checked"; else fail "no checked call of _FORTIFY_SOURCE linked in"; fi
fi
echo "Control Flow Guard, CET: not built (GCC 12 has neither for Windows)"
[ $status -eq 0 ] && echo "hardening: OK"
exit $status
