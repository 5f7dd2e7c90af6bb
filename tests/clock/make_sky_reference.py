#!/usr/bin/python3
# Writes tests/clock/sky_reference.txt: where PyEphem (Debian's python3-ephem) puts the sun and
# the moon over London at the instants the sky view's pixel tests draw. Run with Debian's own
# interpreter: /usr/bin/python3. Per row: an id, a GMT instant (year month day hour minute), and
# the topocentric azimuth (clockwise from north) and altitude of the sun, then of the moon, in
# degrees, without refraction (pressure 0), as the sky's own model gives them.
import math

import ephem

LAT, LON = "51.5", "-0.116667"  # London, the home place a fresh locations list gets


def observer(when):
    o = ephem.Observer()
    o.lat, o.lon, o.elevation = LAT, LON, 0
    o.pressure = 0
    o.date = when
    return o


def positions(when):
    o = observer(when)
    s, m = ephem.Sun(o), ephem.Moon(o)
    return [math.degrees(float(v)) for v in (s.az, s.alt, m.az, m.alt)]


def night_with_moon_up():
    # The first evening of 2026 at 22:00 GMT with the moon between 25 and 45 degrees up.
    d = ephem.Date((2026, 1, 1, 22, 0, 0))
    for day in range(366):
        when = ephem.Date(d + day)
        az, alt, maz, malt = positions(when)
        if alt < -12 and 25 < malt < 45:
            return when
    raise SystemExit("no night with the moon up")


def twilight_at(altitude):
    # The minute of the evening of 10 March 2026 whose sun altitude is nearest the given one.
    best = None
    for minute in range(16 * 60, 20 * 60):
        when = ephem.Date((2026, 3, 10, minute // 60, minute % 60, 0))
        alt = positions(when)[1]
        if best is None or abs(alt - altitude) < abs(best[1] - altitude):
            best = (when, alt)
    return best[0]


def main():
    rows = [
        ("noon", ephem.Date((2026, 6, 21, 11, 0, 0))),
        ("night", night_with_moon_up()),
        ("twilight", twilight_at(-2.0)),
    ]
    lines = [
        "# id  year month day hour minute  sunaz sunalt  moonaz moonalt",
        "# written by make_sky_reference.py from PyEphem %s; do not edit by hand" % ephem.__version__,
    ]
    for name, when in rows:
        y, mo, d, h, mi, _ = when.tuple()
        values = " ".join("%.4f" % v for v in positions(when))
        lines.append("%s  %d %d %d %d %d  %s" % (name, y, mo, d, h, mi, values))
    path = __file__.rsplit("/", 1)[0] + "/sky_reference.txt"
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
