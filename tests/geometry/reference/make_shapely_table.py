#!/usr/bin/python3
# Writes shapely_table.txt: line-manager reference values from Shapely (GEOS), read by
# tests/geometry/r_Geom_reference_test.cpp. Run with Debian's /usr/bin/python3 (python3-shapely):
#   /usr/bin/python3 tests/geometry/reference/make_shapely_table.py > tests/geometry/reference/shapely_table.txt
# Fixed seed: the output is reproducible. Every number is written with repr (round-trip exact).
#
# Records (whitespace separated):
#   cross id x1 y1 x2 y2 x3 y3 x4 y4 kind [px py]
#       kind: point (GEOS meets in one point, not a shared end), none, overlap (collinear, more
#       than one point), shared (the segments share an end point exactly: GEOS gives that point,
#       the line manager on purpose does not count it as a crossing), zerolength (a segment
#       of no length: GEOS may meet it, the line manager on purpose crosses nothing with it).
#       collinear (overlapping pieces of one line in floating point: GEOS, exact, may find they
#       miss or meet in one point; the line manager, within its tolerance, finds a collinear
#       overlap, status bit 2; GEOS's own answer follows the kind).
#   pdist id px py n x y ... d            point to line distance
#   ldist id na x y ... nb x y ... d      line to line distance (0 when they cross)
#   poly id nrings (n x y ...)*           a polygon, ring 0 outer (clockwise), holes anticlockwise
#   pip polyid px py contains touches bdist   point against the last poly with that id
#   ring id n x y ... area cx cy length  area with the line manager's sign (clockwise positive)
#   pct id percent x y                    interpolate(normalized=True) on the last ring/line with id
#   seed polyid y nint a0 b0 ...          inside intervals of the horizontal line y through the
#                                         middle of ring 0's box (GEOS intersection)
import math
import random

from shapely.geometry import LineString, LinearRing, Point, Polygon

rnd = random.Random(20261210)
out = []


def f(v):
    return repr(float(v))


def pts(line):
    return [str(len(line))] + [f(c) for p in line for c in p]


# --- crossings -------------------------------------------------------------------------------
def cross(cid, a, b, c, d, collinear=False):
    s1, s2 = LineString([a, b]) if a != b else Point(a), LineString([c, d]) if c != d else Point(c)
    rec = ["cross", cid] + [f(v) for p in (a, b, c, d) for v in p]
    shared = None
    for p, q in ((a, c), (a, d), (b, c), (b, d)):
        if p == q:
            shared = p
    g = s1.intersection(s2)
    if collinear:
        rec += ["collinear", g.geom_type if not g.is_empty else "empty"]
    elif a == b or c == d:
        rec += ["zerolength"]
    elif shared is not None:
        rec += ["shared", f(shared[0]), f(shared[1])]
    elif g.is_empty:
        rec += ["none"]
    elif g.geom_type == "Point":
        rec += ["point", f(g.x), f(g.y)]
    else:
        rec += ["overlap"]
    out.append(" ".join(rec))


def rpt(scale, off=0.0):
    return (off + rnd.uniform(-scale, scale), off + rnd.uniform(-scale, scale))


n = 0
for scale, off in ((100, 0), (1e-4, 0), (1e-4, 1e6), (50, 1e6), (1, -30)):
    for _ in range(60):
        cross("r%d" % n, rpt(scale, off), rpt(scale, off), rpt(scale, off), rpt(scale, off))
        n += 1
# Degenerate: collinear overlaps and touches, shared ends, T junctions, zero length.
for k in range(20):
    x0, y0 = rpt(100)
    dx, dy = rnd.uniform(-10, 10), rnd.uniform(-10, 10)
    p = lambda t: (x0 + dx * t, y0 + dy * t)
    cross("col%d" % k, p(0), p(1), p(0.5), p(1.5), collinear=True)
    cross("shared%d" % k, p(0), p(1), p(1), (x0 + 3, y0 - 7))
    cross("tee%d" % k, (0.0, 0.0), (10.0, 0.0), (k * 0.5, 0.0), (k * 0.5, 5.0 + k))
    cross("zero%d" % k, (x0, y0), (x0, y0), p(-1), p(1))
cross("axis-overlap", (0.0, 0.0), (10.0, 0.0), (5.0, 0.0), (15.0, 0.0))
cross("axis-contained", (0.0, 0.0), (10.0, 0.0), (2.0, 0.0), (8.0, 0.0))
cross("vertical-overlap", (3.0, 0.0), (3.0, 10.0), (3.0, 4.0), (3.0, 20.0))
cross("parallel", (0.0, 0.0), (10.0, 10.0), (1.0, 0.0), (11.0, 10.0))


# --- distances -------------------------------------------------------------------------------
def rline(nv, scale, off=0.0):
    return [rpt(scale, off) for _ in range(nv)]


