#!/usr/bin/env python3
"""qmr and the windows' batch on a plant tree, against the I/O floor.

Usage: plant-bench.py BUILD_DIR

Generates (once, kept in BUILD_DIR/plant) a tree of 20 folders of 100 trends
of 5 version 6 data files, one trend of 32767 data files, and single trends
of 100, 1000 and 10000 files (bench/PlantTree.cpp). Then times, side by side
in one run, each command against bench/PlantFloor.cpp, which makes only the
system calls any scan, check or rebuild must make, the safe way (each file
opened relative to its folder without following a link, fstat, read, close),
one file after the other. A ratio is the median time of the command over the
median time of its floor; the goals:

  one trend of 32767 files, default options:
    qmr rebuild, warm                      at most 1.05 x the floor
    qmr rebuild, cold                      at most 0.25 x the sequential floor
    the windows' batch (window_batch), warm and cold: the same
    qmr check, warm                        at most 1.1 x its floor (data
                                           headers, then the master once)
  2000 trends of 5 files:
    qmr scan -j 1, warm                    at most 1.1 x the floor
    qmr scan -j 4, cold                    at most 0.35 x the sequential floor
    qmr rebuild -j 1, warm                 at most 1.1 x the floor
    qmr rebuild -j 4, cold                 at most 0.7 x the sequential floor
  peak resident memory of every command   under 64 MB, and qmr scan's
                                           growing by less than 4 MB from
                                           100 trends to 2000

"Cold" drops the page cache before every run (/proc/sys/vm/drop_caches, root
only; skipped with a note otherwise). Each figure is the median of RUNS runs
(environment RUNS, default 9, and COLD_RUNS, default 5, for the cold cases),
the commands taking turns to go first so that all see the same machine. Also times qmr rebuild and its floor warm
and cold at 100 to 32767 files for the time per data file.

Prints a table, writes BUILD_DIR/bench-goals.dat and BUILD_DIR/bench-sizes.dat
for the pictures (scripts/bench-plots.gp), and exits 1 when a goal is missed.
"""
import os
import statistics
import subprocess
import sys
import time

build = sys.argv[1]
warm_runs = int(os.environ.get("RUNS", "9"))
cold_runs = max(3, int(os.environ.get("COLD_RUNS", "5")))
root = os.path.abspath(os.path.join(build, "plant"))
qmr = os.path.join(build, "bin", "qmr")
floor = os.path.join(build, "bench", "plant_floor")
tree = os.path.join(build, "bench", "plant_tree")
batch = os.path.join(build, "bench", "window_batch")
sizes_root = os.path.join(root, "sizes")
SIZES = (100, 1000, 10000)

if not os.path.isfile(os.path.join(root, "complete")):
    subprocess.run(["rm", "-rf", root], check=True)
    print(f"writing the plant tree in {root} ...", flush=True)
    subprocess.run([tree, root], check=True)
    for count in SIZES:
        subprocess.run([tree, os.path.join(sizes_root, str(count)), "0", "0", "0", str(count)], check=True)
    open(os.path.join(root, "complete"), "w").close()

units = sorted(os.path.join(root, unit) for unit in os.listdir(root) if unit.startswith("unit"))
first_files = sorted(os.path.join(unit, name) for unit in units for name in os.listdir(unit) if name.endswith(".000"))
big_folder = os.path.join(root, "archive")
big = os.path.join(big_folder, "BIG.000")


def sized(count):
    return big if count == 32767 else os.path.join(sizes_root, str(count), "archive", "BIG.000")


def can_drop_caches():
    try:
        drop_caches()
        return True
    except OSError:
        return False


def drop_caches():
    os.sync()
    with open("/proc/sys/vm/drop_caches", "w") as caches:
        caches.write("3\n")


def timed(command, cold=False):
    if cold:
        drop_caches()
    start = time.perf_counter()
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    # scan and check exit 3 for the warnings they see; anything else is a failure.
    if result.returncode not in (0, 3):
        sys.exit(f"{command[:3]} failed ({result.returncode}): {result.stderr.decode()[:500]}")
    return seconds


def medians(commands, cold=False):
    """The median time of each command, run in turns, each taking the first
    turn as often as the others: what a run leaves the disk to do after it
    ends falls on all alike."""
    runs = cold_runs if cold else warm_runs
    if not cold:
        for command in commands:
            timed(command)
    times = [[] for _ in commands]
    for run in range(runs):
        shift = run % len(commands)
        for index in list(range(shift, len(commands))) + list(range(shift)):
            times[index].append(timed(commands[index], cold))
    return [statistics.median(each) for each in times]


ok = True
goals = []  # (label, ratio or measure, goal, met)


def judge(label, floor_seconds, seconds, goal):
    global ok
    ratio = seconds / floor_seconds
    met = ratio <= goal
    ok &= met
    goals.append((label, ratio, goal, met))
    print(f"{label:<40} {floor_seconds * 1000:>9.1f} {seconds * 1000:>9.1f} {ratio:>6.3f} {goal:>5.2f}"
          f"  {'ok' if met else 'MISSED'}", flush=True)


def restore_masters(trends):
    # The floor's rebuild writes stand-in masters: the real ones back.
    subprocess.run([qmr, "rebuild", "-q"] + trends, stdout=subprocess.DEVNULL, check=False)


def batch_command(first):
    return [batch, os.path.dirname(first), os.path.basename(first)]


