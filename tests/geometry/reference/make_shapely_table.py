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
#       overlap, status bit 2; GEOS's own answer follows the kind), tolerance (GEOS finds no
#       meeting, but the lines cross within 1e-6 of both segments' parameter ranges, which the
#       line manager counts as a crossing).
#   pdist id px py n x y ... d            point to line distance
#   ldist id na x y ... nb x y ... d      line to line distance (0 when they cross)
#   poly id nrings (n x y ...)*           a polygon, ring 0 outer (clockwise), holes anticlockwise
#   pip polyid px py contains touches bdist [hole]   point against the last poly with that id;
#                                         hole: on a hole's boundary (not the outer ring's)
#   ring id n x y ... area cx cy length  area with the line manager's sign (clockwise positive)
#   pct id percent x y                    interpolate(normalized=True) on the last ring/line with id
#   seed polyid y nint a0 b0 ...          inside intervals of the horizontal line y through the
#                                         middle of ring 0's box (GEOS intersection)
#   cbase id ox oy                        an origin for the cent records after it
#   cent id n lx ly ... area cx cy        a small ring at (ox + lx, oy + ly): its area and exact
#                                         centroid less (ox, oy)
#   sdist id x1 y1 x2 y2 x3 y3 x4 y4 d    distance between two segments
# The random differential set at the end (its own seed) adds notched rings with points on their
# vertices (poly, pip), far-off small rings (cent), segment distances (sdist) and crossings within
# 1e-3 of an end (cross near*).
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
def within_tolerance(a, b, c, d):
    """The lines cross where both parameters lie within 1e-6 (the kernel's equality) of 0..1."""
    den = (d[1] - c[1]) * (b[0] - a[0]) - (d[0] - c[0]) * (b[1] - a[1])
    if den == 0:
        return False
    u1 = ((d[0] - c[0]) * (a[1] - c[1]) - (d[1] - c[1]) * (a[0] - c[0])) / den
    u2 = ((b[0] - a[0]) * (a[1] - c[1]) - (b[1] - a[1]) * (a[0] - c[0])) / den
    return all(-1e-6 <= u <= 1 + 1e-6 for u in (u1, u2))


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
        rec += ["tolerance" if within_tolerance(a, b, c, d) else "none"]
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
def pip_rec(pid, poly, q, fmt):
    pt = Point(q)
    rec = ["pip", pid, f(q[0]), f(q[1]), str(int(poly.contains(pt))), str(int(poly.touches(pt))),
           fmt(poly.boundary.distance(pt))]
    if poly.interiors and poly.boundary.distance(pt) < 1e-9 and not poly.exterior.distance(pt) < 1e-9:
        rec.append("hole")
    return " ".join(rec)


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
        out.append(pip_rec("g%d" % k, poly, q, f))
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

# === Random differential set ===================================================================
# A second random stream, so the rows above stay as they were. Weighted to the places where the
# kernel once went wrong: points on the vertices of notched rings (where a ring turns back in x or
# y), small rings far from the origin, segment pairs whose nearest points are two ends, and
# crossings within 1e-3 of a segment's end.
drnd = random.Random(20261213)


def d3(v):
    return round(v, 3)


def g12(v):
    return "%.12g" % v


# --- points on the vertices of notched rings -------------------------------------------------
def notched_ring(off):
    """A rectangle whose sides carry triangular notches and spikes; their tips are vertices where
    the ring turns back, some at the largest or smallest x or y of the ring."""
    w, h = drnd.randint(4, 20), drnd.randint(4, 20)
    x0, y0 = off + drnd.randint(-50, 50), off + drnd.randint(-50, 50)
    corners = [(x0, y0), (x0, y0 + h), (x0 + w, y0 + h), (x0 + w, y0)]  # clockwise, y up
    ring = []
    for k in range(4):
        a, b = corners[k], corners[(k + 1) % 4]
        ring.append(a)
        length = abs(b[0] - a[0]) + abs(b[1] - a[1])
        ux, uy = (b[0] - a[0]) / length, (b[1] - a[1]) / length
        nx, ny = -uy, ux  # left of the walk: inwards for a clockwise ring... turned below
        t = 1
        for _ in range(drnd.randint(0, 2)):
            t0 = t + drnd.randint(0, 2)
            t1 = t0 + drnd.randint(1, 3)
            if t1 >= length:
                break
            depth = drnd.choice((1, 2, 3, 0.5)) * drnd.choice((1, -1))
            mid = (t0 + t1) / 2
            ring += [(a[0] + ux * t0, a[1] + uy * t0),
                     (a[0] + ux * mid - nx * depth, a[1] + uy * mid - ny * depth),
                     (a[0] + ux * t1, a[1] + uy * t1)]
            t = t1 + 1
    ring.append(ring[0])
    return ring


