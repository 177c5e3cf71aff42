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

# Rebuild from relative paths: one line per trend, every master written; the
# demo's damaged trends make it "done, with warnings".
set --
while IFS= read -r name; do set -- "$@" "$name"; done < "$work/names"
status=0
"$qmr" rebuild "$@" > "$work/rebuilt" 2> "$work/rebuild-messages" || status=$?
[ "$status" -eq 3 ] || fail "rebuild exited with $status: $(cat "$work/rebuild-messages")"
[ "$(wc -l < "$work/rebuilt")" -eq "$#" ] || fail "expected $# lines from rebuild: $(cat "$work/rebuilt")"
while IFS= read -r name; do
  master="${name%.000}.qmr"
  [ -f "$master" ] || fail "$master not written"
  grep -qF "$demo/$master: version " "$work/rebuilt" || fail "no line for $master"
done < "$work/names"

# Check: every master ok, with the same warnings.
status=0
"$qmr" check "$@" > "$work/checked" 2> /dev/null || status=$?
[ "$status" -eq 3 ] || fail "check did not pass ($status): $(cat "$work/checked")"
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

# JSON Lines that parse, with a summary last, on the demo, on damaged and cut
# files, and on failures and refusals.
if command -v python3 > /dev/null; then
  parse() { python3 -c 'import json, sys
lines = [json.loads(line) for line in sys.stdin]
assert lines and lines[-1]["type"] == "summary", lines' || fail "JSON output does not parse: $1"; }
  "$qmr" rebuild --json "$@" | parse "rebuild"
  "$qmr" check --json -v "$@" | parse "check"
  cp TANK1.000 FOLD.000 && mkdir FOLD.qmr && : > CUT.000
  "$qmr" rebuild --json CUT.000 NOWHERE.000 FOLD.000 | parse "failures"
  "$qmr" show --json "$master" | parse "show"
fi

# A result that cannot be written is a failure, not a success.
if [ -w /dev/full ]; then
  status=0
  "$qmr" check "$first" > /dev/full 2> "$work/full" || status=$?
  [ "$status" -eq 1 ] && grep -q "cannot write to standard output" "$work/full" || fail "a full standard output went unnoticed"
fi

# The sample generator explains itself instead of making a folder "--help".
"$samples" --help > "$work/usage" || fail "qmr-samples --help failed"
grep -q "^usage: qmr-samples FOLDER" "$work/usage" || fail "qmr-samples --help printed no usage"
[ ! -e ./--help ] || fail "qmr-samples made a folder named --help"

# Version text, exactly.
[ "$("$qmr" --version)" = "QMR Rebuilder version 1.01.000" ] || fail "wrong version text"

# Wrong usage exits with 2.
status=0
"$qmr" rebuild > /dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "wrong usage gave status $status"

echo "end_to_end: all passed"
