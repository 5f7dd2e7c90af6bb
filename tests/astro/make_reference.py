#!/usr/bin/python3
# Writes tests/astro/reference.txt: outside reference values for the sun and moon model, from
# PyEphem (Debian's python3-ephem). Run with Debian's own interpreter: /usr/bin/python3.
# Per row: a GMT instant (year month day hour minute second), a place (latitude, longitude,
# time-zone hours), the sub-solar point (apparent declination; apparent right ascension less
# Greenwich apparent sidereal time), the moon's apparent geocentric right ascension and
# declination, and the sunrise and sunset around local noon of the instant's local date (the
# sun's centre at -49.6 arcminutes, no refraction added) as GMT date-time values (days since
# 1899-12-30). Angles are degrees.
import math
import os
import random

import ephem

ROWS = 60
DATETIME_OF_DUBLIN_JD0 = 1.5  # ephem.Date(0) is 1899-12-31 12:00; date-time 0 is 1899-12-30 00:00


def wrap180(a):
    return (a + 180.0) % 360.0 - 180.0


def main():
    rng = random.Random(20261210)
    lines = [
        "# year month day hour minute second  lat long zone  sunlat sunlong  moonra moondec  rise set",
        "# written by make_reference.py from PyEphem %s; do not edit by hand" % ephem.__version__,
    ]
    for _ in range(ROWS):
        year = rng.randint(1990, 2040)
        month = rng.randint(1, 12)
        day = rng.randint(1, 28)
        hour, minute, second = rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59)
        lat = round(rng.uniform(-60, 60), 3)
        lon = round(rng.uniform(-180, 180), 3)
        zone = round(lon / 15)
        when = ephem.Date((year, month, day, hour, minute, second))

        greenwich = ephem.Observer()
        greenwich.lat, greenwich.lon, greenwich.elevation = "0", "0", 0
        greenwich.pressure = 0
        greenwich.date = when
        sun = ephem.Sun(greenwich)
        gast = float(greenwich.sidereal_time())
        sunlat = math.degrees(float(sun.g_dec))
        sunlong = wrap180(math.degrees(float(sun.g_ra) - gast))
        moon = ephem.Moon(greenwich)
        moonra = math.degrees(float(moon.g_ra))
        moondec = math.degrees(float(moon.g_dec))

        place = ephem.Observer()
        place.lat, place.lon = str(lat), str(lon)
        place.elevation = 0
        place.pressure = 0  # no refraction: the threshold below is the whole allowance
        place.horizon = "-0:49.6"
        local_date = math.floor(when + zone * ephem.hour + 0.5) - 0.5  # ephem dates start at noon
        place.date = ephem.Date(local_date + 0.5 - zone * ephem.hour)  # local noon as GMT
        rise = place.previous_rising(ephem.Sun(), use_center=True)
        place.date = ephem.Date(local_date + 0.5 - zone * ephem.hour)
        sset = place.next_setting(ephem.Sun(), use_center=True)

        lines.append(
            "%d %d %d %d %d %d  %.3f %.3f %d  %.5f %.5f  %.5f %.5f  %.7f %.7f"
            % (year, month, day, hour, minute, second, lat, lon, zone, sunlat, sunlong, moonra, moondec,
               float(rise) + DATETIME_OF_DUBLIN_JD0, float(sset) + DATETIME_OF_DUBLIN_JD0))
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "reference.txt")
    with open(out, "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
