#!/usr/bin/env bash
# Runs the fuzz targets of the native build (tests/fuzz/parser_fuzz.cpp), each
# for the given seconds (default 10), starting from a few real inputs written
# here and from the corpus earlier runs kept. Prints per target the seconds,
# the executions, executions per second and the findings (saved inputs that
# crashed or broke an invariant, under build/native/fuzz-findings/<target>).
#   scripts/fuzz.sh [seconds] [target...]      FUZZ_JOBS=2 runs two at once
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
shift || true
all=(base32 hex protected_value multi_string answers url setting_command language record_values enrolment_reply
     bounded_text)
targets=("$@")
((${#targets[@]})) || targets=("${all[@]}")
jobs=${FUZZ_JOBS:-1}
((jobs >= 1 && jobs <= 2)) || { echo "FUZZ_JOBS must be 1 or 2 (the machine has two cores)" >&2; exit 2; }
out=build/native

cmake --preset native >/dev/null
cmake --build --preset native -j2 --target "${targets[@]/#/fuzz_}" >/dev/null

utf16() { printf '%b' "$1" | iconv -f UTF-8 -t UTF-16LE; }

# Real inputs from the tests and the field, one file each: "<target> <printf format>".
seed() {
    local dir=$out/fuzz-seeds/$1
    mkdir -p "$dir"
    printf -- "$2" >"$dir/$(printf '%s' "$2" | md5sum | cut -c1-12)"
}
write_seeds() {
    seed base32 'GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ'
    seed base32 'gezd gnbv-gy3t 0181'
    seed hex '0aFf1'
    seed hex '3132333435363738393031323334353637383930'
    seed protected_value '123456789secret'
    seed multi_string 'a\0\0\0b\0c\0\0\0\0\0'
    seed answers ' OK \n{"status": true, "value": true}'
    seed answers 'queued\n{"sid": "SM1", "status": "queued"}'
    seed answers " OK \n$(printf '%275s' '')"'{"status":true, "value": true}'
    seed url 'http\n10.1.2.3\n8443\na/b\nr=https:x'
    seed url 'https://gw.example:443/send?to=%%phone%%&text=%%text%%\r\n'
    seed url 'http://h?q=1'
    seed setting_command 'token-otp,3132333435363738393031323334353637383930,60'
    seed setting_command 'token-otp,GEZDGNBVGY3TQOJQ'
    seed setting_command 'sms-otp,+15550199 totp'
    seed language '2437\001#define IDS_SENT_OK       2437\r\n#define IDS_HELP\t2165\r\n\001IDS_SENT_OK "Sent."\r\nIDS_HELP "Ask\\nhelp"\r\n'
    local dir=$out/fuzz-seeds/language
    { printf '2165\001'; utf16 '#define IDS_HELP 2165\r\n'; printf '\001'; utf16 'IDS_HELP\t"Ask\\nhelp"\r\n'; } >"$dir/utf16"
    seed record_values '\0\0\0\0\0\0\0\200\377\377\377\377'
    seed record_values '0aFf1'
    seed record_values '-3'
    seed record_values '0100000002000000030000000400000005'
    seed enrolment_reply "abcdefghij$(printf '%22s' '')3132333435363738393031323334353637383930000000000000000000000000"
    seed bounded_text '\005hello world'
}

run() {
    local target=$1 findings=$out/fuzz-findings/$1 corpus=$out/fuzz-corpus/$1 log
    mkdir -p "$findings" "$corpus" "$out/fuzz-seeds/$1"
    log=$(mktemp)
    "$out/bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" \
        "$corpus" "$out/fuzz-seeds/$target" >"$log" 2>&1 || true
    local runs rate found
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    found=$(grep -E -m3 'runtime error|ERROR: (AddressSanitizer|libFuzzer)|in \(anonymous namespace\)' "$log" | tr -s ' ' |
        paste -sd ';' || true)
    printf '%-16s %6ss %12s runs %9s/s  findings: %s\n' "$target" "$seconds" "${runs:-?}" "${rate:-?}" "${found:-none}"
    rm -f "$log"
}

write_seeds
echo "target seconds executions exec/s findings"
running=0
for target in "${targets[@]}"; do
    run "$target" &
    if ((++running >= jobs)); then
        wait -n
        ((running--))
    fi
done
wait
