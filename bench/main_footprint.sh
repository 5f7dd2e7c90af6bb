#!/usr/bin/env bash
# The main program on a 1920 × 1080 Xvfb: time from start to the world map on screen, sampled as
# the wall clock's is (footprint_common.sh), and its resident memory then.
# Aim: first map within 0.4 s of the start.
# Usage: bench/main_footprint.sh [build folder] [data folder | synthetic]
#   build folder: holds bin/Kestrova8 (default: build)
set -euo pipefail

build=${1:-build}
exe=$(cd "$(dirname "$build/bin/Kestrova8")" && pwd)/Kestrova8
source "$(dirname "$0")/footprint_common.sh"

first_map "$exe"
printf 'first map on screen: %s s (aim 0.4 s)\n' "$shown"
sleep 3
print_resident "aim 40 MB"
print_smaps