made = 0
while made < 120:
    off = drnd.choice((0, 0, 0, 1e5, -1e6))
    outer = notched_ring(off)
    poly = Polygon(outer)
    if not poly.is_valid:
        continue
    rings = [outer]
    if made % 3 == 0:  # a notched hole
        cx, cy = poly.representative_point().coords[0]
        hole = [(x, y) for x, y in notched_ring(0)]
        hx, hy = min(p[0] for p in hole), min(p[1] for p in hole)
        hole = [(round(cx) + (x - hx) * 0.25, round(cy) + (y - hy) * 0.25) for x, y in hole][::-1]
        cand = Polygon(outer, [hole])
        if cand.is_valid and poly.contains(Polygon(hole)):
            rings.append(hole)
            poly = cand
    pid = "n%d" % made
    rec = ["poly", pid, str(len(rings))]
    for r in rings:
        rec += pts(r)
    out.append(" ".join(rec))
    vertices = [p for r in rings for p in r[:-1]]
    probes = list(vertices)  # every vertex: on the boundary
    xs, ys = [p[0] for p in outer], [p[1] for p in outer]
    for p in drnd.sample(vertices, 2):  # beside a vertex
        for dx, dy in ((0.25, 0), (-0.25, 0), (0, 0.25), (0, -0.25)):
            probes.append((p[0] + dx, p[1] + dy))
    for _ in range(4):  # on the horizontal line through a vertex
        probes.append((d3(drnd.uniform(min(xs) - 1, max(xs) + 1)), drnd.choice(ys)))
    for q in probes:
        if 0 < poly.boundary.distance(Point(q)) < 1e-5:  # within the kernel's tolerance: neither side
            continue
        out.append(pip_rec(pid, poly, q, g12))
    made += 1

# --- centroids of small rings far from the origin --------------------------------------------
# cbase id ox oy: an origin for the rings after it; cent id n lx ly ... area cx cy with the ring at
# (ox + lx, oy + ly), the sums done in doubles here and in the test alike. The centroid is exact
# (rational arithmetic), and GEOS is checked to agree with it.
from fractions import Fraction

for b in range(40):
    ox = d3(drnd.choice((1, -1)) * 10 ** drnd.uniform(5, 7))
    oy = d3(drnd.choice((1, -1)) * 10 ** drnd.uniform(5, 7))
    out.append(" ".join(["cbase", "b%d" % b, f(ox), f(oy)]))
    for k in range(50):
        while True:
            r = drnd.uniform(0.5, 10)
            angs = sorted(drnd.uniform(0, 2 * math.pi) for _ in range(drnd.randint(3, 5)))
            local = [(d3(r * drnd.uniform(0.3, 1) * math.cos(t)), d3(r * drnd.uniform(0.3, 1) * math.sin(t)))
                     for t in angs]
            if drnd.random() < 0.5:
                local.reverse()
            local.append(local[0])
            ring = [(ox + x, oy + y) for x, y in local]
            poly = Polygon(ring)
            if poly.is_valid and poly.area > 0.01:
                break
        q = [(Fraction(x), Fraction(y)) for x, y in ring]
        a2 = sum(q[i][0] * q[i + 1][1] - q[i + 1][0] * q[i][1] for i in range(len(q) - 1))
        cx = sum((q[i][0] * q[i + 1][1] - q[i + 1][0] * q[i][1]) * (q[i][0] + q[i + 1][0]) for i in range(len(q) - 1)) / (3 * a2)
        cy = sum((q[i][0] * q[i + 1][1] - q[i + 1][0] * q[i][1]) * (q[i][1] + q[i + 1][1]) for i in range(len(q) - 1)) / (3 * a2)
        c = poly.centroid
        assert abs(c.x - float(cx)) < 1e-8 and abs(c.y - float(cy)) < 1e-8, (c.x, float(cx))
        out.append(" ".join(["cent", "c%d_%d" % (b, k)] + [str(len(local))] + [repr(v) for p in local for v in p]
                            + [g12(abs(float(a2)) / 2), g12(cx - Fraction(ox)), g12(cy - Fraction(oy))]))

