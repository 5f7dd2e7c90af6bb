#!/usr/bin/python3
# Writes shapely_clip_table.txt: reference values from Shapely (GEOS) for the kernel's
# self-crossings, nesting, stitching, noding, manifolds, cutting and clipping, read by
# tests/geometry/r_Geom_clip_reference_test.cpp. Run with Debian's /usr/bin/python3 (python3-shapely):
#   /usr/bin/python3 tests/geometry/reference/make_shapely_clip_table.py > tests/geometry/reference/shapely_clip_table.txt
# Fixed seed: the output is reproducible. Every number is written with repr (round-trip exact).
#
# A line is written "n x y ...", a polygon "nrings line...", a set of lines "n line...", a set of
# polygons "n polygon..."; outer rings clockwise (y up), holes anticlockwise. Records:
#   selfx id line simple n (x y)*          is_simple, and the points where non-adjacent segments cross
#   nest id lines n (area)* parity         polygonize of the rings: face areas ascending; the area
#                                          of their even-odd union (symmetric difference)
#   stitch id lines n (length)*            linemerge: merged line lengths ascending
#   spag id lines n (x y)* [snap]          unary_union: the distinct ends of the noded pieces; snap:
#                                          two lines miss each other within the kernel's snap
#   manifold id x1 y1 x2 y2 lines n (area)*   polygonize of the box boundary and the chains
#   split id poly line n (area)*           split of the polygon by a line whose ends lie on its
#                                          boundary (extended a little for GEOS), areas ascending
#   clipbox id x1 y1 x2 y2 poly area polys    intersection with the box: its area and polygons
#   cliploop id line poly area polys          intersection with the ring's polygon
#   clippoly id poly poly area polys          intersection with the polygon
#   cutpoly id poly line n (area)*         split by a line crossing the boundary, areas ascending
#   cutline id line line n (length)*       split of a simple line by another, lengths ascending
# The random differential set at the end (its own seed):
#   dregion id x1 y1 x2 y2 loop poly       three regions around one place: a box, a loop and a
#                                          polygon with holes
#   dclip regionid id poly (area count)*3  intersection with the box, the loop and the polygon:
#                                          total area and number of polygons
#   dcut regionid id poly|outer line n (area)*   split of the polygon (or of its outer ring alone)
#                                          by the line, areas ascending
import math
import random
from functools import reduce

from shapely.geometry import LineString, MultiLineString, Point, Polygon, box
from shapely.geometry.polygon import orient
from shapely.ops import linemerge, polygonize, split, unary_union

rnd = random.Random(20261211)
out = []


def f(v):
    return repr(float(v))


def pts(line):
    return [str(len(line))] + [f(c) for p in line for c in p]


def lines(ls):
    rec = [str(len(ls))]
    for line in ls:
        rec += pts(line)
    return rec


def ring_coords(r, clockwise):
    c = list(r.coords)
    ccw = Polygon(c).exterior.is_ccw
    return c[::-1] if ccw == clockwise else c


def poly_rec(p):
    p = orient(p, sign=-1.0)  # exterior clockwise, holes anticlockwise
    rings = [list(p.exterior.coords)] + [list(i.coords) for i in p.interiors]
    return lines(rings)


def polygons(g):
    if g.is_empty:
        return []
    if g.geom_type == "Polygon":
        return [g]
    return [q for q in getattr(g, "geoms", []) if q.geom_type == "Polygon" and q.area > 0]


def polys_rec(g):
    ps = polygons(g)
    rec = [str(len(ps))]
    for p in ps:
        rec += poly_rec(p)
    return rec


def rnd6(v):
    return round(v, 6)


def star(cx, cy, r0, r1, nv):
    angs = sorted(rnd.uniform(0, 2 * math.pi) for _ in range(nv))
    ring = [(rnd6(cx + rnd.uniform(r0, r1) * math.cos(t)), rnd6(cy + rnd.uniform(r0, r1) * math.sin(t))) for t in angs]
    ring.append(ring[0])
    return ring


