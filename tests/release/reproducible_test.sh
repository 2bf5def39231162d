#!/usr/bin/env bash
# Runs scripts/release.sh on two copies of the sources at different paths, the second later,
# after every file was touched, with another umask and time zone, and checks that both give
# the same bytes and that the zip holds what a Windows user needs. Prints the figures.
# Usage: tests/release/reproducible_test.sh (from anywhere; called by scripts/test.sh)
set -uo pipefail
source "$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/scripts/common.sh"
ensure_packages unzip

work=$(mktemp -d "${TMPDIR:-/tmp}/tovrel-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

copy_sources() {
  mkdir -p "$1"
  tar -C "$ROOT" --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -C "$1" -xf -
}

# Offsets in the PE file: the COFF header follows "PE\0\0" at e_lfanew.
pe_u32() {
  local file=$1 at=$2 lfanew
  lfanew=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
  od -An -tu4 -j$((lfanew + at)) -N4 "$file" | tr -d ' '
}

version=$(tovrel_version)
zip_name="Tovrel-$version-win64.zip"
first="$work/a/tovrel"
second="$work/another/deeper/folder/tovrel-copy"

copy_sources "$first"
log "release build 1 in $first"
bash "$first/scripts/release.sh" > "$work/first.log" 2>&1 || { cat "$work/first.log"; fail "release build 1"; exit 1; }

sleep 1
copy_sources "$second"
find "$second" -exec touch {} +
log "release build 2 in $second, every file touched, umask 077, TZ=Asia/Shanghai"
(umask 077 && TZ=Asia/Shanghai bash "$second/scripts/release.sh") > "$work/second.log" 2>&1 ||
  { cat "$work/second.log"; fail "release build 2"; exit 1; }

for dir in "$first" "$second"; do
  listing=$(cd "$dir/dist" && ls)
  [ "$listing" = "$(printf 'SHA256SUMS\n%s' "$zip_name")" ] || fail "$dir/dist holds: $listing"
  (cd "$dir/dist" && sha256sum --quiet -c SHA256SUMS) || fail "$dir/dist/SHA256SUMS does not match"
done

for f in "build/release/package/Tovrel.exe" "dist/$zip_name" "dist/SHA256SUMS"; do
  cmp "$first/$f" "$second/$f" || fail "$f differs between the two builds"
done

zip="$first/dist/$zip_name"
exe="$first/build/release/package/Tovrel.exe"
entries=$(zipinfo -1 "$zip" | tr '\n' ' ')
[ "$entries" = "Tovrel.exe README.md LICENSE " ] || fail "zip entries: $entries"
unzip -p "$zip" Tovrel.exe | cmp - "$exe" || fail "the zip's Tovrel.exe is not the stripped build"
for doc in README.md LICENSE; do
  bare=$(unzip -p "$zip" "$doc" | grep -vc $'\r$')
  [ "$bare" = 0 ] || fail "$doc in the zip has $bare lines not ending in CR LF"
  unzip -p "$zip" "$doc" | tr -d '\r' | cmp - "$ROOT/$doc" || fail "$doc in the zip is not the source's $doc"
done
# The exe's LegalCopyright comes from version.h; the licence must say the same.
copyright=$(sed -n 's/^#define TOVREL_COPYRIGHT "\(.*\)"$/\1/p' "$ROOT/resources/version.h")
[ -n "$copyright" ] && grep -qxF "$copyright" "$ROOT/LICENSE" || fail "LICENSE lacks the line \"$copyright\" of resources/version.h"

# Times: every entry carries the release date, and so does the exe's PE header (strip
# writes one there), not the time of either build.
dates=$(zipinfo -T "$zip" | awk '/^-r/ { print $7 }' | sort -u)
[ "$(wc -l <<<"$dates")" -eq 1 ] || fail "zip entries carry different dates: $dates"
stamp=$(pe_u32 "$exe" 8)
[ "$(date -u -d "@$stamp" +%Y%m%d.%H%M%S)" = "$dates" ] || fail "PE time stamp $stamp is not the release date $dates"
[ "$(pe_u32 "$exe" 12)" = 0 ] && [ "$(pe_u32 "$exe" 16)" = 0 ] || fail "Tovrel.exe still has a symbol table"
debug_size=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/^Entry 6 .* Debug Directory/ { print $4 }')
[ "$debug_size" = 00000000 ] || fail "Tovrel.exe has a debug directory (size ${debug_size:-unknown})"
grep -qaF "$work" "$exe" && fail "Tovrel.exe contains the path of its source or build folder"

size=$(stat -c %s "$exe")
echo "Tovrel.exe stripped: $size bytes ($((size / 1024)) KiB); zip: $(stat -c %s "$zip") bytes"
[ "$size" -lt $((1024 * 1024)) ] || fail "Tovrel.exe is 1 MiB or more"
for dir in "$first" "$second"; do
  echo "  $(sha256sum < "$dir/build/release/package/Tovrel.exe" | cut -d' ' -f1)  Tovrel.exe from $dir"
  echo "  $(cut -d' ' -f1 "$dir/dist/SHA256SUMS")  $zip_name from $dir"
done
[ $status -eq 0 ] && echo "reproducible release: OK"
exit $status
