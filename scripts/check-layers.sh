#!/usr/bin/env bash
# Fails on any include that points up or across the layers: the windows sit above the core
# and platform/ below everything.
#   main_window/ -> limit_dialog/ -> {throttling/, button_control/} -> platform/
#   main_window/, limit_dialog/ -> resources/
# Tests and benchmarks may include anything. Prints which folder includes which.
# Usage: scripts/check-layers.sh [source root]
set -euo pipefail
root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"

# What each folder may include besides itself.
declare -A allowed=(
  [main_window]="limit_dialog throttling button_control platform resources"
  [limit_dialog]="throttling button_control platform resources"
  [throttling]="platform"
  [button_control]="platform"
  [platform]=""
  [resources]=""
)

status=0
declare -A edges=()
for folder in "${!allowed[@]}"; do
  [ -d "$root/$folder" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    target=$(sed -E 's/^[^:]*:[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<<"$hit")
    # Every include of the project's own files names its folder, or is a file beside it.
    to=${target%%/*}
    [ "$to" = "$target" ] && [ -f "$root/$folder/$target" ] && continue
    if [ "$to" = "$target" ] || [ -z "${allowed[$to]+set}" ]; then
      echo "${file#"$root"/}: includes \"$target\", which names no layer's folder" >&2
      status=1
      continue
    fi
    [ "$to" = "$folder" ] && continue
    edges["$folder -> $to"]=1
    if ! grep -qw -- "$to" <<<"${allowed[$folder]}"; then
      echo "${file#"$root"/}: $folder/ may not include $target" >&2
      status=1
    fi
  done < <(grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$root/$folder"/*.h "$root/$folder"/*.cpp "$root/$folder"/*.rc 2>/dev/null || true)
done
printf '%s\n' "${!edges[@]}" | sort
exit $status