def star_poly(cx, cy, r0, r1, nv, nholes):
    while True:
        outer = Polygon(star(cx, cy, r0, r1, nv))
        if not outer.is_valid:
            continue
        holes = []
        for _ in range(nholes * 10):
            if len(holes) == nholes:
                break
            hx, hy = cx + rnd.uniform(-r0, r0) * 0.6, cy + rnd.uniform(-r0, r0) * 0.6
            h = Polygon(star(hx, hy, r0 * 0.05, r0 * 0.25, rnd.randint(3, 9)))
            if h.is_valid and outer.buffer(-1e-3).contains(h) and all(h.distance(o) > 1e-3 for o in holes):
                holes.append(h)
        return Polygon(outer.exterior.coords, [h.exterior.coords for h in holes])


def rline(nv, lo, hi):
    return [(rnd6(rnd.uniform(lo, hi)), rnd6(rnd.uniform(lo, hi))) for _ in range(nv)]


def area_rec(values):
    values = sorted(values)
    return [str(len(values))] + [f(v) for v in values]


# --- self-crossings --------------------------------------------------------------------------
def crossings(line):
    found = []
    for i in range(len(line) - 1):
        for j in range(i + 2, len(line) - 1):
            if i == 0 and j == len(line) - 2 and line[0] == line[-1]:
                continue
            g = LineString(line[i:i + 2]).intersection(LineString(line[j:j + 2]))
            if g.geom_type == "Point":
                found.append((g.x, g.y))
    return found


for k in range(40):
    line = rline(rnd.randint(4, 12), 0, 100)
    if k % 5 == 0:
        line.append(line[0])
    cr = crossings(line)
    out.append(" ".join(["selfx", "s%d" % k] + pts(line) + [str(int(LineString(line).is_simple)), str(len(cr))]
                        + [f(c) for p in cr for c in p]))

# --- nesting ---------------------------------------------------------------------------------
for k in range(25):
    rings = []
    for _ in range(30):
        if len(rings) >= 2 + k % 5:
            break
        if rings and rnd.random() < 0.5:  # inside an earlier ring
            host = Polygon(rnd.choice(rings))
            c = host.representative_point()
            r = math.sqrt(host.area) * 0.3
            cand = star(c.x, c.y, r * 0.3, r, rnd.randint(3, 10))
        else:
            cand = star(rnd.uniform(0, 200), rnd.uniform(0, 200), 5, 40, rnd.randint(3, 10))
        cp = Polygon(cand)
        if not cp.is_valid or any(LineString(cand).distance(LineString(o)) < 1e-2 for o in rings):
            continue
        rings.append(cand[::-1] if rnd.random() < 0.5 else cand)
    faces = [p.area for p in polygonize([LineString(r) for r in rings])]
    parity = reduce(lambda a, b: a.symmetric_difference(b), [Polygon(r) for r in rings]).area
    out.append(" ".join(["nest", "n%d" % k] + lines(rings) + area_rec(faces) + [f(parity)]))

# --- stitching -------------------------------------------------------------------------------
def pieces_of(path):
    cuts = sorted(rnd.sample(range(1, len(path) - 1), rnd.randint(1, min(3, len(path) - 2))))
    bounds = [0] + cuts + [len(path) - 1]
    ps = [path[a:b + 1] for a, b in zip(bounds, bounds[1:])]
    return [p[::-1] if rnd.random() < 0.5 else p for p in ps]


for k in range(25):
    ls = []
    for _ in range(1 + k % 3):
        path = rline(rnd.randint(4, 8), 0, 100)
        if rnd.random() < 0.3:
            path.append(path[0])
        ls += pieces_of(path)
    if k % 4 == 0:  # a junction: three lines meeting at one point
        c = (50.5, 50.5)
        ls += [[c, (60.25, 40.75)], [(30.5, 45.5), c], [c, (55.125, 80.25)]]
    rnd.shuffle(ls)
    merged = linemerge(MultiLineString(ls))
    parts = [merged] if merged.geom_type == "LineString" else list(merged.geoms)
    out.append(" ".join(["stitch", "t%d" % k] + lines(ls) + area_rec([p.length for p in parts])))

# --- noding ----------------------------------------------------------------------------------
for k in range(25):
    ls = []
    while len(ls) < 3 + k % 4:
        cand = rline(rnd.randint(2, 5), 0, 100)
        if LineString(cand).is_simple:
            ls.append(cand)
    if k % 5 == 0:  # a T junction and a shared vertex
        ls.append([(ls[0][0][0] - 20, ls[0][0][1] + 7), ls[0][0]])
        ls.append([ls[1][-1], (ls[1][-1][0] + 9, ls[1][-1][1] - 13)])
    u = unary_union([LineString(l) for l in ls])
    parts = [u] if u.geom_type == "LineString" else list(u.geoms)
    ends = sorted({c for p in parts for c in (p.coords[0], p.coords[-1])})
    out.append(" ".join(["spag", "g%d" % k] + lines(ls) + [str(len(ends))] + [f(c) for p in ends for c in p]))

