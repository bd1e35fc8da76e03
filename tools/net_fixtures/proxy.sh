#!/usr/bin/env bash
# Test proxy: tinyproxy on 127.0.0.1 with Basic credentials, its own config in
# <dir>, a free port written to <dir>/proxy.port.
#   proxy.sh start <dir> | proxy.sh stop <dir>
# All output goes to <dir>: CTest waits for anything holding its pipes.
set -euo pipefail
action=$1
dir=$(realpath -m "$2")
mkdir -p "$dir"
source "$(dirname "$(realpath "$0")")/daemon.sh"

listening() { /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1', $1), 0.2)"; }

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
    start_daemon tinyproxy tinyproxy -d -c "$dir/tinyproxy.conf"
    wait_until tinyproxy listening "$port"
    echo "$port" >"$dir/proxy.port"
    ;;
stop)
    stop_daemon tinyproxy
    rm -f "$dir/proxy.port"
    ;;
*)
    echo "usage: $0 start|stop <dir>" >&2
    exit 2
    ;;
esac
