#!/usr/bin/env bash
# Builds what a Windows user downloads: dist/Tovrel-<version>-win64.zip with the stripped
# Tovrel.exe, README.md and LICENSE (Windows line endings), and dist/SHA256SUMS. The version
# comes from resources/version.h. One commit gives byte-identical files wherever and
# whenever it is built. Needs neither Wine nor a display.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages "${RELEASE_PACKAGES[@]}"

version=$(tovrel_version)
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { log "resources/version.h gives no version ($version)"; exit 1; }
zip_name="Tovrel-$version-win64.zip"
out="$BUILD/release"
package="$out/package"
dist="$ROOT/dist"

# Every date that reaches a file is this one (the caller may choose another), in UTC: zip
# stores local times. strip writes it into the PE header (without it, the current time), and
# __DATE__ and __TIME__ follow it too.
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-1767225600}"  # 2026-01-01 00:00:00 UTC
export TZ=UTC LC_ALL=C
umask 022

log "building Tovrel $version in release mode in $out"
cmake -S "$ROOT" -B "$out" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out" -j"$(nproc 2>/dev/null || echo 2)" --target Tovrel

rm -rf "$package"
mkdir -p "$package"
x86_64-w64-mingw32-strip --strip-all -o "$package/Tovrel.exe" "$out/Tovrel.exe"
"$ROOT/scripts/check-imports.sh" "$package/Tovrel.exe"
# Notepad before Windows 10 shows Unix line endings as one long line.
for doc in README.md LICENSE; do
  sed 's/\r$//; s/$/\r/' "$ROOT/$doc" > "$package/$doc"
done
chmod 0755 "$package/Tovrel.exe"
chmod 0644 "$package/README.md" "$package/LICENSE"
touch -d "@$SOURCE_DATE_EPOCH" "$package"/*

rm -rf "$dist"
mkdir -p "$dist"
# Entries in this order; -X leaves out the extra fields (Unix owners, exact times), -D the
# directory entry.
(cd "$package" && zip -q -X -D -9 "$dist/$zip_name" Tovrel.exe README.md LICENSE)
(cd "$dist" && sha256sum "$zip_name" > SHA256SUMS)

log "Tovrel.exe: $(stat -c %s "$package/Tovrel.exe") bytes stripped, sha256 $(sha256sum < "$package/Tovrel.exe" | cut -d' ' -f1)"
log "$dist/$zip_name: $(stat -c %s "$dist/$zip_name") bytes, sha256 $(cut -d' ' -f1 "$dist/SHA256SUMS")"
