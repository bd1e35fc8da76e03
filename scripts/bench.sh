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

# VerifyPIN through the real DLL under Wine, in a scratch prefix of its own:
# the median times, then one call of each case with a wineserver that traces
# every request, to count the round trips.
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs" --target verify_pin_bench velmo_otp
root=$PWD/build/windows/wine
out=$PWD/build/windows/bench
mkdir -p "$out"
scripts/wine-prefix.sh setup "$root" bench
trap 'scripts/wine-prefix.sh stop "$root" bench' EXIT
export WINEPREFIX=$root/bench WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe="
wineserver=/usr/lib/wine/wineserver
(cd build/windows/bin && /usr/lib/wine/wine64 verify_pin_bench.exe </dev/null | tr -d '\r' >"$out/times.txt")
"$wineserver" -k; "$wineserver" -w || true
setsid "$wineserver" -d1 -f -p 2>"$out/server.log" </dev/null >/dev/null &
sleep 1
(cd build/windows/bin && /usr/lib/wine/wine64 verify_pin_bench.exe --requests </dev/null | tr -d '\r' >"$out/thread.txt")
"$wineserver" -k; "$wineserver" -w || true
python3 bench/verify_pin_table.py "$out/times.txt" "$out/server.log" "$out/thread.txt"
