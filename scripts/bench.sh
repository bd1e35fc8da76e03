#!/usr/bin/env bash
# Builds the benchmarks of the pure code with the "bench" preset (clang,
# optimised, no sanitizers) and runs them: Google Benchmark's table, then a
# summary with ns per code and us per rejected code for each path, liboath's
# time and the ratio. Extra arguments go to the benchmark program, e.g.
#   scripts/bench.sh --benchmark_filter=RejectedCode
# Figures depend on the machine and its load; nothing here passes or fails
# on speed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)

cmake --preset bench >/dev/null
cmake --build --preset bench -j"$jobs"
build/bench/bin/velmo_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
