#!/usr/bin/python3
# Writes tests/astro/riseset_reference.txt: sunrise and sunset of a local day from PyEphem
# (Debian's python3-ephem), for days around the edges of polar night and midnight sun at 68 to 80
# degrees north and south, and for zones far from GMT. Run with Debian's own interpreter:
# /usr/bin/python3.
# The day's daylight is the one around the sun's upper transit within the local day (local
# midnight to local midnight); it exists when the sun's centre is above -49.6 arcminutes (no
# refraction) at that transit and below it at the lower transits before and after.
# Per row: the observer's GMT instant (year month day hour minute second), the place (latitude,
# longitude, time-zone hours), found (1 or 0), sunrise and sunset as local date-time values (days
# since 1899-12-30; 0 when not found) and the margin: the least distance in degrees of the sun
# from the threshold at the three transits (a small margin means a day on the very edge).
import math
import os
import random

import ephem

HORIZON = "-0:49.6"
H_DEG = -49.6 / 60
DATETIME_OF_DUBLIN_JD0 = 1.5  # ephem.Date(0) is 1899-12-31 12:00; date-time 0 is 1899-12-30 00:00
YEAR = 2025
LATITUDES = [68, 70, 72, 75, 78, 80]
# Longitudes and zones, some with the zone's noon hours away from the sun's.
PLACES = [(150.0, 10), (-150.0, -10), (20.0, 1), (-170.0, -11), (170.0, 12), (75.0, 8), (-30.0, -2)]
# Mid-latitude places whose zone lies far from GMT, each at a GMT hour on another local date.
FAR_ZONES = [
    (-33.87, 151.21, 10, 20), (21.31, -157.86, -10, 5), (-36.85, 174.76, 13, 12),
    (61.22, -149.90, -9, 3), (1.87, -157.40, 14, 11), (43.83, 87.62, 8, 17), (35.0, 150.0, 10, 20),
]


def observer(lat, lon):
    ob = ephem.Observer()
    ob.lat, ob.lon = str(lat), str(lon)
    ob.elevation = 0
    ob.pressure = 0  # no refraction: the threshold is the whole allowance
    ob.horizon = HORIZON
    return ob


def altitude(ob, when):
    ob.date = when
    return math.degrees(float(ephem.Sun(ob).alt))


def local_day(lat, lon, zone, date):
    """(found, rise, set, margin) of the local day starting at local midnight `date` (ephem date)."""
    ob = observer(lat, lon)
    sun = ephem.Sun()
    midnight = ephem.Date(date - zone * ephem.hour)
    transit = ob.next_transit(sun, start=midnight)
    low_before = ob.previous_antitransit(sun, start=transit)
    low_after = ob.next_antitransit(sun, start=transit)
    margins = [altitude(ob, t) - H_DEG for t in (transit, low_before, low_after)]
    found = margins[0] > 0 and margins[1] < 0 and margins[2] < 0
    rise = sset = 0.0
    if found:
        rise = float(ob.previous_rising(sun, start=transit, use_center=True))
        sset = float(ob.next_setting(sun, start=transit, use_center=True))
        assert low_before < rise < transit < sset < low_after
        rise += DATETIME_OF_DUBLIN_JD0 + zone / 24.0
        sset += DATETIME_OF_DUBLIN_JD0 + zone / 24.0
    return found, rise, sset, min(abs(m) for m in margins)


def row(lat, lon, zone, date, gmt_hour, minute, second):
    found, rise, sset, margin = local_day(lat, lon, zone, date)
    instant = ephem.Date(date - zone * ephem.hour + gmt_hour * ephem.hour + minute * ephem.minute + second * ephem.second)
    y, mo, d, hh, mi, ss = instant.tuple()
    ss = int(round(ss))
    return "%d %d %d %d %d %d  %.3f %.3f %d  %d %.7f %.7f  %.4f" % (
        y, mo, d, hh, mi, ss, lat, lon, zone, 1 if found else 0, rise, sset, margin)


def main():
    rng = random.Random(20261219)
    lines = [
        "# year month day hour minute second  lat long zone  found rise set  margin",
        "# written by make_riseset_reference.py from PyEphem %s; do not edit by hand" % ephem.__version__,
    ]
    k = 0
    for lat in LATITUDES:
        for sign in (1, -1):
            lon, zone = PLACES[k % len(PLACES)]
            k += 1
            start = ephem.Date((YEAR, 1, 1))
            flags = [local_day(sign * lat, lon, zone, ephem.Date(start + n))[0] for n in range(366)]
            for n in range(365):
                if flags[n] == flags[n + 1]:
                    continue
                for day in range(max(0, n - 1), min(366, n + 3)):
                    # A local hour at random: the GMT instant often lies on another date.
                    lines.append(row(sign * lat, lon, zone, ephem.Date(start + day), rng.randint(0, 23),
                                     rng.randint(0, 59), rng.randint(0, 59)))
    for lat, lon, zone, gmt_hour in FAR_ZONES:
        for month in (3, 6, 12):
            date = ephem.Date((YEAR, month, 10)) + math.floor((gmt_hour + zone) / 24)  # the local date
            lines.append(row(lat, lon, zone, date, (gmt_hour + zone) % 24, 0, 0))
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "riseset_reference.txt")
    with open(out, "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
