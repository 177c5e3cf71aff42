#!/usr/bin/env bash
# The MSI as a plant's IT department uses it, under Wine: installed, started,
# upgraded and removed silently, in a Wine prefix of its own. Run by
# scripts/test-windows.sh on its display:
#
#   test-windows-msi.sh WINE_LOADER WINDOWS_BUILD FOLDER
#
# FOLDER is what `cmake --install` put in a folder for the MSI. A second MSI
# of a higher version, whose README.txt names that version, is installed
# over the first.
set -euo pipefail
wine_loader=$1
windows_build=$2
files=$3
wineserver_bin=$(command -v wineserver || echo /usr/lib/wine/wineserver)

fail() { echo "MSI: $*" >&2; exit 1; }
version=$(sed -n 's/.*kVersionText = "\([^"]*\)".*/\1/p' "$windows_build/generated/ProgramVersion.h")
newer=$(awk -F. '{ printf "%s.%s.%03d", $1, $2, $3 + 1 }' <<<"$version")
publisher=$(sed -n 's/^QMR_PUBLISHER:STRING=//p' "$windows_build/CMakeCache.txt")
wxs="$windows_build/generated/QMRRebuilder.wxs"

work=$(mktemp -d "$PWD/$windows_build/msi-test.XXXXXX")
export WINEPREFIX="$work/prefix"
mkdir "$WINEPREFIX"
server_dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
cleanup() {
  "$wineserver_bin" -k >/dev/null 2>&1 || true
  "$wineserver_bin" -w >/dev/null 2>&1 || true
  rm -rf "$work"
  for dir in "${TMPDIR:-/tmp}"/wine-*/"$server_dir" /tmp/wine-*/"$server_dir" "/tmp/.wine-$(id -u)/$server_dir"; do
    [ -d "$dir" ] || continue
    rm -rf "$dir"
    rmdir "$(dirname "$dir")" 2>/dev/null || true
  done
}
trap cleanup EXIT

# The two MSIs; the newer one's README.txt tells it from the older.
cp -a "$files" "$work/newer-files"
sed -i "1s/$version/$newer/" "$work/newer-files/README.txt"
./scripts/windows-msi.sh "$wxs" "$files" "$version" "$work/older.msi"
./scripts/windows-msi.sh "$wxs" "$work/newer-files" "$newer" "$work/newer.msi"
product_code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
older_code=$(product_code "$work/older.msi")
newer_code=$(product_code "$work/newer.msi")
[ "$older_code" != "$newer_code" ] || fail "both versions have the product code $older_code"

