#!/usr/bin/python3
# Writes axis_table.txt: the orientation of Shapely's minimum rotated rectangle of rotated
# rectangles, read by tests/geometry/r_Geom_shape_test.cpp. Run with Debian's /usr/bin/python3:
#   /usr/bin/python3 tests/geometry/reference/make_axis_table.py > tests/geometry/reference/axis_table.txt
# Fixed seed: the output is reproducible. Every number is written with repr (round-trip exact).
#
# Records (whitespace separated):
#   rect id jitter n x y ... axis longaxis
#       a closed ring drawn round a rectangle (each corner moved by up to jitter of the shorter
#       side), axis the azimuth atan2(dx, dy) of the first side of Shapely's minimum rotated
#       rectangle folded into [0, pi/2), longaxis the azimuth of its longer sides folded into
#       [0, pi).
import math
import random

from shapely.geometry import Polygon

rnd = random.Random(20261211)


def f(v):
    return repr(float(v))


def fold(a, period):
    a = math.fmod(a, period)
    return a + period if a < 0 else a


print("# rect id jitter n x y ... axis longaxis (Shapely minimum_rotated_rectangle)")
for k in range(60):
    w, h = rnd.uniform(5, 80), rnd.uniform(5, 80)
    if abs(w - h) < 2:
        w += 5  # a square has no long side
    turn = rnd.uniform(-math.pi, math.pi)
    cx, cy = rnd.choice([(0.0, 0.0), (5e5, 5e5), (-1234.5, 678.9)])
    cx += rnd.uniform(-100, 100)
    cy += rnd.uniform(-100, 100)
    jitter = 0.0 if k < 30 else 0.004
    s, c = math.sin(turn), math.cos(turn)
    ring = []
    start = rnd.randrange(4)
    corners = [(-w / 2, -h / 2), (-w / 2, h / 2), (w / 2, h / 2), (w / 2, -h / 2)]
    for i in range(4):
        u, v = corners[(start + i) % 4]
        u += rnd.uniform(-1, 1) * jitter * min(w, h)
        v += rnd.uniform(-1, 1) * jitter * min(w, h)
        ring.append((cx + u * c - v * s, cy + u * s + v * c))
    ring.append(ring[0])
    mrr = list(Polygon(ring).minimum_rotated_rectangle.exterior.coords)
    sides = [(mrr[i + 1][0] - mrr[i][0], mrr[i + 1][1] - mrr[i][1]) for i in range(2)]
    axis = fold(math.atan2(sides[0][0], sides[0][1]), math.pi / 2)
    longest = max(sides, key=lambda d: math.hypot(*d))
    longaxis = fold(math.atan2(longest[0], longest[1]), math.pi)
    rec = ["rect", "r%d" % k, f(jitter), str(len(ring))] + [f(v) for p in ring for v in p] + [f(axis), f(longaxis)]
    print(" ".join(rec))