# --- manifolds -------------------------------------------------------------------------------
def on_box(x1, y1, x2, y2):
    side = rnd.randrange(4)
    t = rnd6(rnd.uniform(0.05, 0.95))
    return [(x1, rnd6(y1 + (y2 - y1) * t)), (x2, rnd6(y1 + (y2 - y1) * t)), (rnd6(x1 + (x2 - x1) * t), y1),
            (rnd6(x1 + (x2 - x1) * t), y2)][side]


for k in range(25):
    x1, y1 = rnd6(rnd.uniform(-50, 0)), rnd6(rnd.uniform(-50, 0))
    x2, y2 = rnd6(x1 + rnd.uniform(20, 100)), rnd6(y1 + rnd.uniform(20, 100))
    b = box(x1, y1, x2, y2)
    chains = []
    for _ in range(40):
        if len(chains) >= 1 + k % 5:
            break
        if rnd.random() < 0.25:  # a closed chain inside
            c = b.representative_point() if not chains else Point(rnd.uniform(x1, x2), rnd.uniform(y1, y2))
            cand = star(c.x, c.y, 1, min(x2 - x1, y2 - y1) * 0.15, rnd.randint(3, 8))
            if not Polygon(cand).is_valid or not b.buffer(-1e-6).contains(LineString(cand)):
                continue
        else:  # both ends on the boundary, the rest inside
            a, e = on_box(x1, y1, x2, y2), on_box(x1, y1, x2, y2)
            inner = [(rnd6(rnd.uniform(x1, x2)), rnd6(rnd.uniform(y1, y2))) for _ in range(rnd.randint(0, 3))]
            cand = [a] + inner + [e]
            meets = LineString(cand).intersection(b.exterior)
            if a == e or meets.geom_type != "MultiPoint" or len(meets.geoms) != 2:
                continue
        ls = LineString(cand)
        if not ls.is_simple or any(ls.distance(LineString(o)) < 1e-3 for o in chains):
            continue
        chains.append(cand)
    faces = [p.area for p in polygonize(unary_union([b.exterior] + [LineString(c) for c in chains]))]
    out.append(" ".join(["manifold", "m%d" % k, f(x1), f(y1), f(x2), f(y2)] + lines(chains) + area_rec(faces)))


# --- cutting a polygon along a line whose ends lie on it ---------------------------------------
def point_on(ring):
    i = rnd.randrange(len(ring) - 1)
    t = rnd.choice((0.0, rnd.uniform(0.1, 0.9)))
    return (ring[i][0] + (ring[i + 1][0] - ring[i][0]) * t, ring[i][1] + (ring[i + 1][1] - ring[i][1]) * t)


def extended(line, by):
    (ax, ay), (bx, by_) = line[0], line[1]
    (cx, cy), (dx, dy) = line[-2], line[-1]
    la, lb = math.hypot(bx - ax, by_ - ay), math.hypot(dx - cx, dy - cy)
    return ([(ax - (bx - ax) / la * by, ay - (by_ - ay) / la * by)] + line
            + [(dx + (dx - cx) / lb * by, dy + (dy - cy) / lb * by)])


made = 0
while made < 25:
    p = orient(star_poly(rnd.uniform(-100, 100), rnd.uniform(-100, 100), 30, 60, rnd.randint(5, 20), made % 3 == 0),
               sign=-1.0)
    rings = [list(p.exterior.coords)] + [list(i.coords) for i in p.interiors]
    a = point_on(rings[0])
    e = point_on(rings[1] if len(rings) > 1 and made % 2 == 0 else rings[0])
    if math.hypot(a[0] - e[0], a[1] - e[1]) < 1:
        continue
    mid = [((a[0] + e[0]) / 2 + rnd.uniform(-3, 3), (a[1] + e[1]) / 2 + rnd.uniform(-3, 3))]
    line = [a] + mid + [e]
    core = LineString(line)
    if not p.buffer(1e-7).contains(core) or not p.contains(Point(mid[0])) or not core.is_simple:
        continue
    if core.intersection(p.boundary).geom_type != "MultiPoint" or len(core.intersection(p.boundary).geoms) != 2:
        continue
    parts = polygons(split(p, LineString(extended(line, 1e-3))))
    out.append(" ".join(["split", "c%d" % made] + poly_rec(p) + pts(line) + area_rec([q.area for q in parts])))
    made += 1

