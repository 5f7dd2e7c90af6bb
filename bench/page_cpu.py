#!/usr/bin/python3
# A page's share of a core while it is shown: the main program on an Xvfb of its own, the tab
# chosen by a click, then its user and system time over 60 s from /proc/PID/stat; beside it
# `xclock -update 1` when installed. The data folder is the built one (build/bin, made by
# kestrova_data) when present, else a small one made here. The Sky view is measured under a
# night, a twilight and a day sky: the home place is put at the longitude where the sun stands
# at that height now (PyEphem), since each sky costs differently to draw.
# Usage: bench/page_cpu.py [build folder] [seconds] [--perf FOLDER]
#   --perf records each run with `perf record -g` into FOLDER/<page>.data.
# Aims: Astronomical data 0.3 %, Sky 1 % of a core.
import ctypes, ctypes.util, datetime, os, shutil, sqlite3, struct, subprocess, sys, tempfile, time

args = sys.argv[1:]
perf = None
if "--perf" in args:
    i = args.index("--perf")
    perf = os.path.abspath(args[i + 1])
    os.makedirs(perf, exist_ok=True)
    del args[i:i + 2]
build = args[0] if args else "build"
seconds = float(args[1]) if len(args) > 1 else 60
exe = os.path.abspath(os.path.join(build, "bin", "Kestrova8"))
if not os.access(exe, os.X_OK):
    sys.exit("no %s: build first" % exe)
work = tempfile.mkdtemp(prefix="kestrova-pagecpu-")


def bmp(path, w, h, colour):
    row = (w * 3 + 3) & ~3
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 54 + row * h, 0, 0, 54))
        f.write(struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, row * h, 2835, 2835, 0, 0))
        for y in range(h):
            f.write(b"".join(bytes(colour(x, y)) for x in range(w)) + b"\0" * (row - 3 * w))


