#!/usr/bin/env bash
# A virtual display for the Wine processes of one scratch prefix, so that
# message boxes and dialogs can really be shown (and seen by the tests).
#   xvfb.sh start <dir>          start Xvfb on a free display, remember it in <dir>
#   xvfb.sh stop <dir>           stop it
#   xvfb.sh run <dir> cmd...     run a command with DISPLAY set to that display
set -euo pipefail
action=$1
root=$(realpath -m "$2")
shift 2
mkdir -p "$root"

case $action in
start)
    [ -f "$root/xvfb.pid" ] && kill "$(cat "$root/xvfb.pid")" 2>/dev/null || true
    rm -f "$root/xvfb.display" "$root/xvfb.pid"
    exec 3>"$root/xvfb.display.tmp"
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$root/xvfb.log" 2>&1 </dev/null &
    echo $! >"$root/xvfb.pid"
    exec 3>&-
    for _ in $(seq 100); do
        [ -s "$root/xvfb.display.tmp" ] && break
        sleep 0.05
    done
    [ -s "$root/xvfb.display.tmp" ] || { echo "Xvfb did not start" >&2; exit 1; }
    mv "$root/xvfb.display.tmp" "$root/xvfb.display"
    ;;
stop)
    if [ -f "$root/xvfb.pid" ]; then
        pid=$(cat "$root/xvfb.pid")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
    rm -f "$root/xvfb.pid" "$root/xvfb.display"
    ;;
run)
    DISPLAY=:$(tr -d '\n' <"$root/xvfb.display")
    export DISPLAY
    exec "$@"
    ;;
*)
    echo "usage: $0 start|stop <root> | run <root> command..." >&2
    exit 2
    ;;
esac
