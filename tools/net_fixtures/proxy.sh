#!/usr/bin/env bash
# Test proxy: tinyproxy on 127.0.0.1 with Basic credentials, its own config in
# <dir>, a free port written to <dir>/proxy.port.
#   proxy.sh start <dir> | proxy.sh stop <dir>
# All output goes to <dir>: CTest waits for anything holding its pipes.
set -euo pipefail
action=$1
dir=$(realpath -m "$2")
mkdir -p "$dir"

case $action in
start)
    "$0" stop "$dir" || true
    port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    {
        if [ "$(id -u)" -eq 0 ]; then
            echo "User nobody"
            echo "Group nogroup"
        fi
        cat <<CONF
Port $port
Listen 127.0.0.1
Allow 127.0.0.1
Timeout 30
MaxClients 20
LogLevel Info
BasicAuth velmo s3cret-proxy
ViaProxyName "velmo-test-proxy"
CONF
    } >"$dir/tinyproxy.conf"
    setsid tinyproxy -d -c "$dir/tinyproxy.conf" >"$dir/tinyproxy.log" 2>&1 </dev/null &
    echo $! >"$dir/tinyproxy.pid"
    for _ in $(seq 50); do
        if /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 0.2)" 2>/dev/null; then
            echo "$port" >"$dir/proxy.port"
            exit 0
        fi
        sleep 0.1
    done
    echo "tinyproxy did not start, see $dir/tinyproxy.log" >&2
    exit 1
    ;;
stop)
    if [ -f "$dir/tinyproxy.pid" ]; then
        kill "$(cat "$dir/tinyproxy.pid")" 2>/dev/null || true
        rm -f "$dir/tinyproxy.pid" "$dir/proxy.port"
    fi
    ;;
*)
    echo "usage: $0 start|stop <dir>" >&2
    exit 2
    ;;
esac