# --- clipping --------------------------------------------------------------------------------
cases = []
for k in range(60):
    p = star_poly(rnd.uniform(-50, 50), rnd.uniform(-50, 50), 20, 60, rnd.randint(5, 25), k % 3)
    x1, y1 = rnd6(rnd.uniform(-80, 40)), rnd6(rnd.uniform(-80, 40))
    cases.append(("r%d" % k, (x1, y1, rnd6(x1 + rnd.uniform(5, 90)), rnd6(y1 + rnd.uniform(5, 90))), p))
# Degenerate: holes touching the box, boxes in holes, polygons around the box, edges along the box.
sq = Polygon([(0, 0), (0, 40), (40, 40), (40, 0)], [[(10, 10), (20, 10), (20, 20), (10, 20)]])
cases += [
    ("hole-edge-on-box", (20, 0, 30, 30), sq),
    ("hole-corner-on-box", (20, 20, 30, 30), sq),
    ("hole-edge-inside-box", (5, 15, 25, 30), sq),
    ("box-in-hole", (12, 12, 18, 18), sq),
    ("box-around-hole", (5, 5, 25, 25), sq),
    ("polygon-around-box", (25, 25, 35, 35), sq),
    ("box-around-polygon", (-5, -5, 45, 45), sq),
    ("edges-along-box", (0, 0, 40, 25), sq),
    ("box-touches-outside", (40, 0, 50, 10), sq),
    ("corner-to-corner", (20, 20, 40, 40), sq),
    ("vertex-on-box", (-5, -5, 10, 10), Polygon([(0, 0), (0, 10), (10, 20), (20, 10), (20, 0)])),
    ("comb", (-1, 5, 21, 12), Polygon([(0, 0), (0, 10), (3, 10), (3, 2), (7, 2), (7, 10), (10, 10), (10, 2),
                                       (14, 2), (14, 10), (20, 10), (20, 0)])),
]
for cid, (x1, y1, x2, y2), p in cases:
    g = p.intersection(box(x1, y1, x2, y2))
    out.append(" ".join(["clipbox", cid, f(x1), f(y1), f(x2), f(y2)] + poly_rec(p) + [f(g.area)] + polys_rec(g)))

for k in range(30):
    p = star_poly(rnd.uniform(-50, 50), rnd.uniform(-50, 50), 20, 60, rnd.randint(5, 25), k % 3)
    loop = orient(Polygon(star(rnd.uniform(-40, 40), rnd.uniform(-40, 40), 10, 50, rnd.randint(3, 12))), sign=-1.0)
    if not loop.is_valid:
        continue
    g = p.intersection(loop)
    out.append(" ".join(["cliploop", "l%d" % k] + pts(list(loop.exterior.coords)) + poly_rec(p) + [f(g.area)]
                        + polys_rec(g)))

for k in range(30):
    p = star_poly(rnd.uniform(-50, 50), rnd.uniform(-50, 50), 20, 60, rnd.randint(5, 25), k % 3)
    q = star_poly(rnd.uniform(-40, 40), rnd.uniform(-40, 40), 15, 50, rnd.randint(3, 15), 1 + k % 2)
    g = p.intersection(q)
    out.append(" ".join(["clippoly", "p%d" % k] + poly_rec(q) + poly_rec(p) + [f(g.area)] + polys_rec(g)))

made = 0
while made < 30:
    p = orient(star_poly(rnd.uniform(-50, 50), rnd.uniform(-50, 50), 20, 60, rnd.randint(5, 20), made % 2),
               sign=-1.0)
    c = p.centroid
    cutter = [(rnd6(c.x + rnd.uniform(-90, -70)), rnd6(c.y + rnd.uniform(-30, 30)))]
    for _ in range(rnd.randint(0, 2)):
        cutter.append((rnd6(c.x + rnd.uniform(-20, 20)), rnd6(c.y + rnd.uniform(-20, 20))))
    cutter.append((rnd6(c.x + rnd.uniform(70, 90)), rnd6(c.y + rnd.uniform(-30, 30))))
    if not LineString(cutter).is_simple:
        continue
    parts = polygons(split(p, LineString(cutter)))
    out.append(" ".join(["cutpoly", "k%d" % made] + poly_rec(p) + pts(cutter) + area_rec([q.area for q in parts])))
    made += 1

