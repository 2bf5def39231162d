#!/usr/bin/env bash
# The PNG encoder read back by another decoder (ImageMagick): the schedule picture's PNG
# holds exactly the pixels of its uncompressed PPM.
# Usage: png_decode_test.sh SCHEDULE_PICTURE_PROGRAM COMPARE_PROGRAM
set -euo pipefail
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$1" "$dir/schedule.png" "$dir/schedule.ppm"
# The count of pixels that differ; compare exits non-zero when any does.
differing=$("$2" -metric AE "$dir/schedule.png" "$dir/schedule.ppm" null: 2>&1) || {
  echo "the PNG decodes to other pixels than were drawn: $differing differ" >&2
  exit 1
}
echo "PNG and PPM agree ($differing pixels differ)"
