#!/usr/bin/env bash
# Footprint of the wall clock on a 1920 × 1080 Xvfb: time from start to the map on screen, resident
# memory, and idle CPU over two minutes. Goals: first map within 0.4 s, below 80 MB resident,
# below 0.3 % of one core idle.
# Usage: bench/saver_footprint.sh [build folder] [data folder]
#   build folder: holds bin/Kestrova_Saver (default: build)
#   data folder:  a built data folder with 1920.bin (default: the build's bin/ folder)
# IDLE_SECONDS overrides the two minutes of the idle measurement.
set -euo pipefail

build=${1:-build}
exe="$build/bin/Kestrova_Saver"
data=$(cd "${2:-$build/bin}" && pwd)/
idle=${IDLE_SECONDS:-120}
[[ -x "$exe" ]] || { echo "no $exe: build first" >&2; exit 1; }
[[ -f "${data}1920.bin" ]] || { echo "no ${data}1920.bin: build the data folder first" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
saver_pid=""
cleanup() {
  [[ -n "$saver_pid" ]] && kill "$saver_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Our own X server on a free display number.
Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp -noreset >"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"

# A home of its own whose locations file points at the data folder.
export HOME="$work/home"
unset XDG_DOCUMENTS_DIR XDG_CONFIG_HOME XDG_DATA_HOME KESTROVA_HEADLESS
cfg="$HOME/Documents/Ombrant/Kestrova/version 8"
mkdir -p "$cfg"
printf '[settings]\r\nbase directory=%s\r\n' "$data" >"$cfg/locations.ini"

now() { date +%s.%N; }
start=$(now)
"$exe" wall &
saver_pid=$!
shown=""
for _ in $(seq 1000); do
  if xwininfo -root -tree 2>/dev/null | grep -q '("qysaver"'; then
    id=$(xwininfo -root -tree | awk '/\("qysaver"/ {print $1; exit}')
    if xwininfo -id "$id" 2>/dev/null | grep -q IsViewable; then shown=$(now); break; fi
  fi
  sleep 0.005
done
[[ -n "$shown" ]] || { echo "the window never showed" >&2; exit 1; }
printf 'first map on screen: %.3f s (goal 0.4 s)\n' "$(echo "$shown - $start" | bc -l)"

sleep 3
rss=$(awk '/VmRSS/ {print $2}' "/proc/$saver_pid/status")
printf 'resident memory: %.1f MB (goal 80 MB)\n' "$(echo "$rss / 1024" | bc -l)"

ticks() { awk '{print $14 + $15}' "/proc/$saver_pid/stat"; }
hz=$(getconf CLK_TCK)
t0=$(ticks)
sleep "$idle"
t1=$(ticks)
printf 'idle CPU over %d s: %.3f %% of a core (goal 0.3 %%)\n' "$idle" "$(echo "($t1 - $t0) * 100 / ($hz * $idle)" | bc -l)"
