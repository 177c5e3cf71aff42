#!/usr/bin/env bash
# Builds the benchmarks (the bench preset: Release, in build-bench) and runs
# them in one go:
#   - scripts/plant-bench.py: qmr rebuild, check and scan and the windows'
#     batch against their I/O floor on a plant tree, warm and cold, with
#     their goals (ratios against the floor measured in the same run) and
#     peak memory;
#   - qmr_bench: the engine's rebuild of version 6 trends of 100 to 32767
#     data files beside its floor (at most 1.2 times it at every size, and
#     time per data file at 32767 files at most 1.5 times that at 1000), and
#     the key column sort;
#   - gnuplot draws docs/images/bench-per-file.png and bench-goals.png.
# Prints each figure and whether it meets its goal; exits non-zero when a
# goal is missed.
#
#   QMR_BENCH_DIR    where qmr_bench keeps its generated trends between runs
#                    (default build-bench/trends)
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=build-bench  # the bench preset's
export QMR_BENCH_DIR=${QMR_BENCH_DIR:-$PWD/$BUILD_DIR/trends}
JOBS=${JOBS:-$(nproc)}

# gnuplot-nox draws the pictures, in a face of fonts-liberation.
./scripts/install-deps.sh cmake make g++ libbenchmark-dev time python3 nlohmann-json3-dev gnuplot-nox fonts-liberation pkg-config liburing-dev

cmake --preset bench
cmake --build --preset bench -j "$JOBS"

started=$(date -u '+%Y-%m-%d %H:%M UTC')
load=$(cut -d' ' -f1 /proc/loadavg)

# The plant tree: qmr and the windows' batch against their I/O floor.
plant_status=0
python3 scripts/plant-bench.py "$BUILD_DIR" || plant_status=$?

json="$BUILD_DIR/bench.json"
"$BUILD_DIR/bench/qmr_bench" \
  --benchmark_out="$json" --benchmark_out_format=json

set +e
python3 - "$json" "$BUILD_DIR/bench-goals.dat" <<'PY'
import json, re, sys

path, goals_path = sys.argv[1], sys.argv[2]
goals = open(goals_path, "a")

report = json.load(open(path))
median = {}  # by name without "/repeats:N": the median of the repetitions, or the single run
for run in report["benchmarks"]:
    name = re.sub(r"/repeats:\d+", "", run["run_name"])
    if run.get("aggregate_name") == "median" or (run.get("run_type") == "iteration" and name not in median):
        median[name] = run
ok = True
context = report["context"]
print(f"\n{context['num_cpus']} CPUs, load average at start {context.get('load_avg')}")

print()
print(f"{'files':>6} {'rebuild ms':>11} {'floor ms':>9} {'ratio':>6} {'files/s':>10} {'us/file':>8}")
per_file = {}
for count in (100, 1000, 10000, 32767):
    rebuild = median.get(f"BM_Rebuild/{count}/real_time")
    floor = median.get(f"BM_Floor/{count}/real_time")
    if rebuild is None or floor is None:
        print(f"{count:>6} missing from the benchmark output")
        ok = False
        continue
    ratio = rebuild["real_time"] / floor["real_time"]
    per_file[count] = rebuild["real_time"] * 1000.0 / count
    verdict = "ok" if ratio <= 1.2 else "MISSED (target 1.2)"
    ok &= ratio <= 1.2
    goals.write(f'"engine rebuild, {count} files, warm" {ratio / 1.2:.4f} {int(ratio <= 1.2)} {ratio:.4f} 1.2\n')
    print(f"{count:>6} {rebuild['real_time']:>11.2f} {floor['real_time']:>9.2f} {ratio:>6.3f} "
          f"{rebuild['items_per_second']:>10.0f} {per_file[count]:>8.2f}  {verdict}")

if 1000 in per_file and 32767 in per_file:
    growth = per_file[32767] / per_file[1000]
    verdict = "ok" if growth <= 1.5 else "MISSED (target 1.5)"
    ok &= growth <= 1.5
    goals.write(f'"engine: time per file, 32767 vs 1000" {growth / 1.5:.4f} {int(growth <= 1.5)} {growth:.4f} 1.5\n')
    print(f"time per file, 32767 files against 1000: {growth:.2f}x  {verdict}")

for name, run in sorted(median.items()):
    if "Sort" in name:
        print(f"{name}: {run['real_time']:.2f} {run['time_unit']} real, {run['cpu_time']:.2f} {run['time_unit']} CPU")

sys.exit(0 if ok else 1)
PY
rebuild_status=$?
set -e

mkdir -p docs/images
gnuplot -e "build='$BUILD_DIR'; out='docs/images'; stamp='$started, 2-core x86_64 VM, load $load at start'" \
  scripts/bench-plots.gp
echo "pictures: docs/images/bench-per-file.png docs/images/bench-goals.png"
exit $(( plant_status != 0 || rebuild_status != 0 ))