"$wineserver_bin" -p
wineboot -i >/dev/null 2>&1
wine() { "$wine_loader" "$@"; }
msiexec() { wine msiexec "$1" "Z:${2//\//\\}" /qn || fail "msiexec $1 $(basename "$2") /qn ended with $?"; }
installed="$WINEPREFIX/drive_c/Program Files/QMR Rebuilder"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
products_key='HKLM\Software\Classes\Installer\Products'
# The values of a registry key as NAME=VALUE lines (nothing when there is no
# such key): one Wine start per key, as each takes a while.
key_values() { wine reg query "$1" 2>/dev/null | tr -d '\r' | sed -n 's/^ *\([^ ]*\) *REG_[A-Z_]* *\(.*\)$/\1=\2/p'; }
value_of() { sed -n "s/^$1=//p" <<<"$2"; }
# How many entries of Programs and Features are named QMR Rebuilder.
entries() { wine reg query "$uninstall_key" /s 2>/dev/null | tr -d '\r' | grep -c '^ *DisplayName *REG_SZ *QMR Rebuilder$' || true; }
# A product code as Windows Installer writes it in key names: each of the
# first three groups reversed, then each byte's two digits swapped.
squashed() { python3 -c 'import sys; g = sys.argv[1].strip("{}").replace("-", "")
print(g[7::-1] + g[11:7:-1] + g[15:11:-1] + "".join(g[i + 1] + g[i] for i in range(16, 32, 2)))' "$1"; }
icon_file=resources/icons/qmr-rebuilder.ico
shortcuts() { find "$WINEPREFIX/drive_c" -name 'QMR Rebuilder.lnk'; }
# Every file of FOLDER installed, the same bytes.
check_files() {
  for file in QMRRebuilder.exe qmr.exe README.txt LICENSE.txt NOTICES.txt; do
    cmp -s "$1/$file" "$installed/$file" || fail "$file is not installed from $(basename "$1")"
  done
  [ "$(ls "$installed" | wc -l)" -eq 5 ] || fail "Program Files\\QMR Rebuilder holds $(ls "$installed" | tr '\n' ' ')"
}
check_entry() {
  local entry icon
  entry=$(key_values "$uninstall_key\\$1")
  [ "$(value_of DisplayName "$entry")" = "QMR Rebuilder" ] || fail "no uninstall entry named QMR Rebuilder for $1"
  [ "$(value_of Publisher "$entry")" = "$publisher" ] || fail "the entry's publisher is not $publisher"
  [ "$(value_of DisplayVersion "$entry")" = "$2" ] || fail "the entry's version is not $2"
  # Windows shows the icon of ARPPRODUCTICON, which Wine keeps as the
  # product's ProductIcon: a copy of the icon in the installer's cache.
  icon=$(value_of ProductIcon "$(key_values "$products_key\\$(squashed "$1")")")
  [[ "$icon" == 'C:\'* ]] || fail "the product has no icon on C: ($icon)"
  icon_copy="$WINEPREFIX/drive_c/$(tr '\\' / <<<"${icon#C:\\}")"
  cmp -s "$icon_copy" "$icon_file" || fail "the product's icon $icon is not the program's"
  echo "uninstall entry $1: QMR Rebuilder, $publisher, $2, icon $icon"
}

msiexec /i "$work/older.msi"
check_files "$files"
[ "$(shortcuts | wc -l)" -eq 1 ] || fail "$(shortcuts | wc -l) Start menu shortcuts QMR Rebuilder.lnk"
grep -qaF 'QMR Rebuilder\QMRRebuilder.exe' "$(shortcuts)" || fail "the shortcut does not start the installed QMRRebuilder.exe"
echo "installed: $(ls "$installed" | tr "\n" " ")and the shortcut $(shortcuts | sed "s|^$WINEPREFIX/||")"
check_entry "$older_code" "$version"
reported=$(wine 'C:\Program Files\QMR Rebuilder\qmr.exe' --version | tr -d '\r')
grep -qF "$version" <<<"$reported" || fail "the installed qmr.exe --version says: $reported"
echo "installed qmr.exe --version: $reported"
wine 'C:\Program Files\QMR Rebuilder\QMRRebuilder.exe' &
rebuilder_pid=$!
wine "$windows_build/tests/win32/window-driver.exe" close || { kill "$rebuilder_pid" 2>/dev/null; fail "the installed QMRRebuilder.exe did not open and close its window"; }
wait "$rebuilder_pid" || fail "the installed QMRRebuilder.exe ended with $?"
echo "installed QMRRebuilder.exe opened its window and closed"

msiexec /i "$work/newer.msi"
check_files "$work/newer-files"
check_entry "$newer_code" "$newer"
[ "$(entries)" -eq 1 ] || fail "the upgrade left the entry of $version: $(entries) entries named QMR Rebuilder"
[ "$(shortcuts | wc -l)" -eq 1 ] || fail "$(shortcuts | wc -l) Start menu shortcuts after the upgrade"
echo "upgraded in place to $newer: one entry, the new files"

msiexec /x "$work/newer.msi"
[ ! -e "$installed" ] || fail "the uninstall left $(ls -A "$installed" | tr '\n' ' ') in Program Files\\QMR Rebuilder"
[ -z "$(shortcuts)" ] || fail "the uninstall left $(shortcuts)"
[ "$(entries)" -eq 0 ] || fail "the uninstall left its entry"
echo "uninstalled: nothing left in Program Files or the Start menu, no entry"
