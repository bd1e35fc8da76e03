#!/usr/bin/env bash
# Builds the benchmarks of the pure code with the "bench" preset (clang,
# optimised, no sanitizers) and runs them: Google Benchmark's table, then one
# summary table with ns per code and us per rejected code for each engine,
# liboath beside them and its time over ours. Extra arguments go to the benchmark program, e.g.
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

# VerifyPIN through the real DLL under Wine, in a scratch prefix of its own.
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs" --target verify_pin_bench velmo_otp
root=$PWD/build/windows/wine
scripts/wine-prefix.sh setup "$root" bench
trap 'scripts/wine-prefix.sh stop "$root" bench' EXIT
(cd build/windows/bin && WINEPREFIX=$root/bench WINEDEBUG=-all /usr/lib/wine/wine64 verify_pin_bench.exe | tr -d '\r')
