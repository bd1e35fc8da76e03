#!/usr/bin/env bash
# Lists the processes that still belong to a build folder: started there, run
# from there, or Wine processes of a prefix there. After a test run there must
# be none: every fixture's stop ends what its start started.
#   leftovers.sh <build folder> [--kill]
set -uo pipefail
build=$(realpath -m "$1")
found=0
for proc in /proc/[0-9]*; do
    pid=${proc#/proc/}
    [ "$pid" = $$ ] && continue
    cmd=$( { tr '\0' ' ' <"$proc/cmdline"; } 2>/dev/null) || continue
    [ -n "$cmd" ] || continue
    cwd=$(readlink "$proc/cwd" 2>/dev/null || true)
    if [[ $cmd == *"$build/"* || $cwd == "$build" || $cwd == "$build/"* ]] ||
        { tr '\0' '\n' <"$proc/environ" | grep -q "^WINEPREFIX=$build/"; } 2>/dev/null; then
        echo "left running: $pid $cmd"
        found=1
        [ "${2:-}" = --kill ] && kill -9 "$pid" 2>/dev/null
    fi
done
exit $found
