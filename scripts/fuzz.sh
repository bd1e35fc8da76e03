#!/usr/bin/env bash
# Runs each fuzz target of the native build for a while (default 60 s each).
#   scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)" --target base32_decode_fuzz hex_decode_fuzz protected_value_fuzz
for target in base32_decode_fuzz hex_decode_fuzz protected_value_fuzz; do
    corpus=build/native/fuzz-corpus/$target
    mkdir -p "$corpus"
    echo "== $target for ${seconds}s"
    build/native/bin/$target -max_total_time="$seconds" -print_final_stats=1 "$corpus" 2>&1 | tail -8
done
