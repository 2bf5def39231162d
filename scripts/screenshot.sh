#!/usr/bin/env bash
# Makes docs/main-window.png again: Tovrel.exe started on its own beside a busy program a
# user would limit, which is then limited through the dialog, as a user would; a click on
# 刷新 lists the processes once the program that set the limit has ended, and the main
# window is photographed (Wine's 96 dpi, Xvfb).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages
"$ROOT/scripts/build.sh" win --target Tovrel busy_child readme_picture

start_xvfb
ensure_prefix
start_wineserver
dir="$BUILD/readme-picture"
rm -rf "$dir"
mkdir -p "$dir"
# A busy program under a name a user would limit, then Tovrel, which lists it at start-up.
cp "$WIN_BUILD/busy_child.exe" "$dir/VideoEncoder.exe"
wine "$dir/VideoEncoder.exe" 1 </dev/null >/dev/null 2>&1 9>&- &
sleep 2
wine "$WIN_BUILD/Tovrel.exe" </dev/null >/dev/null 2>&1 9>&- &
end() { pkill -f 'Tovrel.exe' || true; sleep 1; pkill -f 'VideoEncoder.exe' || true; }
trap end EXIT
read -r x y left top right bottom < <("$ROOT/scripts/wine-run" "$WIN_BUILD/readme_picture.exe" VideoEncoder.exe 30 | tr -d '\r')
# Screen and desktop coordinates are the same in the Wine desktop that fills the screen.
xdotool mousemove "$x" "$y" click 1
sleep 1
xdotool mousemove 0 0
sleep 2
xwd -root -silent -display "$DISPLAY" |
  convert xwd:- -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$dir/main-window.png"
mkdir -p "$ROOT/docs"
# Compressed, and without the time stamps that would make every run a new file.
convert "$dir/main-window.png" -strip -define png:exclude-chunks=date,time "$ROOT/docs/main-window.png"
log "docs/main-window.png made again"
