#!/usr/bin/env bash
# The main program on a 1920 × 1080 Xvfb: time from start to the world map on screen, sampled as
# the wall clock's is (footprint_common.sh), and its resident memory then.
# Aims: first map no later than the peer's (printed as a ratio where the peer is installed), at
# most 40 MB resident on the map page.
# Usage: bench/main_footprint.sh [build folder] [data folder | synthetic]
#   build folder: holds bin/Kestrova8 (default: build)
set -euo pipefail

build=${1:-build}
exe=$(cd "$(dirname "$build/bin/Kestrova8")" && pwd)/Kestrova8
source "$(dirname "$0")/footprint_common.sh"

first_map "$exe"
ours_shown=$shown
printf 'first map on screen: %s s (aim: no later than the peer)\n' "$shown"
sleep 3
print_resident "aim 40 MB"
print_smaps
ours_kb=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
peer_footprint "$ours_shown" "$ours_kb"
