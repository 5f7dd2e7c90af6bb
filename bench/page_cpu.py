#!/usr/bin/python3
# A page's share of a core while it is shown: the main program on an Xvfb of its own with a small
# data folder (made here unless one is given), the tab chosen by a click, then its user and
# system time over 60 s from /proc/PID/stat; beside it `xclock -update 1` when installed.
# Usage: bench/page_cpu.py [build folder] [seconds]
# Aims: Astronomical data 0.3 %, Sky 1 % of a core.
import ctypes, ctypes.util, os, shutil, sqlite3, struct, subprocess, sys, tempfile, time

build = sys.argv[1] if len(sys.argv) > 1 else "build"
seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 60
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


def share(pid):
    hz = os.sysconf("SC_CLK_TCK")
    t0, c0 = time.monotonic(), ticks(pid)
    time.sleep(seconds)
    return 100.0 * (ticks(pid) - c0) / hz / (time.monotonic() - t0)


def kill(p):
    p.terminate()
    try:
        p.wait(5)
    except subprocess.TimeoutExpired:
        p.kill()


xvfb = None
try:
    data = work + "/data/"
    make_data(data)
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "%dx%dx24" % (W, H), "-br", "-nolisten",
                             "tcp", "-noreset"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    os.environ["DISPLAY"] = ":" + xvfb.stdout.readline().decode().strip()
    os.environ["HOME"] = work + "/home"
    for k in ("XDG_DOCUMENTS_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "KESTROVA_HEADLESS"):
        os.environ.pop(k, None)
    cfg = os.environ["HOME"] + "/Documents/Ombrant/Kestrova/version 8/"
    os.makedirs(cfg)
    with open(cfg + "locations.ini", "w", newline="") as f:
        f.write("[settings]\r\nbase directory=%s\r\nhome=Here\r\nshow locations=no\r\n\r\n"
                "[location 1]\r\nname=Here\r\nlat=51.5\r\nlong=0\r\nwindows name=UTC\r\n\r\n" % data)
    d = x.XOpenDisplay(None)
    # The unselected tabs, left to right: the Sky view, then the Astronomical data.
    for name, n in (("Astronomical data", 2), ("Sky", 1)):
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
            print("%-18s %.3f %% of a core over %.0f s" % (name + ":", share(p.pid), seconds))
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
