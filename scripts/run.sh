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

program=build/bin/Kestrova8
if [ ! -x "$program" ]; then
  echo "The world clock program was not built (expected $program)."
  exit 1
fi
# The program itself says plainly when there is no display, and how to get one.
exec "$program" "$@"