# --- segment distances -----------------------------------------------------------------------
# sdist id x1 y1 x2 y2 x3 y3 x4 y4 d: GEOS distance between the segments (0 when they meet).
for k in range(2000):
    kind = k % 5
    a = (d3(drnd.uniform(-100, 100)), d3(drnd.uniform(-100, 100)))
    b = (d3(a[0] + drnd.uniform(-50, 50)), d3(a[1] + drnd.uniform(-50, 50)))
    if kind == 0:  # anywhere
        c = (d3(drnd.uniform(-100, 100)), d3(drnd.uniform(-100, 100)))
        e = (d3(drnd.uniform(-100, 100)), d3(drnd.uniform(-100, 100)))
    elif kind in (1, 2):  # one end just past an end of A, the other far off to the side
        end, other = (b, a) if drnd.random() < 0.5 else (a, b)
        ux, uy = end[0] - other[0], end[1] - other[1]
        n = math.hypot(ux, uy) or 1
        gap = 10 ** drnd.uniform(-3, 1)
        c = (d3(end[0] + ux / n * gap + drnd.uniform(-gap, gap)), d3(end[1] + uy / n * gap + drnd.uniform(-gap, gap)))
        e = (d3(c[0] + drnd.uniform(-60, 60)), d3(c[1] + drnd.uniform(-60, 60)))
    elif kind == 3:  # nearly parallel, side by side
        off = 10 ** drnd.uniform(-3, 1)
        c = (d3(a[0] + drnd.uniform(-5, 5)), d3(a[1] + off))
        e = (d3(b[0] + drnd.uniform(-5, 5)), d3(b[1] + off * drnd.uniform(0.5, 2)))
    else:  # crossing, touching or ending on A
        t = drnd.choice((0.0, 1.0, drnd.uniform(0, 1)))
        m = (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t)
        c = (d3(m[0] + drnd.uniform(-20, 20)), d3(m[1] + drnd.uniform(-20, 20)))
        e = (d3(2 * m[0] - c[0]), d3(2 * m[1] - c[1])) if drnd.random() < 0.5 else (d3(m[0]), d3(m[1]))
    if drnd.random() < 0.5:
        c, e = e, c
    if a == b or c == e:
        continue
    d = LineString([a, b]).distance(LineString([c, e]))
    out.append(" ".join(["sdist", "d%d" % k] + [repr(v) for p in (a, b, c, e) for v in p] + [g12(d)]))

# --- crossings within 1e-3 of a segment's end ------------------------------------------------
for k in range(300):
    a = (d3(drnd.uniform(-100, 100)), d3(drnd.uniform(-100, 100)))
    b = (d3(a[0] + drnd.uniform(-80, 80)), d3(a[1] + drnd.uniform(-80, 80)))
    gap = 10 ** drnd.uniform(-5, -3) * drnd.choice((1, -1))  # before or past the end
    n = math.hypot(b[0] - a[0], b[1] - a[1])
    m = (b[0] - (b[0] - a[0]) / n * gap, b[1] - (b[1] - a[1]) / n * gap)
    ang = drnd.uniform(0.05, math.pi - 0.05)
    ux, uy = math.cos(ang), math.sin(ang)
    l1, l2 = drnd.uniform(1, 60), drnd.uniform(1, 60)
    c, e = (m[0] - ux * l1, m[1] - uy * l1), (m[0] + ux * l2, m[1] + uy * l2)
    if drnd.random() < 0.5:
        a, b, c, e = c, e, a, b
    cross("near%d" % k, a, b, c, e)

print("# made by make_shapely_table.py with Shapely", __import__("shapely").__version__)
print("\n".join(out))
