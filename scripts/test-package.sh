#!/usr/bin/env bash
# `make test-package`: builds the Debian package (make package), installs it
# on this machine with apt-get, tries what it installed where a user would
# find it, and removes it again, checking that nothing it installed is left.
# Needs root, or sudo. Installs what it needs on a fresh Debian machine.
# Each check reads `CHECK && pass ... || fail ...`: pass never fails.
# shellcheck disable=SC2015
set -euo pipefail
cd "$(dirname "$0")/.."

started=$(date +%s)
step() { echo "== [$(($(date +%s) - started))s] $*"; }

passed=0
failed=0
skipped=0
pass() {
  echo "ok: $*"
  passed=$((passed + 1))
}
fail() {
  echo "FAILED: $*" >&2
  failed=$((failed + 1))
}

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive

if dpkg-query -W -f '${Status}' qmr-rebuilder 2> /dev/null | grep -q 'ok installed'; then
  echo "test-package: qmr-rebuilder is installed on this machine already; remove it first" >&2
  echo "  (sudo apt-get remove --purge qmr-rebuilder): this test installs and removes it." >&2
  exit 1
fi

step "package"
make package
debs=(qmr-rebuilder_*.deb)
[ ${#debs[@]} -eq 1 ] || {
  echo "test-package: expected one package, found: ${debs[*]}" >&2
  exit 1
}
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
upstream_version=${version%-*}
# qmr-samples is no part of the package: the package build's writes the trends.
samples=build-package/bin/qmr-samples
[ -x "$samples" ] || {
  echo "test-package: $samples is missing" >&2
  exit 1
}

step "tools"
# man-db: man -w; desktop-file-utils: desktop-file-validate; bash-completion:
# the loader that finds qmr's completion; file: the icons' sizes.
./scripts/install-deps.sh man-db desktop-file-utils bash-completion file

work=$(mktemp -d)
gui_pid=""
installed=false
cleanup() {
  if [ -n "$gui_pid" ] && kill -0 "$gui_pid" 2> /dev/null; then
    kill -KILL "$gui_pid" 2> /dev/null || true
  fi
  if $installed; then
    "${sudo_cmd[@]}" apt-get remove --purge -y -q qmr-rebuilder > /dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

step "install $deb"
# As a user would: apt-get brings the dependencies dpkg-shlibdeps computed.
"${sudo_cmd[@]}" apt-get update -q > /dev/null
installed=true
"${sudo_cmd[@]}" apt-get install -y -q "./$deb"
dpkg-query -L qmr-rebuilder | sort > "$work/installed-paths"

step "programs"
expected_version="QMR Rebuilder version $upstream_version"
for program in qmr QMRRebuilder; do
  [ "$(command -v "$program")" = "/usr/bin/$program" ] &&
    pass "$program is /usr/bin/$program" || fail "$program is not /usr/bin/$program: $(command -v "$program" || true)"
  file -L "/usr/bin/$program" | grep -q ', stripped' &&
    pass "/usr/bin/$program is stripped" || fail "/usr/bin/$program is not stripped: $(file -L "/usr/bin/$program")"
  ! ldd "/usr/bin/$program" | grep -q 'not found' &&
    pass "/usr/bin/$program finds its libraries" || fail "/usr/bin/$program misses libraries: $(ldd "/usr/bin/$program")"
done
actual_version=$(qmr --version)
[ "$actual_version" = "$expected_version" ] &&
  pass "qmr --version: $actual_version" || fail "qmr --version printed '$actual_version', not '$expected_version'"

step "man page"
# Debian's container images tell dpkg to leave out /usr/share/man
# (path-exclude in /etc/dpkg/dpkg.cfg.d/); there no man page can be found,
# whatever the package holds.
man_excluded=$(grep -ls '^path-exclude[= ]*/usr/share/man' /etc/dpkg/dpkg.cfg.d/* 2> /dev/null || true)
if [ -n "$man_excluded" ]; then
  echo "SKIPPED: man qmr: dpkg on this machine does not install man pages (path-exclude /usr/share/man in $man_excluded)"
  dpkg-deb -c "$deb" | grep -q ' ./usr/share/man/man1/qmr.1.gz$' &&
    pass "the package holds usr/share/man/man1/qmr.1.gz" || fail "the package holds no usr/share/man/man1/qmr.1.gz"
  skipped=$((skipped + 1))
else
  page=$(man -w qmr 2> /dev/null || true)
  [ "$page" = /usr/share/man/man1/qmr.1.gz ] &&
    pass "man -w qmr: $page" || fail "man -w qmr found '$page', not /usr/share/man/man1/qmr.1.gz"
  MANWIDTH=80 man -P cat qmr 2> /dev/null > "$work/man.txt" || true
  missing=0
  for part in 'qmr - rebuild, check and show trend master files' 'qmr rebuild' 'qmr check' 'qmr scan' 'qmr show' \
    '--record-as' 'Exit status:' 'JSON OUTPUT' 'by_status' 'EXAMPLES' 'SEE ALSO' "$expected_version"; do
    grep -qF -- "$part" "$work/man.txt" || {
      fail "man qmr does not show '$part'"
      missing=$((missing + 1))
    }
  done
  [ "$missing" -eq 0 ] && pass "man qmr shows the commands, options, exit statuses, JSON fields and examples"
fi

step "desktop entry and icon"
desktop=/usr/share/applications/qmr-rebuilder.desktop
desktop-file-validate "$desktop" && pass "desktop-file-validate $desktop" || fail "desktop-file-validate $desktop"
for line in 'Name=QMR Rebuilder' 'Exec=QMRRebuilder' 'Icon=qmr-rebuilder' 'Categories=Utility;'; do
  grep -qxF "$line" "$desktop" || fail "$desktop has no line $line"
done
icons_ok=true
for size in 16 24 32 48 64 128 256; do
  icon=/usr/share/icons/hicolor/${size}x${size}/apps/qmr-rebuilder.png
  file "$icon" | grep -q "PNG image data, $size x $size," || {
    fail "$icon is not a $size x $size PNG: $(file "$icon")"
    icons_ok=false
  }
done
icon=/usr/share/icons/hicolor/scalable/apps/qmr-rebuilder.svg
file "$icon" | grep -q 'SVG' || {
  fail "$icon is not an SVG drawing: $(file "$icon")"
  icons_ok=false
}
$icons_ok && pass "the icon in /usr/share/icons/hicolor at 16 to 256 pixels and scalable"

step "bash completion"
# bash-completion loads a command's completion from its file on first use
# (its loader returns 124: "try the completion again").
loaded=$(bash -c 'source /usr/share/bash-completion/bash_completion; _completion_loader qmr; complete -p qmr' 2>&1 || true)
[ "$loaded" = "complete -F _qmr qmr" ] &&
  pass "bash-completion loads qmr's completion" || fail "qmr's completion not loaded: $loaded"

step "qmr rebuilds a generated trend"
"$samples" "$work/trends" > /dev/null
rm -f "$work/trends/TANK1.qmr"
if (cd "$work/trends" && qmr rebuild TANK1.000 > "$work/rebuilt") && [ -s "$work/trends/TANK1.qmr" ] &&
  (cd "$work/trends" && qmr check TANK1.000 | grep -q ': ok$'); then
  pass "qmr rebuild and check: $(cat "$work/rebuilt")"
else
  fail "qmr did not rebuild TANK1: $(cat "$work/rebuilt")"
fi

step "QMRRebuilder starts"
# The windows on Qt's offscreen platform: still running after two seconds,
# then ended by SIGTERM (exit 143), not by a crash of its own.
(
  cd "$work/trends"
  unset DISPLAY WAYLAND_DISPLAY
  # Qt's runtime folder too in the throw-away folder, not left in /tmp.
  mkdir -m 700 "$work/runtime"
  exec env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" QMRRebuilder > "$work/gui.log" 2>&1
) &
gui_pid=$!
sleep 2
if kill -0 "$gui_pid" 2> /dev/null; then
  kill -TERM "$gui_pid"
  status=0
  wait "$gui_pid" || status=$?
  [ "$status" -eq 143 ] && pass "QMRRebuilder ran offscreen and ended on SIGTERM" ||
    fail "QMRRebuilder ended with status $status on SIGTERM: $(cat "$work/gui.log")"
else
  status=0
  wait "$gui_pid" || status=$?
  fail "QMRRebuilder ended by itself within two seconds (status $status): $(cat "$work/gui.log")"
fi
gui_pid=""

step "remove"
"${sudo_cmd[@]}" apt-get remove --purge -y -q qmr-rebuilder > /dev/null
installed=false
dpkg-query -W -f '${Status}' qmr-rebuilder 2> /dev/null | grep -q 'ok installed' &&
  fail "qmr-rebuilder is still installed" || pass "qmr-rebuilder removed"
# Every file it installed is gone; a folder it installed may stay only as
# another package's folder too (/usr/bin, the icon theme's folders).
left=()
while IFS= read -r path; do
  [ "$path" = /. ] && continue
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    dpkg-query -S "$path" > /dev/null 2>&1 || left+=("$path/")
  elif [ -e "$path" ] || [ -L "$path" ]; then
    left+=("$path")
  fi
done < "$work/installed-paths"
[ ${#left[@]} -eq 0 ] &&
  pass "nothing of the $(wc -l < "$work/installed-paths") paths it installed is left" ||
  fail "left behind after the purge: ${left[*]}"

step "done"
echo "test-package: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
