# Shared settings of the project's scripts: paths, the private Wine prefix and locale.
# Sourced, not run.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build"
NATIVE_BUILD="$BUILD/native"
WIN_BUILD="$BUILD/win"
export WINEPREFIX="$BUILD/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# A caller may add its own (a test that plants DLLs sets their names native-first).
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=${TOVREL_DLL_OVERRIDES:+;$TOVREL_DLL_OVERRIDES}"
export WINEARCH=win64
LOCALE_DIR="$BUILD/locale"
XVFB_STATE="$BUILD/xvfb.state"

PACKAGES=(cmake g++ googletest libgtest-dev libgmock-dev libbenchmark-dev g++-mingw-w64-x86-64-posix
          wine wine64 fonts-wine xvfb xauth x11-apps imagemagick fonts-wqy-zenhei locales xdotool zip unzip)
# What scripts/release.sh needs: no Wine, no X. CMake configures the test targets too, so
# googletest's sources are needed even though the release builds only Tovrel.exe.
RELEASE_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest zip)

log() { printf '[tovrel] %s\n' "$*" >&2; }

# Installs the packages that are missing (those named, or else PACKAGES); apt-get update only
# when something is.
ensure_packages() {
  local wanted=("$@") missing=()
  [ $# -eq 0 ] && wanted=("${PACKAGES[@]}")
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  log "installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# A TOVREL_VERSION_<part> of resources/version.h (MAJOR, MINOR, PATCH, STAGE), without quotes.
version_part() {
  sed -n "s/^#define TOVREL_VERSION_$1 \"\{0,1\}\([^\"]*\)\"\{0,1\}\$/\1/p" "$ROOT/resources/version.h"
}

# The version as the file names carry it, e.g. 0.0.1.
tovrel_version() {
  echo "$(version_part MAJOR).$(version_part MINOR).$(version_part PATCH)"
}

# Wine runs with a compiled zh_CN locale: code page 936 and Chinese message-box buttons.
ensure_locale() {
  if [ ! -d "$LOCALE_DIR/zh_CN.UTF-8" ]; then
    mkdir -p "$LOCALE_DIR"
    localedef -i zh_CN -f UTF-8 "$LOCALE_DIR/zh_CN.UTF-8" 2>/dev/null || true
  fi
  export LOCPATH="$LOCALE_DIR"
  { export LC_ALL=zh_CN.UTF-8; } 2>/dev/null
}

# Xvfb on a free display; reuses one this build folder already started.
start_xvfb() {
  local pid disp fifo
  if [ -f "$XVFB_STATE" ]; then
    read -r pid disp < "$XVFB_STATE"
    # The pid may have been reused: the display's socket says the server is still there.
    if kill -0 "$pid" 2>/dev/null && [ -S "/tmp/.X11-unix/X$disp" ]; then
      export DISPLAY=":$disp"
      return 0
    fi
  fi
  mkdir -p "$BUILD"
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  pid=$!
  read -r -t 20 disp < "$fifo" || { rm -f "$fifo"; log "Xvfb did not start"; return 1; }
  rm -f "$fifo"
  echo "$pid $disp" > "$XVFB_STATE"
  export DISPLAY=":$disp"
  log "Xvfb on $DISPLAY (pid $pid)"
}

stop_xvfb() {
  local pid
  if [ -f "$XVFB_STATE" ]; then
    read -r pid _ < "$XVFB_STATE"
    kill "$pid" 2>/dev/null || true
    rm -f "$XVFB_STATE"
  fi
}

# A persistent wineserver with its stdio detached, so nothing waits on daemons.
start_wineserver() {
  wineserver -p300 </dev/null >/dev/null 2>&1 9>&- || true
}

stop_wine() {
  [ -d "$WINEPREFIX" ] && wineserver -k </dev/null >/dev/null 2>&1 || true
}

# The project's prefix: created quietly once, settings imported again when they change.
ensure_prefix() {
  ensure_locale
  local reg="$ROOT/scripts/wine-settings.reg"
  local stamp="$WINEPREFIX/.tovrel-settings"
  local want
  want=$(sha256sum "$reg" | cut -d' ' -f1)
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
    return 0
  fi
  log "preparing the Wine prefix in $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1 9>&- || { log "wineboot failed"; return 1; }
  local utf16 imported=0
  utf16=$(mktemp --suffix=.reg)
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$reg"; } > "$utf16"
  wine regedit /S "$(winepath -w "$utf16" 2>/dev/null)" </dev/null >/dev/null 2>&1 9>&- && imported=1
  rm -f "$utf16"
  # Without its settings the prefix is not ready: the next run tries again.
  [ "$imported" -eq 1 ] || { log "importing the Wine settings failed"; return 1; }
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  echo "$want" > "$stamp"
}
