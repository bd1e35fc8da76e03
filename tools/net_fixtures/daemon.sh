# Helpers for the fixture scripts (sourced): background servers whose output
# and pid file live in the fixture folder $dir.

# start_daemon NAME COMMAND...: runs COMMAND detached, output to $dir/NAME.log.
# One process per NAME: one started before is stopped first, so that a
# second start (a resume after a resume) never leaves the first running.
start_daemon() {
    local name=$1
    shift
    stop_daemon "$name"
    setsid "$@" >"$dir/$name.log" 2>&1 </dev/null &
    echo $! >"$dir/$name.pid"
}

# wait_until NAME COMMAND...: polls COMMAND for up to 5 s.
wait_until() {
    local name=$1
    shift
    for _ in $(seq 50); do
        "$@" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "$name did not start, see $dir/$name.log" >&2
    return 1
}

# running PID: the process runs (an exited one may stay a zombie for a while).
running() {
    [ -r "/proc/$1/stat" ] && [ "$(sed 's/.*) //' "/proc/$1/stat" | cut -c1)" != Z ]
}

# stop_daemon NAME: ends the process started as NAME, if any, and waits up to
# 5 s for it to exit, so that its port is free again.
stop_daemon() {
    local name=$1 pid
    if [ -f "$dir/$name.pid" ]; then
        pid=$(cat "$dir/$name.pid")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do
            running "$pid" || break
            sleep 0.1
        done
        running "$pid" && kill -9 "$pid" 2>/dev/null || true
        rm -f "$dir/$name.pid"
    fi
}
