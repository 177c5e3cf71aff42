#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (the fuzz preset, in build-fuzz) and
# runs each of them for a bounded time, starting from the committed seed corpus.
#
#   FUZZ_SECONDS   seconds per target (default 200: the five run 17 minutes)
#   FUZZ_TARGETS   which targets to run (default: all five)
#
# New inputs that libFuzzer finds interesting stay in build-fuzz/corpus;
# a crash or a broken invariant is written to build-fuzz/findings/<target>/
# and makes the script fail. Add a fixed finding to fuzz/corpus/<target>/ so
# that `make test` keeps replaying it.
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_SECONDS=${FUZZ_SECONDS:-200}
FUZZ_TARGETS=${FUZZ_TARGETS:-"data_header master_show rebuild command_line scan"}
BUILD_DIR=build-fuzz  # the fuzz preset's
JOBS=${JOBS:-$(nproc)}

./scripts/install-deps.sh cmake make g++ clang libclang-rt-14-dev nlohmann-json3-dev

cmake --preset fuzz
targets=()
for name in $FUZZ_TARGETS; do targets+=("fuzz_$name"); done
cmake --build --preset fuzz -j "$JOBS" --target "${targets[@]}"

# Largest input worth trying, per target: a whole data header (with room to
# spare), a master of a few entries, a trend of up to eight files, a command
# line of a few arguments, a tree of a few trends.
max_len() {
  case "$1" in
    data_header) echo 512 ;;
    master_show) echo 4096 ;;
    rebuild) echo 4096 ;;
    command_line) echo 512 ;;
    scan) echo 4096 ;;
    *) echo 4096 ;;
  esac
}

summary="$BUILD_DIR/fuzz-summary.txt"
: > "$summary"
status=0
for name in $FUZZ_TARGETS; do
  # Absolute: the command line targets change their working folder.
  work="$PWD/$BUILD_DIR/corpus/$name"
  findings="$PWD/$BUILD_DIR/findings/$name"
  log="$BUILD_DIR/fuzz-$name.log"
  mkdir -p "$work" "$findings"
  echo "== fuzz_$name for ${FUZZ_SECONDS}s (log: $log)"
  set +e
  "$BUILD_DIR/fuzz/fuzz_$name" "$work" "$PWD/fuzz/corpus/$name" \
    -max_total_time="$FUZZ_SECONDS" -max_len="$(max_len "$name")" -timeout=10 \
    -artifact_prefix="$findings/" -print_final_stats=1 > "$log" 2>&1
  rc=$?
  set -e
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<< "$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<< "$last")
  corpus=$(sed -n 's/.* corp: \([0-9]*\/[0-9A-Za-z]*\).*/\1/p' <<< "$last")
  if [ "$rc" -eq 0 ]; then result="no finding"; else result="FINDING (exit $rc, see $findings)"; status=1; fi
  line="fuzz_$name: ${FUZZ_SECONDS}s, execs ${execs:-?}, cov ${cov:-?}, ft ${ft:-?}, corpus ${corpus:-?}: $result"
  echo "$line" | tee -a "$summary"
  if [ "$rc" -ne 0 ]; then tail -n 40 "$log"; fi
done
echo "Summary in $summary"
exit "$status"
