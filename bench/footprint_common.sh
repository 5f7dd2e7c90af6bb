# Shared by the footprint scripts (sourced, not run): a 1920 × 1080 Xvfb of our own with a black
# root, a home of our own whose locations file names the data folder, and first_map, which starts
# a program and samples rows at a quarter, half and three quarters of the screen through Xlib until
# one holds at least 64 colours (black bars, captions and tabs have few); it sets `pid` and
# `shown` (seconds from start to that sample, or "never").
# Needs: exe (the program), $1 and $2 of the calling script: [build folder] [data folder | synthetic]
#   data folder: a built data folder with 1920.bin (default: the build's bin/ folder)
#   synthetic:   a made-up 1920.bin of the real size with many colours, and nothing else, for a
#                machine without the data folder's downloads
[[ -x "$exe" ]] || { echo "no $exe: build first" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
pid=""
cleanup() {
  # The program ends before its display goes.
  if [[ -n "$pid" ]] && kill "$pid" 2>/dev/null; then
    for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

if [[ "${2:-}" == synthetic ]]; then
  data="$work/data/"
  mkdir -p "$data"
  # Fifteen 1920 × 960 frames (twelve days, the night, two index images), every row cut from one
  # long run of bytes at an offset of its own.
  /usr/bin/python3 - "${data}1920.bin" <<'EOF'
import struct, sys
w, h, n = 1920, 960, 15
row = (w * 3 + 3) & ~3
run = bytes((i * 7 + (i // 251) * 13) % 256 for i in range(row + 4096))
with open(sys.argv[1], "wb") as f:
    f.write(struct.pack("<6i", w, h, 24, row, row * h, n))
    for k in range(n):
        f.write(b"".join(run[(y * 37 + k * 101) % 4096:][:row] for y in range(h)))
EOF
else
  data=$(cd "${2:-${1:-build}/bin}" && pwd)/
fi
[[ -f "${data}1920.bin" ]] || { echo "no ${data}1920.bin: build the data folder first, or pass synthetic" >&2; exit 1; }

Xvfb -displayfd 1 -screen 0 1920x1080x24 -br -nolisten tcp -noreset >"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"

export HOME="$work/home"
unset XDG_DOCUMENTS_DIR XDG_CONFIG_HOME XDG_DATA_HOME KESTROVA_HEADLESS
cfg="$HOME/Documents/Ombrant/Kestrova/version 8"
mkdir -p "$cfg"
printf '[settings]\r\nbase directory=%s\r\n' "$data" >"$cfg/locations.ini"

cat >"$work/firstmap.py" <<'EOF'
import ctypes, ctypes.util, subprocess, sys, time
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
d = x.XOpenDisplay(None)
root = x.XDefaultRootWindow(d)
W, H, ZPIXMAP, ALLPLANES = 1920, 1080, 2, 0xFFFFFFFF
start = time.monotonic()
p = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL)
while time.monotonic() - start < 10:
    for y in (H // 4, H // 2, 3 * H // 4):
        im = x.XGetImage(d, root, 0, y, W, 1, ALLPLANES, ZPIXMAP)
        if not im:
            continue
        colours = {x.XGetPixel(im, i, 0) for i in range(0, W, 7)}
        x.XDestroyImage(im)
        if len(colours) >= 64:
            print(p.pid, "%.3f" % (time.monotonic() - start))
            sys.exit(0)
    time.sleep(0.002)
print(p.pid, "never")
EOF
first_map() {
  read -r pid shown < <(/usr/bin/python3 "$work/firstmap.py" "$@")
  [[ "$shown" != never ]] || { echo "the map never showed" >&2; exit 1; }
}

# Resident memory of the program now: the whole, its own and that of mapped files.
print_resident() {
  local rss anon file
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
  anon=$(awk '/RssAnon/ {print $2}' "/proc/$pid/status")
  file=$(awk '/RssFile/ {print $2}' "/proc/$pid/status")
  printf 'resident memory: %.1f MB (%s): %.1f MB own, %.1f MB of files\n' \
    "$(echo "$rss / 1024" | bc -l)" "$1" "$(echo "$anon / 1024" | bc -l)" "$(echo "$file / 1024" | bc -l)"
}

# Where the resident memory lies (/proc/PID/smaps): every mapping's resident size by kind, so the
# lines add up to the whole: the program's own buffers (anonymous mappings, the frame-sized ones
# named by size), the heap, the map container's frames, shared memory (window bands), the
# program file, ICU, the other shared libraries, fonts with fontconfig's caches, and the rest
# (stack, locale files). Then the largest single files.
print_smaps() {
  /usr/bin/python3 - "/proc/$pid/smaps" <<'PY'
import collections, os, re, sys
rss = collections.Counter()   # by mapping name
anon = []                     # resident KB of each anonymous mapping
name = None
for line in open(sys.argv[1]):
    head = re.match(r"^[0-9a-f]+-[0-9a-f]+ \S+ \S+ \S+ \S+\s*(.*)$", line)
    if head:
        path = head.group(1).strip()
        name = ("[shm]" if path.startswith("/SYSV") or "(deleted)" in path else path) or "[anon]"
    elif line.startswith("Rss:"):
        kb = int(line.split()[1])
        rss[name] += kb
        if name == "[anon]" and kb:
            anon.append(kb)

def kind(path):
    base = os.path.basename(path)
    if path == "[anon]": return "own buffers"
    if path == "[heap]": return "heap"
    if path == "[shm]": return "shared memory (window bands)"
    if base.endswith(".bin"): return "map container frames"
    if path == os.readlink(sys.argv[1].replace("smaps", "exe")): return "the program"
    if "libicu" in base: return "ICU"
    if ".so" in base: return "other shared libraries"
    if re.search(r"\.(ttf|otf|ttc|pfb)$|fontconfig", path, re.I): return "fonts and font caches"
    return "stack, locale files, the rest"

by_kind = collections.Counter()
files = collections.Counter()
for path, kb in rss.items():
    k = kind(path)
    by_kind[k] += kb
    files[k] += 1
big = sorted((kb for kb in anon if kb >= 1024), reverse=True)
order = ["own buffers", "heap", "map container frames", "shared memory (window bands)", "the program", "ICU",
         "other shared libraries", "fonts and font caches", "stack, locale files, the rest"]
print("  where it lies:")
for k in order:
    if not by_kind[k]: continue
    note = ""
    if k == "own buffers":
        note = ": %d of 1 MB or more (%s MB), %.1f MB in smaller ones" % (
            len(big), ", ".join("%.1f" % (kb / 1024) for kb in big), (by_kind[k] - sum(big)) / 1024)
    elif k in ("ICU", "other shared libraries", "fonts and font caches"):
        note = " (%d files)" % files[k]
    print("  %7.1f MB  %s%s" % (by_kind[k] / 1024, k, note))
print("  the largest files:")
named = [(kb, p) for p, kb in rss.items() if not p.startswith("[")]
for kb, path in sorted(named, reverse=True)[:8]:
    print("  %7.1f MB  %s" % (kb / 1024, path))
PY
}

# The peer, when installed: Debian's sunclock showing an image map (the container's first day
# frame as a PNG) in a map window of the same size, timed and measured the same way after our
# program has gone. $1: our first map in seconds, $2: our resident kilobytes.
peer_footprint() {
  if ! command -v sunclock >/dev/null; then
    echo "peer: sunclock is not installed (scripts/setup.sh --tests installs it)"
    return
  fi
  local ours_shown=$1 ours_kb=$2
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  pid=""
  /usr/bin/python3 - "${data}1920.bin" "$work/day.png" <<'PY'
import struct, sys
from PIL import Image
f = open(sys.argv[1], "rb")
w, h, depth, row, size, n = struct.unpack("<6i", f.read(24))
raw = f.read(size)
Image.frombuffer("RGB", (w, h), raw, "raw", "BGR", row, -1).save(sys.argv[2])
PY
  first_map sunclock -map -mapimage "$work/day.png" -mapgeom 1920x960+0+60 -placement fixed
  sleep 3
  local peer_kb
  peer_kb=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
  printf 'peer (sunclock, image map): first map %s s, resident %.1f MB\n' "$shown" "$(echo "$peer_kb / 1024" | bc -l)"
  printf 'ours / peer: first map %.2f, resident memory %.2f\n' "$(echo "$ours_shown / $shown" | bc -l)" \
    "$(echo "$ours_kb / $peer_kb" | bc -l)"
}
