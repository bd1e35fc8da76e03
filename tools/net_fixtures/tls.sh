#!/usr/bin/env bash
# Test TLS servers: a CA and two server certificates made with openssl in
# <dir> at test time (never committed), and https_server.py serving
#   trusted    a certificate issued by <dir>/ca.pem (the test trusts that CA)
#   untrusted  a self-signed certificate nobody trusts
# Ports go to <dir>/tls.ports ("name port" lines).
#   tls.sh start <dir> | tls.sh stop <dir>
set -euo pipefail
action=$1
dir=$(realpath -m "$2")
here=$(dirname "$(realpath "$0")")
mkdir -p "$dir"
source "$here/daemon.sh"
source "$here/test_ca.sh"

make_certificates() {
    local san="IP:127.0.0.1,DNS:localhost"
    make_test_ca "$dir"
    issue_certificate "$dir" trusted "$san"
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=127.0.0.1" -addext "subjectAltName=$san" \
        -keyout "$dir/untrusted.key" -out "$dir/untrusted.pem"
}

case $action in
start)
    "$0" stop "$dir" || true
    make_certificates >"$dir/openssl.log" 2>&1
    rm -f "$dir/tls.ports"
    start_daemon https_server /usr/bin/python3 "$here/https_server.py" "$dir/tls.ports" \
        "trusted=$dir/trusted.pem,$dir/trusted.key" "untrusted=$dir/untrusted.pem,$dir/untrusted.key"
    wait_until https_server test -f "$dir/tls.ports"
    ;;
stop)
    stop_daemon https_server
    rm -f "$dir/tls.ports"
    ;;
*)
    echo "usage: $0 start|stop <dir>" >&2
    exit 2
    ;;
esac
