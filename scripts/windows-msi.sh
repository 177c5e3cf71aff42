#!/usr/bin/env bash
# Packs the Windows programs into an MSI with wixl (msitools):
#
#   windows-msi.sh WXS FOLDER VERSION OUTPUT.msi
#
# WXS is the build's generated/QMRRebuilder.wxs, FOLDER what
# `cmake --install` put there (QMRRebuilder.exe, qmr.exe, README.txt,
# LICENSE.txt, NOTICES.txt), VERSION the product version ("1.01.000").
# The same files give the same MSI, byte for byte: it is dated by
# SOURCE_DATE_EPOCH (by default the last commit's time; the files' times
# are set to it too, as the cabinet inside records them), and the codes
# that wixl would draw at random are derived instead.
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: $0 WXS FOLDER VERSION OUTPUT.msi" >&2; exit 2; }
wxs=$1
folder=$2
version=$3
output=$4
: "${SOURCE_DATE_EPOCH:=$(git log -1 --format=%ct 2>/dev/null || date +%s)}"

# The product code is a name-based UUID of the version (within the fixed
# upgrade code): the same for every build of one version, another for the
# next, as a major upgrade needs.
product_code=$(python3 - "$wxs" "$version" <<'PY'
import re, sys, uuid
wxs, version = sys.argv[1:]
upgrade_code = re.search(r'UpgradeCode="([0-9A-Fa-f-]{36})"', open(wxs, encoding="utf-8").read()).group(1)
print("{%s}" % str(uuid.uuid5(uuid.UUID(upgrade_code), "product " + version)).upper())
PY
)

# wixl and msibuild write the current time into the summary information:
# both run at the commit's time, in UTC, on a clock that stands still (-f
# and a plain date; faketime's own clock would go on ticking and now and
# then move a run into the next second).
at_commit_time() { TZ=UTC faketime -f "$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')" "$@"; }
find "$folder" -type f -exec touch -d "@$SOURCE_DATE_EPOCH" {} +

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# wixl's own warnings about what it leaves out go to its log, shown when it fails.
# wixl finds the files by paths relative to the source's folder.
files=$(realpath --relative-to="$(dirname "$wxs")" "$folder")
if ! at_commit_time wixl -a x64 -D "Version=$version" -D "ProductCode=$product_code" -D "Files=$files" \
  -o "$work/package.msi" "$wxs" >"$work/wixl.log" 2>&1; then
  cat "$work/wixl.log" >&2
  exit 1
fi

# The package code (the summary's revision number) names one MSI's content:
# wixl draws it at random; here it is a name-based UUID of the package
# itself, written with a blank revision first.
summary() { at_commit_time msibuild "$work/package.msi" -s "$(msiinfo suminfo "$work/package.msi" | sed -n 's/^Subject: //p')" \
  "$(msiinfo suminfo "$work/package.msi" | sed -n 's/^Author: //p')" "x64;1033" "$1"; }
summary "{00000000-0000-0000-0000-000000000000}"
package_code=$(python3 - "$product_code" "$work/package.msi" <<'PY'
import hashlib, sys, uuid
product_code, msi = sys.argv[1:]
digest = hashlib.sha256(open(msi, "rb").read()).hexdigest()
print("{%s}" % str(uuid.uuid5(uuid.UUID(product_code), "package " + digest)).upper())
PY
)
summary "$package_code"
mv "$work/package.msi" "$output"
echo "$output: version $version, product code $product_code, package code $package_code"