made = 0
while made < 20:
    # GEOS splits a line at its own crossings too: simple lines only.
    line = rline(rnd.randint(2, 8), 0, 100)
    cutter = rline(rnd.randint(2, 5), 0, 100)
    if not LineString(line).is_simple:
        continue
    made += 1
    parts = split(LineString(line), LineString(cutter))
    out.append(" ".join(["cutline", "u%d" % made] + pts(line) + pts(cutter) + area_rec([q.length for q in parts.geoms])))

# === Random differential set ===================================================================
# A second random stream, so the rows above stay as they were. Each group has three regions around
# one place: a box, a loop and a polygon with holes. Every object is clipped to all three, and
# cutters cut the polygon (or its outer ring alone). Weighted to the places where the kernel once
# went wrong: objects and cutters crossing holes (both orientations, holes met twice), vertices
# and crossings within 1e-3 of the other boundary, and closed cutters starting inside.
drnd = random.Random(20261214)


def d3(v):
    return round(v, 3)


def g12(v):
    return "%.12g" % v


def dstar(cx, cy, r0, r1, nv):
    angs = sorted(drnd.uniform(0, 2 * math.pi) for _ in range(nv))
    ring = [(d3(cx + drnd.uniform(r0, r1) * math.cos(t)), d3(cy + drnd.uniform(r0, r1) * math.sin(t))) for t in angs]
    ring.append(ring[0])
    return ring


def oriented(ring, clockwise):
    return ring[::-1] if Polygon(ring).exterior.is_ccw == clockwise else ring


def segments(rings):
    return [(r[i], r[i + 1]) for r in rings for i in range(len(r) - 1)]


def near_collinear(rings, region_segs):
    """An object edge lying along a region edge (closer than 1e-3 and within 1e-3 rad of its
    direction): left out, as exact geometry and the kernel's snap would part ways there."""
    for a, b in segments(rings):
        la = LineString([a, b])
        for c, e in region_segs:
            if la.distance(LineString([c, e])) > 1e-3:
                continue
            ux, uy, vx, vy = b[0] - a[0], b[1] - a[1], e[0] - c[0], e[1] - c[1]
            if abs(ux * vy - uy * vx) <= 1e-3 * math.hypot(ux, uy) * math.hypot(vx, vy):
                return True
    return False


def boundary_point(ring, at_vertex):
    i = drnd.randrange(len(ring) - 1)
    if at_vertex:
        return ring[i], (0.0, 0.0)
    t = drnd.uniform(0.1, 0.9)
    a, b = ring[i], ring[i + 1]
    n = math.hypot(b[0] - a[0], b[1] - a[1])
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t), ((a[1] - b[1]) / n, (b[0] - a[0]) / n)


def gap():
    return 10 ** drnd.uniform(-4.5, -3) * drnd.choice((1, -1))


def near_object(rings, s):
    """A triangle or quad with a vertex within 1e-3 of a region boundary, or with an edge passing
    within 1e-3 of a region vertex; its edges are long, so the crossings lie very near their ends."""
    ring = drnd.choice(rings)
    if drnd.random() < 0.5:  # a vertex of the object beside the boundary
        p, n = boundary_point(ring, drnd.random() < 0.3)
        if n == (0.0, 0.0):
            t = drnd.uniform(0, 2 * math.pi)
            n = (math.cos(t), math.sin(t))
        g = gap()
        v = (round(p[0] + n[0] * g, 7), round(p[1] + n[1] * g, 7))
        t0 = drnd.uniform(0, 2 * math.pi)
        pts = [v]
        for k in range(drnd.randint(2, 3)):
            t = t0 + k * drnd.uniform(0.4, 1.4)
            r = s * drnd.uniform(0.2, 1)
            pts.append((d3(v[0] + r * math.cos(t)), d3(v[1] + r * math.sin(t))))
    else:  # an edge of the object passing beside a vertex of the region
        c, _ = boundary_point(ring, True)
        t = drnd.uniform(0, 2 * math.pi)
        u, n = (math.cos(t), math.sin(t)), (-math.sin(t), math.cos(t))
        g = gap()
        m = (c[0] + n[0] * g, c[1] + n[1] * g)
        l1, l2 = s * drnd.uniform(0.1, 0.8), s * drnd.uniform(0.1, 0.8)
        side = drnd.choice((1, -1)) * s * drnd.uniform(0.1, 0.8)
        pts = [(round(m[0] - u[0] * l1, 7), round(m[1] - u[1] * l1, 7)), (round(m[0] + u[0] * l2, 7), round(m[1] + u[1] * l2, 7)),
               (d3(m[0] + n[0] * side), d3(m[1] + n[1] * side))]
    pts.append(pts[0])
    return [pts]


