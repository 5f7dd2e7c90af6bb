#!/usr/bin/env bash
# Footprint of the wall clock on a 1920 × 1080 Xvfb: time from start to the map on screen, resident
# memory, and idle CPU over two minutes. The first map is found by one small program that starts
# the wall clock and reads three rows of the screen every 2 ms until the map's colours are there.
# Aims: first map no later than the peer's (printed as a ratio where the peer is installed), at
# most 30 MB resident, at most 0.1 % of one core idle.
# Usage: bench/saver_footprint.sh [build folder] [data folder | synthetic]
#   build folder: holds bin/Kestrova_Saver (default: build)
#   the data folder or a made-up container: see footprint_common.sh
# IDLE_SECONDS overrides the two minutes of the idle measurement.
set -euo pipefail

build=${1:-build}
exe=$(cd "$(dirname "$build/bin/Kestrova_Saver")" && pwd)/Kestrova_Saver
idle=${IDLE_SECONDS:-120}
source "$(dirname "$0")/footprint_common.sh"

first_map "$exe" wall
ours_shown=$shown
printf 'first map on screen: %s s (aim: no later than the peer)\n' "$shown"

sleep 3
print_resident "aim 30 MB"
print_smaps
ours_kb=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")

ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
t0=$(ticks)
sleep "$idle"
t1=$(ticks)
printf 'idle CPU over %d s: %.3f %% of a core (aim 0.1 %%)\n' "$idle" "$(echo "($t1 - $t0) * 100 / ($hz * $idle)" | bc -l)"
peer_footprint "$ours_shown" "$ours_kb"
