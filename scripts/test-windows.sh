#!/usr/bin/env bash
# `make test-windows`: cross-builds the core, qmr.exe and the core tests for
# 64-bit Windows with MinGW-w64 and runs them under Wine, in a throw-away Wine
# prefix with no display. Installs what it needs on a fresh Debian machine.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${WINDOWS_BUILD_DIR:-build-windows}
JOBS=${JOBS:-$(nproc)}
GTEST_SOURCE_DIR=/usr/src/googletest
# The core's tests, the fuzz corpus replay and the Windows-only tests. The
# bad-input cases that build on Linux file system behaviour (symbolic links,
# pipes, names with trailing blanks) are compiled for Linux only.
TEST_AREAS="formats;sort;engine;cli;fuzz;windows"

started=$(date +%s)
step() { echo "== [$(( $(date +%s) - started ))s] $*"; }

step "packages"
./scripts/install-deps.sh cmake make g++-mingw-w64-x86-64-posix wine wine64 googletest

step "cross build"
# -O2 rather than CMake's -O3: at -O3 GCC 12 inlines deep enough into
# libstdc++'s string code to raise false -Wrestrict warnings, which
# warnings-as-errors would turn into a failed build.
cmake -S . -B "$BUILD_DIR" \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DQMR_BUILD_GUI=OFF -DQMR_WERROR=ON -DQMR_SANITIZE=OFF \
  -DQMR_GTEST_SOURCE_DIR="$GTEST_SOURCE_DIR" \
  -DQMR_TEST_AREAS="$TEST_AREAS"
cmake --build "$BUILD_DIR" -j "$JOBS"

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
# No Mono/Gecko installer prompts, and no display for any window to open on.
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
  "$wineserver_bin" -w >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  for dir in "${TMPDIR:-/tmp}"/wine-*/"$server_dir" /tmp/wine-*/"$server_dir" "/tmp/.wine-$(id -u)/$server_dir"; do
    [ -d "$dir" ] || continue
    rm -rf "$dir"
    rmdir "$(dirname "$dir")" 2>/dev/null || true
  done
}
trap cleanup EXIT

# One server for the set-up and every test run, stopped by cleanup.
"$wineserver_bin" -p
wineboot -i >/dev/null 2>&1

step "tests under Wine"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$JOBS"

step "qmr.exe under Wine"
wine_run() { "$wine_loader" "$@"; }
qmr_exe="$BUILD_DIR/app/qmr.exe"
trends_dir="$WINEPREFIX/drive_c/trends"
mkdir -p "$trends_dir"
wine_run "$BUILD_DIR/app/qmr-samples.exe" 'C:\trends' >/dev/null
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

step "done"
