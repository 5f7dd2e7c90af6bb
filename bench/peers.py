#!/usr/bin/python3
"""Our benchmarks beside the tools people use for the same jobs, on the same inputs.

Usage: bench/peers.py [build folder] [--repeat N]

Runs each job's Google Benchmark case from the build (bench/bench_*), then the same input through
the peer when it is installed, and prints both times, their ratio (ours / peer) and the aim.
Geometry peers are python3-shapely's calls on GEOS: the inputs are rebuilt here exactly as the
benchmark builds them. A job whose peer is missing prints its own time only.
"""

import json
import math
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def best_ms(run, repeat):
    """The least wall time of repeat runs, in milliseconds (a first run warms up)."""
    run()
    best = math.inf
    for _ in range(repeat):
        start = time.perf_counter()
        run()
        best = min(best, time.perf_counter() - start)
    return best * 1000


def ours_ms(build, binary, case):
    """Real time per iteration of one benchmark case, in milliseconds; None when not built."""
    path = os.path.join(build, "bench", binary)
    if not os.access(path, os.X_OK):
        return None
    out = subprocess.run([path, "--benchmark_filter=^" + case + "$", "--benchmark_format=json",
                          "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true"],
                         capture_output=True, text=True, check=True).stdout
    try:
        report = json.loads(out)
    except ValueError:  # a build without this case prints no report
        return None
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1000.0}
    for b in report.get("benchmarks", []):
        if b.get("aggregate_name") == "median":
            return b["real_time"] * scale[b["time_unit"]]
    return None


# ---------------------------------------------------------------------------------------------
# Geometry: the inputs of bench/geometry_lines.cpp and bench/geometry_clip.cpp.

def geometry_jobs():
    try:
        import numpy as np
        import shapely
        from shapely.geometry import LineString, Polygon
        from shapely.ops import unary_union
    except ImportError:
        return []
    major = int(shapely.__version__.split(".")[0])
    if major >= 2:
        clip_by_rect = shapely.clip_by_rect
        contains_xy = shapely.contains_xy
    else:
        from shapely.ops import clip_by_rect
        import shapely.vectorized
        contains_xy = shapely.vectorized.contains

    def wavy_ring(cx, cy, radius, n):
        pts = []
        for i in range(n):
            a = -2 * math.pi * i / n
            r = radius * (1 + 0.1 * math.sin(17 * a))
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
        pts.append(pts[0])
        return Polygon(pts)

    def wavy_comb(n, periods):
        ring = [(0.0, 0.0)]
        for i in range(n - 3):
            x = 1000.0 * i / (n - 4)
            ring.append((x, 10 + 5 * math.sin(2 * math.pi * periods * x / 1000 - math.pi / 2)))
        ring += [(1000.0, 0.0), (0.0, 0.0)]
        return Polygon(ring)

    def lissajous(n):
        return LineString([(1000 * math.sin(3 * 2 * math.pi * i / n), 1000 * math.sin(4 * 2 * math.pi * i / n + 0.3))
                           for i in range(n)])

    a = LineString([(i * 0.1, 50 * math.sin(i * 0.013)) for i in range(10000)])
    b = LineString([(i * 0.1, 50 * math.cos(i * 0.011)) for i in range(10000)])
    ring = wavy_ring(0, 0, 1000, 100000)
    xs = np.array([-1150 + 2300 * (i + 0.5) / 40 for i in range(40) for _ in range(25)])
    ys = np.array([-1150 + 2300 * (j + 0.5) / 25 for _ in range(40) for j in range(25)])
    line = lissajous(10000)
    combs = {p: wavy_comb(100000, p) for p in (5, 500)}

    def contains():
        # The index is built inside the timing, as ours is: Shapely 1.8 prepares the polygon on
        # every vectorised call, 2.x is told to.
        if major >= 2:
            shapely.destroy_prepared(ring)
            shapely.prepare(ring)
        return contains_xy(ring, xs, ys)

    return [
        ("crossings of two 10k-vertex lines", "bench_geometry_lines", "BM_LinesCross10k",
         "GEOS intersection", lambda: a.intersection(b), 2.0),
        ("self-crossings of a 10k-vertex line, found", "bench_geometry_clip", "BM_SelfCuts",
         "GEOS noding (unary_union)", lambda: unary_union(line), 1.0),
        ("self-crossings of a 10k-vertex line, broken", "bench_geometry_clip", "BM_SelfCutsBroken",
         "GEOS noding (unary_union)", lambda: unary_union(line), 1.0),
        ("clip 100k vertices to a box, 5 periods", "bench_geometry_clip", "BM_ClipToBox/5",
         "GEOSClipByRect", lambda: clip_by_rect(combs[5], -1, 0.5, 1001, 12), None),
        ("clip 100k vertices to a box, 500 periods", "bench_geometry_clip", "BM_ClipToBox/500",
         "GEOSClipByRect", lambda: clip_by_rect(combs[500], -1, 0.5, 1001, 12), 2.0),
        ("1,000 points in a 100k-vertex polygon, prepared", "bench_geometry_lines",
         "BM_PreparedInPolygon1000Points100k", "GEOS prepared contains", contains, 2.0),
    ]


# Jobs whose aim is a time that grows linearly: the 200k case within 2.5 times the 100k case.
LINEAR = [("bench_geometry_lines", c) for c in
          ("BM_Straighten", "BM_RemoveShortSegments", "BM_EliminateSpikes", "BM_EliminateSpikesByAngle",
           "BM_Resample")]


def main():
    args = sys.argv[1:]
    repeat = 5
    if "--repeat" in args:
        at = args.index("--repeat")
        repeat = int(args[at + 1])
        del args[at:at + 2]
    build = args[0] if args else os.path.join(os.path.dirname(HERE), "build")
    print(f"{'job':50} {'ours ms':>9} {'peer ms':>9} {'ratio':>7}  aim   peer")
    jobs = geometry_jobs()
    if not jobs:
        print("(python3-shapely or numpy not installed: geometry peers skipped)")
    for name, binary, case, peer, run, aim in jobs:
        ours = ours_ms(build, binary, case)
        theirs = best_ms(run, repeat)
        ratio = f"{ours / theirs:7.2f}" if ours is not None else "      -"
        ours_text = f"{ours:9.3f}" if ours is not None else "  (none)"
        aim_text = f"{aim:4.1f}x" if aim else "  -  "
        verdict = "" if not aim or ours is None else ("  ok" if ours / theirs <= aim else "  OVER")
        print(f"{name:50} {ours_text} {theirs:9.3f} {ratio}  {aim_text} {peer}{verdict}")
    for binary, case in LINEAR:
        small = ours_ms(build, binary, case + "/100000")
        large = ours_ms(build, binary, case + "/200000")
        if small is None or large is None:
            continue
        growth = large / small
        verdict = "  ok" if growth <= 2.5 else "  OVER"
        print(f"{case[3:] + ' 100k / 200k':50} {small:9.3f} {large:9.3f} {growth:7.2f}  linear (200k/100k <= 2.5){verdict}")


if __name__ == "__main__":
    main()
