#!/usr/bin/env bash
# Runs one GoogleTest program under Wine for CTest. It passes only when the
# program ended with status 0, GoogleTest printed its final "[  PASSED  ]"
# line (so every test ran) and reported no failure, and nothing crashed:
# a status alone proves nothing, since a crashed process may still end with
# status 0 and the tests after the crash never run.
#   wine-test.sh [--display <prefix root> <prefix name>] <program.exe> [arguments...]
# --display runs it on that prefix's virtual display (wine-prefix.sh run).
set -uo pipefail
here=$(dirname "$(realpath "$0")")
runner=()
if [ "${1:-}" = --display ]; then
    runner=(bash "$here/wine-prefix.sh" run "$2" "$3" --)
    shift 3
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
"${runner[@]}" /usr/lib/wine/wine64 "$@" >"$log" 2>&1 </dev/null
status=$?
cat "$log"

fail() {
    echo "wine-test: $(basename "$1"): $2" >&2
    exit 1
}
# What Wine writes when a program dies: an unhandled exception, a call into
# a function Wine does not have, a debugger's dump.
crash='wine: Unhandled|^Unhandled exception|unimplemented function|wine: Call from|^Backtrace:'
if grep -qE "$crash" "$log"; then
    fail "$1" "the program crashed: $(grep -m1 -E "$crash" "$log" | tr -d '\r')"
fi
[ "$status" -eq 0 ] || fail "$1" "exit status $status"
grep -qE '^\[  FAILED  \]' "$log" && fail "$1" "GoogleTest reported failed tests"
grep -qE '^\[  PASSED  \] [0-9]+ tests?\.' "$log" ||
    fail "$1" "the program ended before GoogleTest reported its result"
exit 0
