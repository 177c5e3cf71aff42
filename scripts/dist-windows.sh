#!/usr/bin/env bash
# `make dist-windows`: builds QMRRebuilder.exe and qmr.exe for 64-bit Windows
# (the windows preset) and packs them with a README.txt for plant engineers
# (CRLF line endings) into dist/QMRRebuilder-VERSION-windows-x64.zip, VERSION
# taken from the project's version (ProgramVersion.h).
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=build-windows
./scripts/install-deps.sh cmake make g++-mingw-w64-x86-64-posix googletest nlohmann-json3-dev zip
cmake --preset windows >/dev/null
cmake --build --preset windows -j "${JOBS:-$(nproc)}" --target QMRRebuilder qmr

version=$(sed -n 's/.*kVersionText = "\([^"]*\)".*/\1/p' "$BUILD_DIR/generated/ProgramVersion.h")
[ -n "$version" ] || { echo "no version in $BUILD_DIR/generated/ProgramVersion.h" >&2; exit 1; }
name="QMRRebuilder-$version-windows-x64"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$BUILD_DIR/bin/QMRRebuilder.exe" "$BUILD_DIR/bin/qmr.exe" "$stage/"
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' docs/windows-README.txt >"$stage/README.txt"

mkdir -p dist
rm -f "dist/$name.zip"
# -X: no Unix owners or extra time stamps; the files in this order.
(cd "$stage" && zip -q -X "$OLDPWD/dist/$name.zip" QMRRebuilder.exe qmr.exe README.txt)
unzip -l "dist/$name.zip"
echo "dist/$name.zip"
