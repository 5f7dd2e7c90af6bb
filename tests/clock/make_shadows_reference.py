#!/usr/bin/python3
# Writes tests/clock/shadows_reference.txt: where PyEphem (Debian's python3-ephem) puts the sun for
# the sun-path and shadow diagrams' checks. Run with Debian's own interpreter: /usr/bin/python3.
# Rows "at": the sun's geometric elevation and bearing (no refraction) at a local clock time of a
# day of 2021 for a place and zone. Rows "rise": the bearing where the sun's centre crosses the
# horizon (0 degrees, no refraction) on the morning of that local day.
import ephem

PLACES = [(51.5, -0.1167, 0.0), (-33.87, 151.21, 10.0)]
TIMES = [(6, 21, 12.0), (12, 21, 12.0), (3, 21, 9.0), (12, 21, 15.0)]


def observer(lat, lon):
    ob = ephem.Observer()
    ob.lat, ob.lon = str(lat), str(lon)
    ob.elevation = 0
    ob.pressure = 0
    ob.horizon = "0"
    return ob


print("# kind lat long zone month day localhour  elevation bearing (degrees)")
print("# written by make_shadows_reference.py from PyEphem %s; do not edit by hand" % ephem.__version__)
for lat, lon, zone in PLACES:
    for month, day, hour in TIMES:
        ob = observer(lat, lon)
        ob.date = ephem.Date("2021/%d/%d 00:00:00" % (month, day)) + (hour - zone) * ephem.hour
        sun = ephem.Sun(ob)
        print("at %.4f %.4f %.1f %d %d %.2f  %.5f %.5f" % (lat, lon, zone, month, day, hour,
                                                         float(sun.alt) * 180 / ephem.pi,
                                                         float(sun.az) * 180 / ephem.pi))
    for month, day in [(6, 21), (12, 21)]:
        ob = observer(lat, lon)
        ob.date = ephem.Date("2021/%d/%d 00:00:00" % (month, day)) - zone * ephem.hour
        ob.date = ob.next_rising(ephem.Sun(), use_center=True)
        sun = ephem.Sun(ob)
        print("rise %.4f %.4f %.1f %d %d 0  0 %.5f" % (lat, lon, zone, month, day, float(sun.az) * 180 / ephem.pi))