def hole_object(holes, s):
    """A rectangle over a hole: across one side, over the whole hole, as a strip through it, or
    inside it; sometimes turned."""
    h = drnd.choice(holes)
    xs, ys = [p[0] for p in h], [p[1] for p in h]
    mode = drnd.randrange(4)
    if mode == 0:
        p, _ = boundary_point(h, False)
        a, b = s * drnd.uniform(0.03, 0.2), s * drnd.uniform(0.03, 0.2)
        x1, y1, x2, y2 = p[0] - a * drnd.uniform(0.2, 1), p[1] - b * drnd.uniform(0.2, 1), p[0] + a, p[1] + b
    elif mode == 1:
        x1, y1 = min(xs) - s * drnd.uniform(0.01, 0.1), min(ys) - s * drnd.uniform(0.01, 0.1)
        x2, y2 = max(xs) + s * drnd.uniform(0.01, 0.1), max(ys) + s * drnd.uniform(0.01, 0.1)
    elif mode == 2:
        y = drnd.uniform(min(ys), max(ys))
        w = (max(ys) - min(ys)) * drnd.uniform(0.1, 0.5)
        x1, x2 = min(xs) - s * drnd.uniform(0.01, 0.2), max(xs) + s * drnd.uniform(0.01, 0.2)
        y1, y2 = y - w / 2, y + w / 2
        if drnd.random() < 0.5:
            x1, y1, x2, y2 = (y1 - y) + sum(xs) / len(xs), x1 - sum(xs) / len(xs) + y, (y2 - y) + sum(xs) / len(xs), x2 - sum(xs) / len(xs) + y
    else:
        c = Polygon(h).representative_point()
        r = min(max(xs) - min(xs), max(ys) - min(ys)) * 0.1
        x1, y1, x2, y2 = c.x - r, c.y - r, c.x + r, c.y + r
    ring = [(x1, y1), (x1, y2), (x2, y2), (x2, y1), (x1, y1)]
    if drnd.random() < 0.3:
        t = drnd.uniform(-0.5, 0.5)
        mx, my = (x1 + x2) / 2, (y1 + y2) / 2
        ring = [(mx + (x - mx) * math.cos(t) - (y - my) * math.sin(t), my + (x - mx) * math.sin(t) + (y - my) * math.cos(t))
                for x, y in ring]
    return [[(d3(x), d3(y)) for x, y in ring]]


def random_object(cx, cy, s):
    x, y = cx + drnd.uniform(-s, s) * 0.8, cy + drnd.uniform(-s, s) * 0.8
    r = s * drnd.uniform(0.1, 0.6)
    rings = [dstar(x, y, r * 0.4, r, drnd.randint(3, 10))]
    if drnd.random() < 0.2:
        rings.append(dstar(x, y, r * 0.05, r * 0.25, drnd.randint(3, 6)))
    return rings


def answers(obj, region):
    g = obj.intersection(region)
    ps = polygons(g)
    return [g12(sum(q.area for q in ps)), str(len(ps))]


