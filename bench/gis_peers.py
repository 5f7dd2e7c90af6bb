#!/usr/bin/python3
"""Shapefile and GeoPackage reads as whole processes, beside ogr2ogr converting the same files to
CSV. The inputs are 100,000 points and 100,000 squares of 5 vertices, each with a text, an integer
and a real field, written by ogr2ogr itself from CSV. Our side is bench_gis_readers reading one
file into a drawing (its ReadNamedFile benchmark, one read per process).

Printed per input: the best wall time of several runs of each program and their ratio (aim: 1x or
less), our peak resident memory, and the bytes per point the drawing holds: the peak less that of
the same program reading nothing, over the points read (aim: 200 or less); the heap the drawing
holds per point, as the program counts it, beside it; last, the ratio of the best processor times
(user and system), steadier than the wall times on a busy machine.

Usage: bench/gis_peers.py [build folder] [runs]   (default: build, 5)
Needs ogr2ogr (Debian gdal-bin); without it, says so and stops.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

FEATURES = 100_000
GRID = 316  # squares of side 8 in cells of 10, as bench/gis_readers.cpp lays them out


def write_inputs(folder):
    """points.csv and grid.csv with their .csvt field types, then .shp and .gpkg of each."""
    with open(os.path.join(folder, "points.csv"), "w") as f:
        f.write("x,y,name,count,value\n")
        for i in range(FEATURES):
            f.write(f"{i * 0.01:.2f},{i * 0.02:.2f},item {i},{i % 977},{i * 0.25:.3f}\n")
    with open(os.path.join(folder, "points.csvt"), "w") as f:
        f.write('"Real","Real","String(20)","Integer(10)","Real(16.3)"\n')
    with open(os.path.join(folder, "grid.csv"), "w") as f:
        f.write("WKT,name,count,value\n")
        for i in range(FEATURES):
            x, y = (i % GRID) * 10.0, (i // GRID) * 10.0
            ring = f"{x} {y},{x} {y + 8},{x + 8} {y + 8},{x + 8} {y},{x} {y}"
            f.write(f'"POLYGON (({ring}))",item {i},{i % 977},{i * 0.25:.3f}\n')
    with open(os.path.join(folder, "grid.csvt"), "w") as f:
        f.write('"WKT","String(20)","Integer(10)","Real(16.3)"\n')
    made = []
    for stem, extra in (("points", ["-oo", "X_POSSIBLE_NAMES=x", "-oo", "Y_POSSIBLE_NAMES=y"]),
                        ("grid", ["-nlt", "POLYGON"])):
        csv = os.path.join(folder, stem + ".csv")
        for driver, ext in (("ESRI Shapefile", "shp"), ("GPKG", "gpkg")):
            out = os.path.join(folder, f"{stem}.{ext}")
            subprocess.run(["ogr2ogr", "-f", driver, out, csv, "-oo", "KEEP_GEOM_COLUMNS=NO", "-nln", stem] + extra,
                           check=True, stdout=subprocess.DEVNULL)
            made.append(out)
    return made


def run(cmd, env=None, capture=False):
    """Wall seconds, peak resident KiB, standard output and processor seconds of one run."""
    start = time.perf_counter()
    p = subprocess.Popen(cmd, env=env, stdout=subprocess.PIPE if capture else subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
    out = p.stdout.read() if capture else b""
    _, status, usage = os.wait4(p.pid, 0)
    seconds = time.perf_counter() - start
    p.returncode = os.waitstatus_to_exitcode(status)
    if p.returncode != 0:
        sys.exit(f"failed ({p.returncode}): {' '.join(cmd)}")
    return seconds, usage.ru_maxrss, out, usage.ru_utime + usage.ru_stime


def ours(program, file, runs):
    """Best time, lowest peak (KiB), the counters of reading one file into a drawing, and the best
    processor time."""
    env = dict(os.environ, KESTROVA_GIS_FILE=file)
    cmd = [program, "--benchmark_filter=^ReadNamedFile", "--benchmark_format=json"]
    best, peak, counters, cpu = None, None, {}, None
    for _ in range(runs):
        seconds, kib, out, used = run(cmd, env, capture=True)
        best = seconds if best is None else min(best, seconds)
        peak = kib if peak is None else min(peak, kib)
        cpu = used if cpu is None else min(cpu, used)
        counters = json.loads(out)["benchmarks"][0]
    return best, peak, counters, cpu


def peer(file, folder, runs):
    target = os.path.join(folder, "out.csv")
    best, cpu = None, None
    for _ in range(runs):
        if os.path.exists(target):
            os.remove(target)
        seconds, _, _, used = run(["ogr2ogr", "-f", "CSV", target, file])
        best = seconds if best is None else min(best, seconds)
        cpu = used if cpu is None else min(cpu, used)
    os.remove(target)
    return best, cpu


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    program = os.path.abspath(os.path.join(build, "bench", "bench_gis_readers"))
    if not os.access(program, os.X_OK):
        sys.exit(f"no {program}: build the target bench_gis_readers first")
    if not shutil.which("ogr2ogr"):
        print("ogr2ogr is not installed (Debian gdal-bin): nothing to compare with")
        return
    with tempfile.TemporaryDirectory(prefix="kestrova-gis-peers-") as folder:
        files = write_inputs(folder)
        base_seconds, base_kib, _, _ = ours(program, "-", runs)
        print(f"our program reading nothing: {base_seconds:.3f} s, {base_kib / 1024:.1f} MiB")
        print(f"{'input':<12}{'ours s':>9}{'ogr2ogr s':>11}{'ratio':>8}{'peak MiB':>10}{'points':>9}"
              f"{'B/point':>9}{'heap B/point':>14}{'cpu ratio':>11}")
        for file in files:
            seconds, kib, counters, cpu = ours(program, file, runs)
            other, other_cpu = peer(file, folder, runs)
            points = counters.get("points", 0)
            held = (kib - base_kib) * 1024 / points if points else float("nan")
            print(f"{os.path.basename(file):<12}{seconds:>9.3f}{other:>11.3f}{seconds / other:>7.2f}x"
                  f"{kib / 1024:>10.1f}{points:>9.0f}{held:>9.0f}{counters.get('heap_per_point', 0):>14.0f}"
                  f"{cpu / other_cpu:>10.2f}x")


if __name__ == "__main__":
    main()