def make_data(folder):
    os.makedirs(folder)
    bmp(folder + "world 600.bmp", 600, 300, lambda x, y: (x // 3, 120 + y // 3, 60))
    bmp(folder + "moon.bmp", 200, 200, lambda x, y: (100 + (x * y) % 90, 110 + x % 70, 120))
    night = folder + "night.bmp"
    bmp(night, 720, 360, lambda x, y: (40 + (x * 7 + y) % 30, (x * y) % 20, 10))
    db = sqlite3.connect(folder + "sky.db")
    db.execute("CREATE TABLE `ini` (`key` TEXT, `value` TEXT, `blob` BLOB)")
    db.execute("CREATE TABLE `stars` (`long` INTEGER, `lat` INTEGER, `mag` INTEGER)")
    db.execute("CREATE TABLE `constellations` (`lines` POLYXYBLOB, `name` TEXT, `long` DOUBLE, `lat` DOUBLE)")
    db.execute("CREATE TABLE `constellation boundaries` (`lines` POLYXYBLOB)")
    db.execute("INSERT INTO ini VALUES ('home', 'London', NULL)")
    db.execute("INSERT INTO ini VALUES ('night sky', 'galactic', ?)", (open(night, "rb").read(),))
    db.executemany("INSERT INTO stars VALUES (?, ?, ?)",
                   [((i * 7919) % 36000, (i * 104729) % 18000 - 9000, i % 80) for i in range(3000)])
    db.commit()
    db.close()


x = ctypes.CDLL(ctypes.util.find_library("X11"))
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XGetImage.restype = ctypes.c_void_p
x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                        ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
x.XGetPixel.restype = ctypes.c_ulong
x.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
x.XDestroyImage.argtypes = [ctypes.c_void_p]
W, H = 1920, 1080


def tabs(d):
    """The unselected tabs in the caption bar, as (left, right), or None."""
    im = x.XGetImage(d, x.XDefaultRootWindow(d), 0, 20, W, 1, 0xFFFFFFFF, 2)
    if not im:
        return None
    row = [x.XGetPixel(im, i, 0) for i in range(W)]
    x.XDestroyImage(im)
    runs, start = [], -1
    for i in range(W + 1):
        c = row[i] if i < W else 0
        tab = i < W and abs((c >> 16 & 255) - 0x3C) + abs((c >> 8 & 255) - 0x50) + abs((c & 255) - 0x80) < 18
        if tab and start < 0:
            start = i
        if not tab and start >= 0:
            if i - start > 20:
                runs.append((start, i))
            start = -1
    return runs if len(runs) == 4 else None


def ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def share(pid, record=None):
    hz = os.sysconf("SC_CLK_TCK")
    rec = None
    if record:
        rec = subprocess.Popen(["perf", "record", "-q", "-g", "-o", record, "-p", str(pid)],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    t0, c0 = time.monotonic(), ticks(pid)
    time.sleep(seconds)
    r = 100.0 * (ticks(pid) - c0) / hz / (time.monotonic() - t0)
    if rec:
        rec.send_signal(2)
        rec.wait(30)
    return r


def longitude_at(elevation):
    """The longitude at latitude 51.5 where the sun now stands nearest the given elevation (the
    highest when it stands lower everywhere), or None without PyEphem."""
    try:
        import ephem
    except ImportError:
        return None
    o = ephem.Observer()
    o.lat, o.pressure = "51.5", 0
    o.date = datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None)
    best = None
    for tenth in range(-1800, 1800, 5):
        o.lon = str(tenth / 10)
        e = float(ephem.Sun(o).alt) * 180 / 3.141592653589793
        # Evening skies only, so that twilight deepens during the run as it would at a window.
        o.lon = str(tenth / 10 + 0.25)
        setting = float(ephem.Sun(o).alt) * 180 / 3.141592653589793 < e
        if not setting and elevation < 60:
            continue
        d = abs(e - elevation)
        if best is None or d < best[0]:
            best = (d, tenth / 10, e)
    return best[1:] if best else None


def kill(p):
    p.terminate()
    try:
        p.wait(5)
    except subprocess.TimeoutExpired:
        p.kill()


xvfb = None
try:
    data = os.path.abspath(os.path.join(build, "bin")) + "/"
    if os.path.isfile(data + "sky.db") and os.path.isfile(data + "1920.bin"):
        print("data folder: %s (built)" % data)
    else:
        data = work + "/data/"
        make_data(data)
        print("data folder: a small one made here (no built data folder in %s)" % build)
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "%dx%dx24" % (W, H), "-br", "-nolisten",
                             "tcp", "-noreset"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    os.environ["DISPLAY"] = ":" + xvfb.stdout.readline().decode().strip()
    os.environ["HOME"] = work + "/home"
    for k in ("XDG_DOCUMENTS_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "KESTROVA_HEADLESS"):
        os.environ.pop(k, None)
    cfg = os.environ["HOME"] + "/Documents/Ombrant/Kestrova/version 8/"
    os.makedirs(cfg)
    d = x.XOpenDisplay(None)
    # The unselected tabs, left to right: the Sky view, then the Astronomical data.
    runs = [("Astronomical data", 2, 0.0)]
    for sky, elevation in (("night", -30), ("twilight", -2), ("day", 90)):
        at = longitude_at(elevation)
        if at:
            print("Sky, %s: home at 51.5 N %.1f E, the sun %.1f degrees high" % (sky, at[0], at[1]))
            runs.append(("Sky, " + sky, 1, at[0]))
    if len(runs) == 1:
        print("no PyEphem (python3-ephem): the Sky view over London as it is now")
        runs.append(("Sky", 1, 0.0))
    for name, n, lon in runs:
        with open(cfg + "locations.ini", "w", newline="") as f:
            f.write("[settings]\r\nbase directory=%s\r\nhome=Here\r\nshow locations=no\r\n\r\n"
                    "[location 1]\r\nname=Here\r\nlat=51.5\r\nlong=%.2f\r\nwindows name=UTC\r\n"
                    "hjustify=right\r\nvjustify=top\r\n\r\n"
                    % (data, lon))
        p = subprocess.Popen([exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            found, until = None, time.monotonic() + 45
            while not found and time.monotonic() < until:
                found = tabs(d)
                time.sleep(0.05)
            if not found:
                print("%s: the window never showed its tabs" % name)
                continue
            left, right = found[n - 1]
            subprocess.run(["xdotool", "mousemove", str((left + right) // 2), "12", "click", "1"], check=True)
            subprocess.run(["xdotool", "mousemove", "5", str(H - 5)], check=True)  # off the page
            time.sleep(3)  # the tab's first picture is not counted
            now = tabs(d)
            if not now or (left, right) in now:
                print("%s: the tab was not selected (a dialog over the window?)" % name)
                continue
            record = perf and "%s/%s.data" % (perf, name.replace(", ", "-").replace(" ", "-"))
            print("%-18s %.3f %% of a core over %.0f s" % (name + ":", share(p.pid, record), seconds))
        finally:
            kill(p)
    if shutil.which("xclock"):
        p = subprocess.Popen(["xclock", "-update", "1"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            time.sleep(2)
            print("%-18s %.3f %% of a core over %.0f s" % ("xclock -update 1:", share(p.pid), seconds))
        finally:
            kill(p)
    else:
        print("xclock not installed (x11-apps): no peer figure")
finally:
    if xvfb:
        kill(xvfb)
    shutil.rmtree(work, ignore_errors=True)