dclips = dcuts = 0
for gi in range(40):
    cx, cy = d3(drnd.uniform(-100, 100)), d3(drnd.uniform(-100, 100))
    s = drnd.uniform(8, 60)
    x1, y1 = d3(cx - s * drnd.uniform(0.3, 0.6)), d3(cy - s * drnd.uniform(0.3, 0.6))
    x2, y2 = d3(cx + s * drnd.uniform(0.3, 0.6)), d3(cy + s * drnd.uniform(0.3, 0.6))
    while True:
        loop = oriented(dstar(cx, cy, s * 0.25, s * 0.6, drnd.randint(3, 12)), drnd.random() < 0.7)
        if Polygon(loop).is_valid:
            break
    while True:
        outer = dstar(cx, cy, s * 0.45, s * 0.7, drnd.randint(6, 16))
        if Polygon(outer).is_valid:
            break
    holes = []
    for _ in range(60):
        if len(holes) == 1 + gi % 3:
            break
        hx, hy = cx + drnd.uniform(-0.3, 0.3) * s, cy + drnd.uniform(-0.3, 0.3) * s
        if drnd.random() < 0.5:
            a, b = s * drnd.uniform(0.05, 0.15), s * drnd.uniform(0.05, 0.15)
            h = [(d3(hx - a), d3(hy - b)), (d3(hx + a), d3(hy - b)), (d3(hx + a), d3(hy + b)), (d3(hx - a), d3(hy + b))]
            h.append(h[0])
        else:
            h = dstar(hx, hy, s * 0.04, s * 0.15, drnd.randint(3, 8))
        hp = Polygon(h)
        if hp.is_valid and Polygon(outer).buffer(-s * 0.02).contains(hp) and all(hp.distance(Polygon(o)) > s * 0.02 for o in holes):
            holes.append(h)
    outer = oriented(outer, True)
    holes = [oriented(h, False) for h in holes]
    region = Polygon(outer, holes)
    regions = (box(x1, y1, x2, y2), Polygon(loop), region)
    region_rings = [[(x1, y1), (x1, y2), (x2, y2), (x2, y1), (x1, y1)], loop, outer] + holes
    region_segs = segments(region_rings)
    gid = "q%d" % gi
    out.append(" ".join(["dregion", gid, f(x1), f(y1), f(x2), f(y2)] + pts(loop) + lines([outer] + holes)))

    made = 0
    while made < 50:
        kind = made % 5
        if kind in (0, 1):
            rings = hole_object(holes, s)
        elif kind in (2, 3):
            rings = near_object(region_rings, s)
        else:
            rings = random_object(cx, cy, s)
        rings = [oriented(rings[0], drnd.random() < 0.5)] + [oriented(h, drnd.random() < 0.5) for h in rings[1:]]
        obj = Polygon(rings[0], rings[1:])
        if not obj.is_valid or obj.area < 1e-6 or near_collinear(rings, region_segs):
            continue
        rec = ["dclip", gid, "o%d" % dclips] + lines(rings)
        for reg in regions:
            rec += answers(obj, reg)
        out.append(" ".join(rec))
        made += 1
        dclips += 1

    made = 0
    while made < 50:
        kind = made % 5
        whole = drnd.random() < 0.8  # the polygon with its holes, else its outer ring alone
        target = region if whole else Polygon(outer)
        far = s * 1.5
        if kind == 0:  # across, from outside to outside, passing near the holes
            t = drnd.uniform(0, math.pi)
            u = (math.cos(t), math.sin(t))
            a = (d3(cx - u[0] * far), d3(cy - u[1] * far))
            e = (d3(cx + u[0] * far), d3(cy + u[1] * far))
            inner = [(d3(cx + drnd.uniform(-0.4, 0.4) * s), d3(cy + drnd.uniform(-0.4, 0.4) * s)) for _ in range(drnd.randint(0, 2))]
            cutter = [a] + inner + [e]
        elif kind == 1:  # from inside a hole out across the polygon, or on into another hole
            h = drnd.choice(holes)
            c = Polygon(h).representative_point()
            t = drnd.uniform(0, 2 * math.pi)
            cutter = [(d3(c.x), d3(c.y)), (d3(c.x + math.cos(t) * far), d3(c.y + math.sin(t) * far))]
            if len(holes) > 1 and drnd.random() < 0.5:
                c2 = Polygon(drnd.choice([o for o in holes if o is not h])).representative_point()
                cutter[1] = (d3(c2.x), d3(c2.y))
        elif kind == 2:  # out of a hole and back into it: the hole met twice
            h = drnd.choice(holes)
            c = Polygon(h).representative_point()
            hx = [p[0] for p in h]
            r = (max(hx) - min(hx)) * drnd.uniform(0.7, 1.5)
            t0 = drnd.uniform(0, 2 * math.pi)
            cutter = [(d3(c.x), d3(c.y))]
            for k in range(drnd.randint(2, 4)):
                t = t0 + k * drnd.uniform(0.5, 1.2)
                cutter.append((d3(c.x + r * math.cos(t)), d3(c.y + r * math.sin(t))))
            cutter.append(cutter[0] if drnd.random() < 0.5 else (d3(c.x + drnd.uniform(-0.1, 0.1) * r * 0.3),
                                                                d3(c.y + drnd.uniform(-0.1, 0.1) * r * 0.3)))
        elif kind == 3:  # closed, starting inside and crossing the outer ring
            p, n = boundary_point(outer, False)
            depth = s * drnd.uniform(0.03, 0.2)
            start = (d3(p[0] - n[0] * depth), d3(p[1] - n[1] * depth))  # outer runs clockwise: inside is right
            t = math.atan2(n[1], n[0])
            w = drnd.uniform(0.2, 0.8)
            r = depth * drnd.uniform(1.5, 3)
            cutter = [start, (d3(start[0] + r * math.cos(t - w)), d3(start[1] + r * math.sin(t - w))),
                      (d3(start[0] + r * math.cos(t + w)), d3(start[1] + r * math.sin(t + w))), start]
            if drnd.random() < 0.5:
                cutter.reverse()
        else:  # across, passing within 1e-3 of a vertex of the polygon
            c, _ = boundary_point(drnd.choice([outer] + holes), True)
            t = drnd.uniform(0, math.pi)
            u, n = (math.cos(t), math.sin(t)), (-math.sin(t), math.cos(t))
            g = gap()
            m = (c[0] + n[0] * g, c[1] + n[1] * g)
            cutter = [(round(m[0] - u[0] * far * 2, 7), round(m[1] - u[1] * far * 2, 7)),
                      (round(m[0] + u[0] * far * 2, 7), round(m[1] + u[1] * far * 2, 7))]
        line = LineString(cutter)
        if not line.is_simple or near_collinear([cutter], region_segs):
            continue
        pieces = polygons(split(target, line))
        rec = ["dcut", gid, "k%d" % dcuts, "poly" if whole else "outer"] + pts(cutter) + area_rec([q.area for q in pieces])
        out.append(" ".join(rec))
        made += 1
        dcuts += 1

