#!/usr/bin/env bash
# A master rebuilt at the plant and one rebuilt away from it agree. Run by
# scripts/test-windows.sh inside its Wine prefix:
#
#   record-as-check.sh WINE_LOADER WINDOWS_BUILD LINUX_QMR
#
# qmr.exe under Wine rebuilds a trend in D:\PLANT\DATA (a Wine drive mapped
# to a folder of the prefix); the Linux qmr, given the same files and
# --record-as 'D:\PLANT\DATA', says the master is ok and writes the same
# bytes but for the banner's time.
set -euo pipefail
wine_loader=$1
windows_build=$2
linux_qmr=$3

plant="$WINEPREFIX/plant-d"
mkdir -p "$plant/PLANT/DATA"
ln -sfn "$plant" "$WINEPREFIX/dosdevices/d:"
"$wine_loader" "$windows_build/bin/qmr-samples.exe" 'D:\PLANT\DATA' > /dev/null
data="$plant/PLANT/DATA"
[ -f "$data/TANK1.000" ] || { echo "qmr-samples.exe wrote no D:\\PLANT\\DATA\\TANK1.000" >&2; exit 1; }
"$wine_loader" "$windows_build/bin/qmr.exe" rebuild 'D:\PLANT\DATA\TANK1.000' > /dev/null
grep -qaF 'D:\PLANT\DATA\TANK1.011' "$data/TANK1.qmr" || { echo "the plant's master names no D: path" >&2; exit 1; }

# Away from the plant: the check of the plant's master, then a rebuild of a copy.
"$linux_qmr" check --record-as 'D:\PLANT\DATA' "$data/TANK1.000" \
  || { echo "qmr check --record-as does not accept the plant's master" >&2; exit 1; }
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
cp "$data"/TANK1.0* "$copy/"
"$linux_qmr" rebuild --record-as 'D:\PLANT\DATA' "$copy/TANK1.000" > /dev/null
python3 - "$data/TANK1.qmr" "$copy/TANK1.qmr" <<'PY'
import sys
plant, away = (open(path, "rb").read() for path in sys.argv[1:])
# The date and time of writing follow the fourth line break of the banner.
start = 0
for _ in range(4):
    start = plant.index(b"\r\n", start) + 2
differing = [i for i in range(max(len(plant), len(away)))
             if i >= min(len(plant), len(away)) or plant[i] != away[i]]
if len(plant) != len(away) or any(not start <= i < start + 24 for i in differing):
    sys.exit(f"masters differ outside the banner's time: {len(plant)} and {len(away)} bytes, first at {differing[:1]}")
print(f"plant and away agree: {len(plant)} bytes, {len(differing)} differing bytes, all in the banner's time")
PY
