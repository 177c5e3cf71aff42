#!/bin/sh
# The real qmr binary on a generated demo folder: rebuild every trend, check
# that every master is ok, show one, and the version text.
# Usage: end_to_end.sh QMR QMR_SAMPLES
set -eu
qmr=$1
samples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "end_to_end: $*" >&2; exit 1; }

"$samples" "$work/demo" > "$work/names"
[ -s "$work/names" ] || fail "no demo trends written"
cd "$work/demo"
demo=$(pwd -P)  # the working folder as the tool sees it

# Rebuild from relative paths: one line per trend, every master written.
set --
while IFS= read -r name; do set -- "$@" "$name"; done < "$work/names"
"$qmr" rebuild "$@" > "$work/rebuilt" 2> "$work/rebuild-messages" || fail "rebuild failed: $(cat "$work/rebuild-messages")"
[ "$(wc -l < "$work/rebuilt")" -eq "$#" ] || fail "expected $# lines from rebuild: $(cat "$work/rebuilt")"
while IFS= read -r name; do
  master="${name%.000}.qmr"
  [ -f "$master" ] || fail "$master not written"
  grep -qF "$demo/$master: version " "$work/rebuilt" || fail "no line for $master"
done < "$work/names"

# Check: every master ok, exit status 0.
"$qmr" check "$@" > "$work/checked" 2> /dev/null || fail "check did not pass: $(cat "$work/checked")"
[ "$(grep -c ': ok$' "$work/checked")" -eq "$#" ] || fail "not all ok: $(cat "$work/checked")"

# A changed byte in an entry is found.
first=$(head -n 1 "$work/names")
master="${first%.000}.qmr"
printf 'Z' | dd of="$master" bs=1 seek=200 conv=notrunc 2> /dev/null
if "$qmr" check "$first" > "$work/changed" 2> /dev/null; then fail "changed master passed the check"; fi
grep -q ': differs: entry 0 field ' "$work/changed" || fail "unexpected check output: $(cat "$work/changed")"

# Show one master and one data file.
"$qmr" show "$master" > "$work/shown" || fail "show failed"
grep -q 'line 1: "QUORAX"' "$work/shown" || fail "banner not shown"
"$qmr" show "$first" > "$work/shown" || fail "show of a data file failed"
grep -q '^  order_key ' "$work/shown" || fail "order_key not shown"

# Version text, exactly.
[ "$("$qmr" --version)" = "QMR Rebuilder version 1.01.000" ] || fail "wrong version text"

# Wrong usage exits with 2.
status=0
"$qmr" rebuild > /dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "wrong usage gave status $status"

echo "end_to_end: all passed"