# Noding lines that cross within 1e-3 of a vertex or an end of another: the node lies on both.
made = within_snap = 0
while made < 200:
    base = [(d3(drnd.uniform(0, 100)), d3(drnd.uniform(0, 100))) for _ in range(drnd.randint(2, 4))]
    ls = [base]
    for i in drnd.sample(range(len(base)), min(len(base), drnd.randint(1, 3))):
        v = base[i]
        t = drnd.uniform(0, 2 * math.pi)
        u, n = (math.cos(t), math.sin(t)), (-math.sin(t), math.cos(t))
        g = gap()
        m = (v[0] + n[0] * g, v[1] + n[1] * g)
        l1, l2 = drnd.uniform(1, 60), drnd.uniform(1, 60)
        ls.append([(round(m[0] - u[0] * l1, 7), round(m[1] - u[1] * l1, 7)), (round(m[0] + u[0] * l2, 7), round(m[1] + u[1] * l2, 7))])
    if not all(LineString(l).is_simple for l in ls) or any(
            near_collinear([a], segments([b])) for a in ls for b in ls if a is not b):
        continue
    u = unary_union([LineString(l) for l in ls])
    parts = [u] if u.geom_type == "LineString" else list(u.geoms)
    ends = sorted({c for p in parts for c in (p.coords[0], p.coords[-1])})
    # Segments of two lines that miss each other by less than 2e-4 of their length, or two nodes
    # that close: the kernel's segment test meets them within its snap (1e-4 of a parameter),
    # GEOS keeps them apart.
    longest = max(LineString(sg).length for l in ls for sg in segments([l]))
    snap = any(0 < LineString(sa).distance(LineString(sb)) <= 2e-4 * max(LineString(sa).length, LineString(sb).length)
               for a in ls for b in ls if a is not b for sa in segments([a]) for sb in segments([b]))
    snap = snap or any(0 < math.hypot(p[0] - q[0], p[1] - q[1]) <= 2e-4 * longest for p in ends for q in ends)
    if snap:
        if within_snap == 40:
            continue
        within_snap += 1
    out.append(" ".join(["spag", "ns%d" % made] + lines(ls) + [str(len(ends))] + [f(c) for p in ends for c in p]
                        + (["snap"] if snap else [])))
    made += 1

print("# made by make_shapely_clip_table.py with Shapely", __import__("shapely").__version__)
print("\n".join(out))
