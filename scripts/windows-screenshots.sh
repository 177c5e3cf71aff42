#!/usr/bin/env bash
# Takes the screenshots of the Win32 windows for the README:
# docs/windows-main-window.png, docs/windows-help-window.png and
# docs/windows-failure-box.png (a batch stopped at its second trend). Runs
# QMRRebuilder.exe under Wine on an Xvfb display of its own with openbox (for
# the title bars), on generated trends in c:\quorax\data, and crops each
# window with its frame out of the screen.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=build-windows
./scripts/install-deps.sh cmake make g++-mingw-w64-x86-64-posix wine wine64 googletest nlohmann-json3-dev \
  xvfb openbox imagemagick x11-utils
cmake --preset windows >/dev/null
cmake --build --preset windows -j "${JOBS:-$(nproc)}" --target QMRRebuilder qmr-samples window-driver

wine_loader=$(command -v wine64 || true)
[ -n "$wine_loader" ] || [ ! -x /usr/lib/wine/wine64 ] || wine_loader=/usr/lib/wine/wine64
[ -n "$wine_loader" ] || wine_loader=$(command -v wine)
wineserver_bin=$(command -v wineserver || echo /usr/lib/wine/wineserver)

WINEPREFIX=$(mktemp -d "$PWD/$BUILD_DIR/screenshot-prefix.XXXXXX")
export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
xvfb_pid=
openbox_pid=
cleanup() {
  "$wineserver_bin" -k >/dev/null 2>&1 || true
  "$wineserver_bin" -w >/dev/null 2>&1 || true
  [ -z "$openbox_pid" ] || kill "$openbox_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

for number in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
  Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
  [ -e "/tmp/.X11-unix/X$number" ] && kill -0 "$xvfb_pid" 2>/dev/null && export DISPLAY=":$number" && break
  xvfb_pid=
done
[ -n "$xvfb_pid" ] || { echo "could not start Xvfb" >&2; exit 1; }
openbox >/dev/null 2>&1 &
openbox_pid=$!
"$wineserver_bin" -p
wineboot -i >/dev/null 2>&1

mkdir -p "$WINEPREFIX/drive_c/quorax/data"
"$wine_loader" "$BUILD_DIR/bin/qmr-samples.exe" 'C:\quorax\data' >/dev/null
"$wine_loader" "$BUILD_DIR/bin/QMRRebuilder.exe" &
driver() { "$wine_loader" "$BUILD_DIR/tests/win32/window-driver.exe" "$@"; }

# The window named `title` (the one made last when several are, such as a
# message box over its main window), with the frame openbox put around it
# (its parent window), cut out of the screen.
shoot() {
  local title=$1 output=$2 window frame geometry
  sleep 1
  window=$(xwininfo -root -tree | grep -F "\"$title\":" | awk '{print length($1), $1}' | sort | tail -1 | cut -d' ' -f2)
  frame=$(xwininfo -id "$window" -tree | awk '/Parent window id:/ {print $4; exit}')
  geometry=$(xwininfo -id "$frame" | awk '
    /Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF} END {printf "%dx%d+%d+%d", w, h, x, y}')
  import -window root -crop "$geometry" +repage "$output"
  echo "$output: $geometry"
}

driver show 0 3 4
shoot "QMR Rebuilder" docs/windows-main-window.png
driver help
shoot "Help" docs/windows-help-window.png
driver unhelp
# No master can be written over a folder: the batch stops at CASH.
mkdir "$WINEPREFIX/drive_c/quorax/data/CASH.qmr"
driver show $(seq 0 10)
driver ok
shoot "QMR Rebuilder" docs/windows-failure-box.png
"$wineserver_bin" -k
