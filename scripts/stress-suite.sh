#!/usr/bin/env bash
# Runs the test suite on an existing build the way a busy or small machine
# would see it: three times while 8 busy loops hold the processors, then once
# with the whole run pinned to two processors (taskset -c 0,1). Each run's
# time and result are printed; the script fails when any run fails.
#
#   scripts/stress-suite.sh [build folder]     (default: build/test)
#
# The ctest command is the README's: every core, output of failures shown.
# Extra ctest arguments may be given in CTEST_ARGS (e.g. CTEST_ARGS="-R Pellino").
# Only the busy loops this script started are stopped, by their recorded ids,
# also when it is interrupted.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2

build=${1:-build/test}
if [ ! -f "$build/CTestTestfile.cmake" ]; then
  echo "no test build in $build: configure and build it first (see README.md)" >&2
  exit 2
fi
jobs=$(nproc)
loops=8
# shellcheck disable=SC2206
extra=(${CTEST_ARGS:-})

busy_pids=()
stop_busy() {
  local pid
  for pid in "${busy_pids[@]}"; do
    kill "$pid" 2>/dev/null
  done
  for pid in "${busy_pids[@]}"; do
    wait "$pid" 2>/dev/null
  done
  busy_pids=()
}
trap 'stop_busy' EXIT
trap 'stop_busy; exit 130' INT
trap 'stop_busy; exit 143' TERM

start_busy() {
  local i
  for ((i = 0; i < loops; i++)); do
    sh -c 'while :; do :; done' &
    busy_pids+=("$!")
  done
}

results=()
failed=0
run_suite() { # <label> <command prefix...>
  local label=$1
  shift
  local start end rc
  echo "=== $label: ctest -j$jobs ${extra[*]}"
  start=$(date +%s)
  "$@" ctest --test-dir "$build" --output-on-failure -j"$jobs" "${extra[@]}"
  rc=$?
  end=$(date +%s)
  local verdict=passed
  if [ "$rc" -ne 0 ]; then
    verdict="FAILED (ctest exit $rc)"
    failed=1
  fi
  results+=("$label: $((end - start)) s, $verdict")
  echo "=== $label: $((end - start)) s, $verdict"
}

for n in 1 2 3; do
  start_busy
  run_suite "run $n with $loops busy loops" env
  stop_busy
done
run_suite "run 4 pinned to processors 0,1" taskset -c 0,1

echo
echo "Summary:"
for line in "${results[@]}"; do
  echo "  $line"
done
exit "$failed"