cold = can_drop_caches()
print(f"\n{os.cpu_count()} CPUs, load average {os.getloadavg()[0]:.2f} at start; {len(first_files)} trends of 5 files"
      f" + 1 of 32767; median of {warm_runs} warm runs, {cold_runs} cold")
print(f"{'':<40} {'floor ms':>9} {'ms':>9} {'ratio':>6} {'goal':>5}")

# Scans and checks first, on the masters as rebuilt.
f, q = medians([[floor, "scan"] + units, [qmr, "scan", "-q", "-j", "1"] + units])
judge("qmr scan -j 1, 2000 trends, warm", f, q, 1.1)
f, q = medians([[floor, "check", big], [qmr, "check", "-q", big]])
judge("qmr check, 32767 files, warm", f, q, 1.1)
if cold:
    f, q = medians([[floor, "scan"] + units, [qmr, "scan", "-q", "-j", "4"] + units], cold=True)
    judge("qmr scan -j 4, 2000 trends, cold", f, q, 0.35)

big_row = [32767]
f, q, w = medians([[floor, "rebuild", big], [qmr, "rebuild", "-q", big], batch_command(big)])
big_row += [f, q]
judge("qmr rebuild, 32767 files, warm", f, q, 1.05)
judge("windows' batch, 32767 files, warm", f, w, 1.05)
if cold:
    f, q, w = medians([[floor, "rebuild", big], [qmr, "rebuild", "-q", big], batch_command(big)], cold=True)
    big_row += [f, q]
    judge("qmr rebuild, 32767 files, cold", f, q, 0.25)
    judge("windows' batch, 32767 files, cold", f, w, 0.25)
restore_masters([big])

# Mostly the 2000 flushes of the masters to disk, the floor's as qmr's,
# whose time moves by a third from run to run: as many runs as the other
# warm cases.
f, q = medians([[floor, "rebuild"] + first_files, [qmr, "rebuild", "-q", "-j", "1"] + first_files])
judge("qmr rebuild -j 1, 2000 trends, warm", f, q, 1.1)
if cold:
    f, q = medians([[floor, "rebuild"] + first_files, [qmr, "rebuild", "-q", "-j", "4"] + first_files], cold=True)
    judge("qmr rebuild -j 4, 2000 trends, cold", f, q, 0.7)
else:
    print("cold cache: skipped (the page cache cannot be dropped here: /proc/sys/vm/drop_caches)")
restore_masters(first_files)

# Time per data file against the number of files, warm and cold.
rows = []
for count in SIZES:
    first = sized(count)
    row = [count] + medians([[floor, "rebuild", first], [qmr, "rebuild", "-q", first]])
    row += medians([[floor, "rebuild", first], [qmr, "rebuild", "-q", first]], cold=True) if cold else [0, 0]
    restore_masters([first])
    rows.append(row)
rows.append(big_row + [0, 0] * (len(big_row) < 5))
print(f"\n{'files':>6} {'floor warm':>11} {'qmr warm':>9} {'floor cold':>11} {'qmr cold':>9}   (µs per data file)")
for count, *seconds in rows:
    print(f"{count:>6}" + "".join(f" {s * 1e6 / count:>10.2f}" for s in seconds))
with open(os.path.join(build, "bench-sizes.dat"), "w") as data:
    data.write("# files, then µs per data file: floor warm, qmr rebuild warm, floor cold, qmr rebuild cold\n")
    for count, *seconds in rows:
        data.write(f"{count} " + " ".join(f"{s * 1e6 / count:.3f}" for s in seconds) + "\n")


def peak_mb(command):
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    return int(result.stderr.strip().splitlines()[-1]) / 1024


print()
peaks = {
    "qmr rebuild, 32767 files": peak_mb([qmr, "rebuild", "-q", big]),
    "windows' batch, 32767 files": peak_mb(batch_command(big)),
    "qmr check, 32767 files": peak_mb([qmr, "check", "-q", big]),
    "qmr scan -j 4, whole tree": peak_mb([qmr, "scan", "-q", "-j", "4", root]),
}
scan_many = peak_mb([qmr, "scan", "-q", "-j", "1"] + units)
scan_one = peak_mb([qmr, "scan", "-q", "-j", "1", units[0]])
peaks["qmr scan -j 1, 2000 trends"] = scan_many
for label, mb in peaks.items():
    met = mb < 64
    ok &= met
    goals.append((f"memory: {label}", mb, 64, met))
    print(f"peak memory, {label:<36} {mb:>6.1f} MB  {'ok' if met else 'MISSED (under 64 MB)'}")
growth = scan_many - scan_one
met = growth < 4
ok &= met
print(f"qmr scan -j 1 peak memory: {scan_one:.1f} MB over 100 trends, {scan_many:.1f} MB over 2000: growth"
      f" {growth:.1f} MB  {'ok' if met else 'MISSED (under 4 MB)'}")
goals.append(("memory: scan growth, 100 to 2000 trends", max(growth, 0), 4, met))

with open(os.path.join(build, "bench-goals.dat"), "w") as data:
    data.write("# case, measure / goal, met (1 or 0), measure, goal\n")
    for label, measure, goal, met in goals:
        data.write(f"\"{label}\" {measure / goal:.4f} {int(met)} {measure:.4f} {goal}\n")
sys.exit(0 if ok else 1)
