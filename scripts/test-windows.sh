#!/usr/bin/env bash
# `make test-windows`: cross-builds the core, qmr.exe, the Win32 windows
# (QMRRebuilder.exe) and their tests for 64-bit Windows with MinGW-w64 and
# runs them under Wine, in a throw-away Wine prefix, on a display of its own
# (Xvfb, started here and stopped at the end); checks the programs as
# installed (stripped, version information, manifests) and the MSI's
# silent install, upgrade and removal (scripts/test-windows-msi.sh).
# Installs what it needs on a fresh Debian machine.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=build-windows  # the windows preset's
JOBS=${JOBS:-$(nproc)}

started=$(date +%s)
step() { echo "== [$(( $(date +%s) - started ))s] $*"; }

step "packages"
./scripts/install-deps.sh cmake make g++-mingw-w64-x86-64-posix wine wine64 googletest nlohmann-json3-dev \
  binutils-mingw-w64-x86-64 xvfb openbox x11-utils wixl msitools faketime python3

step "cross build"
# The windows preset: Release at -O2 rather than CMake's -O3 (at -O3 GCC 12
# inlines deep enough into libstdc++'s string code to raise false -Wrestrict
# warnings, which warnings as errors would turn into a failed build), and
# GoogleTest from /usr/src/googletest. Its tests are the core's, the fuzz
# corpus replay and the Windows-only ones: the bad-input suite builds on
# Linux file system behaviour (symbolic links, UTF-8 names, paths longer
# than MAX_PATH) and stays with `make test`.
cmake --preset windows
cmake --build --preset windows -j "$JOBS"

step "QMRRebuilder.exe stands alone"
rebuilder_exe="$BUILD_DIR/bin/QMRRebuilder.exe"
# Only DLLs that every Windows has: no MinGW or C++ runtime beside it.
dlls=$(x86_64-w64-mingw32-objdump -p "$rebuilder_exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort)
echo "$dlls" | tr '\n' ' '; echo
for dll in $dlls; do
  case "$dll" in
    kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | msvcrt.dll) ;;
    *) echo "QMRRebuilder.exe needs $dll, not a Windows system DLL" >&2; exit 1 ;;
  esac
done
size=$(stat -c %s "$rebuilder_exe")
echo "QMRRebuilder.exe: $size bytes"
[ "$size" -lt $((3 * 1024 * 1024)) ] || { echo "QMRRebuilder.exe is 3 MB or more" >&2; exit 1; }

step "the programs as installed"
# What the zip and the MSI carry: CMake's install of the build into a folder.
installed=$(mktemp -d "$PWD/$BUILD_DIR/installed.XXXXXX")
trap 'rm -rf "$installed"' EXIT  # until cleanup below takes over
cmake --install "$BUILD_DIR" --prefix "$installed" >/dev/null
for program in QMRRebuilder qmr; do
  exe="$installed/$program.exe"
  sections=$(x86_64-w64-mingw32-objdump -h "$exe" | awk '$1 ~ /^[0-9]+$/ { print $2 }')
  ! grep -q '^\.debug' <<<"$sections" || { echo "$program.exe has debug sections: $(echo $sections)" >&2; exit 1; }
  grep -qx '\.rsrc' <<<"$sections" || { echo "$program.exe has no resources" >&2; exit 1; }
  # The version information, in the UTF-16 text of the resources.
  texts=$(x86_64-w64-mingw32-strings -el "$exe")
  for field in ProductName FileVersion ProductVersion CompanyName FileDescription LegalCopyright; do
    grep -qx "$field" <<<"$texts" || { echo "$program.exe's version information has no $field" >&2; exit 1; }
  done
  grep -qx "$(sed -n 's/^QMR_PUBLISHER:STRING=//p' "$BUILD_DIR/CMakeCache.txt")" <<<"$texts" \
    || { echo "$program.exe does not name its publisher" >&2; exit 1; }
  grep -qa 'requestedExecutionLevel level="asInvoker"' "$exe" || { echo "$program.exe has no manifest" >&2; exit 1; }
  echo "$program.exe: $(stat -c %s "$exe") bytes, no debug sections, version information and manifest"
done
grep -qa '<longPathAware[^>]*>true</longPathAware>' "$installed/qmr.exe" \
  || { echo "qmr.exe is not marked aware of long paths" >&2; exit 1; }