for k in range(60):
    scale, off = ((100, 0), (1e-3, 0), (1e3, 1e6))[k % 3]
    line = rline(rnd.randint(2, 8), scale, off)
    q = rpt(scale * 1.5, off)
    out.append(" ".join(["pdist", "p%d" % k, f(q[0]), f(q[1])] + pts(line) + [f(LineString(line).distance(Point(q)))]))
for k in range(60):
    scale, off = ((100, 0), (1e-3, 0), (1e3, 1e6))[k % 3]
    a = rline(rnd.randint(2, 6), scale, off)
    b = rline(rnd.randint(2, 6), scale, off)
    if k % 4 == 0:  # apart
        b = [(x + 3 * scale, y) for x, y in b]
    out.append(" ".join(["ldist", "l%d" % k] + pts(a) + pts(b) + [f(LineString(a).distance(LineString(b)))]))


# --- polygons --------------------------------------------------------------------------------
def star(cx, cy, r0, r1, nv, clockwise):
    angs = sorted(rnd.uniform(0, 2 * math.pi) for _ in range(nv))
    ring = [(cx + rnd.uniform(r0, r1) * math.cos(t), cy + rnd.uniform(r0, r1) * math.sin(t)) for t in angs]
    ring.append(ring[0])  # anticlockwise (angles grow)
    return ring[::-1] if clockwise else ring


for k in range(25):
    cx, cy = rpt(100) if k % 5 else rpt(10, 1e5)
    while True:  # a star with nearly equal angles can touch itself: draw again
        outer = star(cx, cy, 40, 60, rnd.randint(5, 30), True)
        rings = [outer]
        if k % 2 == 0:
            hx, hy = cx + rnd.uniform(-10, 10), cy + rnd.uniform(-10, 10)
            rings.append(star(hx, hy, 5, 15, rnd.randint(3, 12), False))
        poly = Polygon(outer, rings[1:])
        if poly.is_valid:
            break
    rec = ["poly", "g%d" % k, str(len(rings))]
    for r in rings:
        rec += pts(r)
    out.append(" ".join(rec))
    probes = [rpt(70, 0) for _ in range(30)]
    probes = [(cx + x, cy + y) for x, y in probes]
    # Points on edges and on vertices.
    for r in rings:
        for _ in range(3):
            i = rnd.randrange(len(r) - 1)
            t = rnd.choice((0.0, 0.25, 0.5))
            probes.append((r[i][0] + (r[i + 1][0] - r[i][0]) * t, r[i][1] + (r[i + 1][1] - r[i][1]) * t))
    for q in probes:
        pt = Point(q)
        out.append(" ".join(["pip", "g%d" % k, f(q[0]), f(q[1]), str(int(poly.contains(pt))),
                             str(int(poly.touches(pt))), f(poly.boundary.distance(pt))]))
    # Seed: the horizontal line through the middle of ring 0's box.
    xs, ys = [p[0] for p in outer], [p[1] for p in outer]
    y = (min(ys) + max(ys)) / 2
    cut = poly.intersection(LineString([(min(xs) - 1, y), (max(xs) + 1, y)]))
    parts = [cut] if cut.geom_type == "LineString" else list(getattr(cut, "geoms", []))
    ivals = sorted((min(g.coords[0][0], g.coords[-1][0]), max(g.coords[0][0], g.coords[-1][0]))
                   for g in parts if g.geom_type == "LineString")
    out.append(" ".join(["seed", "g%d" % k, f(y), str(len(ivals))] + [f(v) for iv in ivals for v in iv]))

# --- rings: area, centroid, length, percentage points ----------------------------------------
for k in range(30):
    ring = star(*rpt(100), 5, 50, rnd.randint(3, 20), k % 2 == 0)
    lr = LinearRing(ring)
    a = Polygon(ring).area * (-1 if lr.is_ccw else 1)
    c = Polygon(ring).centroid
    ls = LineString(ring)
    out.append(" ".join(["ring", "a%d" % k] + pts(ring) + [f(a), f(c.x), f(c.y), f(ls.length)]))
    for pc in (0, 12.5, 33, 50, 71.25, 99.9, 100):
        p = ls.interpolate(pc / 100, normalized=True)
        out.append(" ".join(["pct", "a%d" % k, f(pc), f(p.x), f(p.y)]))
for k in range(15):
    line = rline(rnd.randint(2, 10), 100)
    ls = LineString(line)
    out.append(" ".join(["ring", "o%d" % k] + pts(line) + ["0", "0", "0", f(ls.length)]))
    for pc in (0, 5, 50, 95, 100):
        p = ls.interpolate(pc / 100, normalized=True)
        out.append(" ".join(["pct", "o%d" % k, f(pc), f(p.x), f(p.y)]))

print("# made by make_shapely_table.py with Shapely", __import__("shapely").__version__)
print("\n".join(out))
