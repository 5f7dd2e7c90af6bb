#!/usr/bin/env bash
# Sets up, builds and runs every test: once in a normal build, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the busy window's tests under ThreadSanitizer. Every phase runs
# even when an earlier one fails; the summary at the end names the ones that failed.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --tests || exit 1
jobs=$(nproc)
failed=()
start=$SECONDS

phase() {  # name, command...
  local name=$1; shift
  local t0=$SECONDS
  echo "== $name"
  if "$@"; then
    echo "== $name: passed in $(( (SECONDS - t0) / 60 )) min $(( (SECONDS - t0) % 60 )) s"
  else
    echo "== $name: FAILED after $(( (SECONDS - t0) / 60 )) min $(( (SECONDS - t0) % 60 )) s"
    failed+=("$name")
  fi
}

build_and_test() {  # folder, extra cmake arguments...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null || return 1
  cmake --build "$dir" -j "$jobs" || return 1
  # tests/resources.json lets no more than two tests that start an X server run at once.
  local spec=$PWD/tests/resources.json
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 900 --resource-spec-file "$spec")
}

phase "tests" build_and_test build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  phase "tests under AddressSanitizer and UndefinedBehaviorSanitizer" \
  build_and_test build-asan -DCMAKE_BUILD_TYPE=Debug -DKESTROVA_SANITIZE=ON -DKESTROVA_BENCH=OFF
phase "the busy window's tests under ThreadSanitizer" bash tests/tsan_busy.sh build-tsan "$jobs"

echo "== all phases in $(( (SECONDS - start) / 60 )) min $(( (SECONDS - start) % 60 )) s"
if [ ${#failed[@]} -gt 0 ]; then
  printf '== FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "== every phase passed"