step "Wine prefix"
# Wine from the package: the 64-bit loader itself (the `wine` wrapper only
# adds a hint about the missing 32-bit part).
wine_loader=$(command -v wine64 || true)
[ -n "$wine_loader" ] || [ ! -x /usr/lib/wine/wine64 ] || wine_loader=/usr/lib/wine/wine64
[ -n "$wine_loader" ] || wine_loader=$(command -v wine)
wineserver_bin=$(command -v wineserver || echo /usr/lib/wine/wineserver)

# The prefix lives in the build folder, on the disk: Wine keeps the hidden and
# system attributes that the tests set in extended attributes, which a /tmp
# on an older kernel's tmpfs would not hold.
WINEPREFIX=$(mktemp -d "$PWD/$BUILD_DIR/wine-prefix.XXXXXX")
export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all
# No Mono/Gecko installer prompts; the windows open on our own display.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# Wine turns the Unix arguments into wide text through the Unix locale; the
# Windows side then runs with the Western European ANSI code page 1252.
export LC_ALL=C.UTF-8

# Wine keeps its server's socket in a folder named after the prefix's device
# and inode, which outlives the server.
server_dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
cleanup() {
  "$wineserver_bin" -k >/dev/null 2>&1 || true
  if [ -n "${openbox_pid:-}" ]; then
    kill "$openbox_pid" 2>/dev/null || true
    wait "$openbox_pid" 2>/dev/null || true
  fi
  if [ -n "${xvfb_pid:-}" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  "$wineserver_bin" -w >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX" "$installed"
  for dir in "${TMPDIR:-/tmp}"/wine-*/"$server_dir" /tmp/wine-*/"$server_dir" "/tmp/.wine-$(id -u)/$server_dir"; do
    [ -d "$dir" ] || continue
    rm -rf "$dir"
    rmdir "$(dirname "$dir")" 2>/dev/null || true
  done
}
trap cleanup EXIT

step "display"
# An X server of our own on the first free display number, for the windows'
# tests, with a window manager; both stopped by cleanup.
xvfb_pid=
for number in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
  Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$number" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -e "/tmp/.X11-unix/X$number" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
    export DISPLAY=":$number"
    break
  fi
  xvfb_pid=
done
[ -n "$xvfb_pid" ] || { echo "could not start Xvfb" >&2; exit 1; }
# A window manager: without one Wine waits out a timeout each time a window
# is shown or activated.
openbox >/dev/null 2>&1 &
openbox_pid=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
echo "Xvfb and openbox on $DISPLAY"

# One server for the set-up and every test run, stopped by cleanup.
"$wineserver_bin" -p
wineboot -i >/dev/null 2>&1

step "tests under Wine"
# One CTest entry, and one Wine start, per test program.
ctest --preset windows -j "$JOBS"

step "qmr.exe under Wine"
wine_run() { "$wine_loader" "$@"; }
qmr_exe="$BUILD_DIR/bin/qmr.exe"
trends_dir="$WINEPREFIX/drive_c/trends"
mkdir -p "$trends_dir"
wine_run "$BUILD_DIR/bin/qmr-samples.exe" 'C:\trends' >/dev/null
[ -f "$trends_dir/TANK1.000" ] || { echo "qmr-samples.exe wrote no TANK1.000" >&2; exit 1; }
rm -f "$trends_dir/TANK1.qmr"

wine_run "$qmr_exe" rebuild 'C:\trends\TANK1.000'
master="$trends_dir/TANK1.qmr"
[ -f "$master" ] || { echo "qmr.exe rebuild wrote no TANK1.qmr" >&2; exit 1; }
# Every entry names its data file with the drive and backslashes.
for number in 000 005 011; do
  if ! grep -qaF "C:\\trends\\TANK1.$number" "$master"; then
    echo "TANK1.qmr has no entry for C:\\trends\\TANK1.$number" >&2
    exit 1
  fi
done
# `show` prints text fields quoted, a backslash as "\\".
wine_run "$qmr_exe" show 'C:\trends\TANK1.qmr' | grep -F '"C:\\trends\\TANK1.000' >/dev/null \
  || { echo "qmr.exe show does not list C:\\trends\\TANK1.000" >&2; exit 1; }

# A name the ANSI code page cannot hold is refused before anything is read.
mkdir -p "$WINEPREFIX/drive_c/中"
cp "$trends_dir/TANK1.000" "$WINEPREFIX/drive_c/中/"
set +e
message=$(wine_run "$qmr_exe" rebuild 'C:\中\TANK1.000' 2>&1)
status=$?
set -e
if [ "$status" -ne 1 ] && [ "$status" -ne 2 ] || ! grep -q 'U+4E2D' <<<"$message"; then
  echo "qmr.exe accepted a name outside the ANSI code page (exit $status): $message" >&2
  exit 1
fi
if ls "$WINEPREFIX/drive_c/中/" | grep -q '\.qmr$' || ls "$WINEPREFIX/drive_c/" | grep -q '\.qmr$'; then
  echo "qmr.exe wrote a master for a refused name" >&2
  exit 1
fi
echo "refused as expected: $message"

step "QMRRebuilder.exe under Wine, driven from outside"
# The load step opens c:\quorax\data: generated trends there are listed at
# once. window-driver selects them all, presses OK, answers every message
# box and presses Close.
data_dir="$WINEPREFIX/drive_c/quorax/data"
mkdir -p "$data_dir"
trends=$(wine_run "$BUILD_DIR/bin/qmr-samples.exe" 'C:\quorax\data' | tr -d '\r' | wc -l)
wine_run "$rebuilder_exe" &
rebuilder_pid=$!
if ! driven=$(wine_run "$BUILD_DIR/tests/win32/window-driver.exe" rebuild | tr -d '\r'); then
  kill "$rebuilder_pid" 2>/dev/null || true
  echo "$driven"
  echo "window-driver could not rebuild through the window" >&2
  exit 1
fi
wait "$rebuilder_pid" || { echo "QMRRebuilder.exe ended with $?" >&2; exit 1; }
echo "$driven"
grep -qx "trends listed: $trends" <<<"$driven" || { echo "the window did not list the $trends trends" >&2; exit 1; }

# The same trends rebuilt by qmr.exe give the same masters, byte for byte,
# but for the 24-byte date and time in the banner.
window_masters="$BUILD_DIR/window-masters"
rm -rf "$window_masters"
mkdir "$window_masters"
mv "$data_dir"/*.qmr "$window_masters"/
[ "$(ls "$window_masters" | wc -l)" -eq "$trends" ] || { echo "the window wrote $(ls "$window_masters" | wc -l) of $trends masters" >&2; exit 1; }
set +e
wine_run "$qmr_exe" rebuild -q 'C:\quorax\data\*.000' >/dev/null 2>&1
status=$?
set -e
[ "$status" -eq 0 ] || [ "$status" -eq 3 ] || { echo "qmr.exe rebuild failed ($status)" >&2; exit 1; }
without_date() {
  perl -0777 -ne 'my $head = substr($_, 0, 176); my $n = ($head =~ s/[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}/"#" x 24/e);
    die "no date in the banner\n" unless $n == 1; print $head, substr($_, 176)' "$1"
}
for master in "$window_masters"/*.qmr; do
  name=$(basename "$master")
  [ -f "$data_dir/$name" ] || { echo "qmr.exe wrote no $name" >&2; exit 1; }
  if ! cmp -s <(without_date "$master") <(without_date "$data_dir/$name"); then
    echo "$name from the window differs from qmr.exe's" >&2
    cmp <(without_date "$master") <(without_date "$data_dir/$name") | head -3 >&2
    exit 1
  fi
done
echo "the window's $trends masters are qmr.exe's, byte for byte but for the date"

step "a master rebuilt away from the plant"
# The Linux qmr of a debug or release build, or one built for this check.
linux_qmr=""
for candidate in build/bin/qmr build-release/bin/qmr; do
  [ -x "$candidate" ] && linux_qmr=$candidate && break
done
if [ -z "$linux_qmr" ]; then
  ./scripts/install-deps.sh g++ nlohmann-json3-dev
  cmake --preset release -DQMR_BUILD_GUI=OFF -DBUILD_TESTING=OFF > /dev/null
  cmake --build --preset release -j "$JOBS" --target qmr
  linux_qmr=build-release/bin/qmr
fi
./scripts/record-as-check.sh "$wine_loader" "$BUILD_DIR" "$linux_qmr"

step "the MSI: installed, upgraded and removed silently"
./scripts/test-windows-msi.sh "$wine_loader" "$BUILD_DIR" "$installed"

step "done"
