#!/usr/bin/env bash
# The benchmark ratios in one run, each against its floor:
#   start-up to the mapped window and to the first paint vs a bare window
#   with the same controls (offscreen and under Xvfb)          bench_startup
#   CSV batch into a PDF file (CPU) vs drawing the same pages   bench_batch
#   CSV batch to a print queue (wall) vs lp of the same page    bench_queue
# Each benchmark prints its own table; the ratios are gathered at the end.
#   bash bench/ratios.sh [BUILD_DIR]     (default: build)
set -uo pipefail
cd "$(dirname "$0")/.."
bench=${1:-build}/bench
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
for run in "bench_startup 40" "bench_batch 1000 11" "bench_queue 100 5"; do
  # shellcheck disable=SC2086
  "$bench"/$run | tee -a "$out" || status=1
  echo
done
echo "ratio                                 value  target  (program / floor, medians of pairs)"
sed -n 's/^RATIO //p' "$out"
grep -q '^RATIO .* OVER$' "$out" && status=1
exit $status
