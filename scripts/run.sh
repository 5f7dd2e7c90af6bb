#!/usr/bin/env bash
# Sets up, builds and starts the world clock.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

# The programs' data folder is build/bin/, made from Debian packages by the data builder when
# it is missing or older than the builder (its attribution file is written last).
builder=build/bin/kestrova_data
if [ -x "$builder" ] && { [ ! -f build/bin/ATTRIBUTION.txt ] || [ "$builder" -nt build/bin/ATTRIBUTION.txt ]; }; then
  "$builder"
fi

program=build/clock/Kestrova8
if [ ! -x "$program" ]; then
  echo "Built the libraries and tests in build/ (the world clock program is not written yet)."
  exit 0
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: Kestrova 8 needs an X11 desktop. Run it from a desktop session, or start one"
  echo "with 'Xvfb :1 &' and run 'DISPLAY=:1 $program'."
  exit 1
fi
exec "$program" "$@"
