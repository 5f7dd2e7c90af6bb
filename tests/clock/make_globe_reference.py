#!/usr/bin/python3
"""Sunrise, sunset, moonrise and moonset (local hours of the day) for the globe dial's test places,
from PyEphem: writes globe_reference.txt beside this script. Run with Debian's python3."""
import datetime
import os

import ephem

# name, latitude, longitude, zone offset in hours, local date
PLACES = [
    ("London", 51.5072, -0.1276, 0, (2024, 6, 21)),
    ("Sydney", -33.8688, 151.2093, 11, (2024, 1, 15)),
    ("Reykjavik", 64.1466, -21.9426, 0, (2024, 12, 21)),
]


def local_hours(when, tz):
    t = ephem.Date(when).datetime() + datetime.timedelta(hours=tz)
    return t.hour + t.minute / 60 + t.second / 3600


def events(body, o, start, end, tz):
    out = {}
    for kind, fn in (("rise", o.next_rising), ("set", o.next_setting)):
        o.date = start
        try:
            t = fn(body)
            out[kind] = local_hours(t, tz) if t < end else None
        except (ephem.AlwaysUpError, ephem.NeverUpError):
            out[kind] = None
    return out


lines = ["# place lat long tz y m d sunrise sunset moonrise moonset (local hours; - when none that day)"]
for name, lat, lon, tz, (y, m, d) in PLACES:
    o = ephem.Observer()
    o.lat, o.lon = str(lat), str(lon)
    o.pressure = 0
    o.horizon = "-0:34"
    start = ephem.Date(datetime.datetime(y, m, d) - datetime.timedelta(hours=tz))
    end = ephem.Date(start + 1)
    s = events(ephem.Sun(), o, start, end, tz)
    mo = events(ephem.Moon(), o, start, end, tz)
    # The dial's moonset is the one after that day's moonrise.
    if mo["rise"] is not None:
        o.date = start
        o.date = o.next_rising(ephem.Moon())
        mo["set"] = local_hours(o.next_setting(ephem.Moon()), tz)
    f = lambda v: "-" if v is None else "%.4f" % v
    lines.append("%s %.4f %.4f %g %d %d %d %s %s %s %s" % (name, lat, lon, tz, y, m, d, f(s["rise"]), f(s["set"]),
                                                        f(mo["rise"]), f(mo["set"])))
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "globe_reference.txt"), "w") as out:
    out.write("\n".join(lines) + "\n")
