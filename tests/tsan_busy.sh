#!/usr/bin/env bash
# Builds the busy window's tests with ThreadSanitizer (only that target and the layers it needs)
# and runs them; any reported race fails the run. Usage: tests/tsan_busy.sh [build folder] [jobs]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-tsan}
jobs=${2:-$(nproc)}
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTROVA_TSAN=ON -DKESTROVA_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$jobs" --target test_busy_tsan
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" "$dir/tests/test_busy_tsan"
