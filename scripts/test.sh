#!/usr/bin/env bash
# Builds both presets and runs every test: the pure code natively under
# AddressSanitizer/UBSan (with fuzzer smoke runs), then the DLL, the tools
# and their tests under Wine in a scratch prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)

echo "== native: pure code with sanitizers"
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
ctest --preset native -j"$jobs"

echo "== windows: velmo_otp.dll and its tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"
ctest --preset windows -j"$jobs"

# Every fixture's stop ends what its start started.
scripts/leftovers.sh build --kill || { echo "== processes of the test run were left running" >&2; exit 1; }

# The suite's size against the code's: tests stay at most 35% of it.
if git rev-parse --git-dir >/dev/null 2>&1; then
    tests=$(git ls-files tests | xargs cat | wc -l)
    code=$(git ls-files src tools bench scripts | xargs cat | wc -l)
    echo "== size: tests/ $tests lines, src/ tools/ bench/ scripts/ $code lines ($((tests * 100 / code))%; at most 35%)"
fi
