#!/usr/bin/env bash
# `make dist-windows`: builds QMRRebuilder.exe and qmr.exe for 64-bit Windows
# (the windows preset), lets CMake install them with README.txt (for plant
# engineers), LICENSE.txt and NOTICES.txt into a folder, and packs that
# folder twice, VERSION being the project's version (ProgramVersion.h):
#   dist/QMRRebuilder-VERSION-windows-x64.zip  unzip and run
#   dist/QMRRebuilder-VERSION-windows-x64.msi  installs under Program Files
# Both are dated by the last commit (SOURCE_DATE_EPOCH, as `make package`
# does), so that the same sources give the same files.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=build-windows
./scripts/install-deps.sh cmake make g++-mingw-w64-x86-64-posix googletest nlohmann-json3-dev zip \
  wixl msitools faketime python3
cmake --preset windows >/dev/null
cmake --build --preset windows -j "${JOBS:-$(nproc)}" --target QMRRebuilder qmr

version=$(sed -n 's/.*kVersionText = "\([^"]*\)".*/\1/p' "$BUILD_DIR/generated/ProgramVersion.h")
[ -n "$version" ] || { echo "no version in $BUILD_DIR/generated/ProgramVersion.h" >&2; exit 1; }
name="QMRRebuilder-$version-windows-x64"
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$BUILD_DIR" --prefix "$stage" >/dev/null
files=(QMRRebuilder.exe qmr.exe README.txt LICENSE.txt NOTICES.txt)
for file in "${files[@]}"; do
  [ -f "$stage/$file" ] || { echo "the install of $BUILD_DIR holds no $file" >&2; exit 1; }
  touch -d "@$SOURCE_DATE_EPOCH" "$stage/$file"
done

mkdir -p dist
rm -f "dist/$name.zip" "dist/$name.msi"
# -X: no Unix owners or extra time stamps; the files in this order, their
# times (which zip keeps as local time) in UTC.
(cd "$stage" && TZ=UTC zip -q -X "$OLDPWD/dist/$name.zip" "${files[@]}")
unzip -l "dist/$name.zip"
./scripts/windows-msi.sh "$BUILD_DIR/generated/QMRRebuilder.wxs" "$stage" "$version" "dist/$name.msi"
echo "dist/$name.zip"
echo "dist/$name.msi"
