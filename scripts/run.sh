#!/usr/bin/env bash
# Sets up, builds and starts the world clock. Only the two programs and the data builder are
# built here; scripts/test.sh builds and runs the tests and benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."

# Without a display the program cannot start: say so before the set-up and the build.
no_display() {
  echo "Kestrova 8 needs an X11 display, and $1."
  echo "Run this from a desktop session, or start a virtual display first:"
  echo "  Xvfb :1 -screen 0 1920x1080x24 &"
  echo "  DISPLAY=:1 bash scripts/run.sh"
  exit 2
}
display=${DISPLAY:-}
[ -n "$display" ] || no_display "no display is set (DISPLAY is empty)"
if [[ "$display" =~ ^:([0-9]+)(\.[0-9]+)?$ ]] && [ ! -S "/tmp/.X11-unix/X${BASH_REMATCH[1]}" ]; then
  no_display "no X server listens on \"$display\""
fi

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target Kestrova8 Kestrova_Saver kestrova_data

# The programs' data folder is build/bin/, made from Debian packages by the data builder when
# it is missing or older than the builder (its attribution file is written last). A screen 3840
# pixels wide or more also gets the large map container, which the builder makes only when asked.
builder=build/bin/kestrova_data
screen_width() {  # of the primary monitor (the program starts there), else of the first one
  xrandr --listmonitors 2>/dev/null |
    awk 'NR > 1 { split($3, g, "/"); if (!first) first = g[1]; if ($2 ~ /\*/) primary = g[1] }
         END { print (primary ? primary : (first ? first : 0)) }'
}
width=$(screen_width || true)
large=()
if [ "${width:-0}" -ge 3840 ]; then large=(--3840); fi
if [ -x "$builder" ] && { [ ! -f build/bin/ATTRIBUTION.txt ] || [ "$builder" -nt build/bin/ATTRIBUTION.txt ] ||
  { [ ${#large[@]} -gt 0 ] && [ ! -f build/bin/3840.bin ]; }; }; then
  "$builder" "${large[@]}"
fi

program=$PWD/build/bin/Kestrova8
if [ ! -x "$program" ]; then
  echo "The world clock program was not built (expected $program)."
  exit 1
fi
# From the user's home folder, as a launcher starts it: the file picker first opens there.
cd "$HOME" 2>/dev/null || true
exec "$program" "$@"
