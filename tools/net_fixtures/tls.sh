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

make_certificates() {
    local san="subjectAltName=IP:127.0.0.1,DNS:localhost"
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Velmo Test CA" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
        -keyout "$dir/ca.key" -out "$dir/ca.pem"
    openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" -keyout "$dir/trusted.key" -out "$dir/trusted.csr"
    printf '%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' "$san" >"$dir/trusted.ext"
    openssl x509 -req -in "$dir/trusted.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" -CAcreateserial -days 2 \
        -extfile "$dir/trusted.ext" -out "$dir/trusted.pem"
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=127.0.0.1" -addext "$san" \
        -keyout "$dir/untrusted.key" -out "$dir/untrusted.pem"
}

case $action in
start)
    "$0" stop "$dir" || true
    make_certificates >"$dir/openssl.log" 2>&1
    rm -f "$dir/tls.ports"
    setsid /usr/bin/python3 "$here/https_server.py" "$dir/tls.ports" \
        "trusted=$dir/trusted.pem,$dir/trusted.key" "untrusted=$dir/untrusted.pem,$dir/untrusted.key" \
        >"$dir/https_server.log" 2>&1 </dev/null &
    echo $! >"$dir/https_server.pid"
    for _ in $(seq 50); do
        [ -f "$dir/tls.ports" ] && exit 0
        sleep 0.1
    done
    echo "https_server.py did not start, see $dir/https_server.log" >&2
    exit 1
    ;;
stop)
    if [ -f "$dir/https_server.pid" ]; then
        kill "$(cat "$dir/https_server.pid")" 2>/dev/null || true
        rm -f "$dir/https_server.pid" "$dir/tls.ports"
    fi
    ;;
*)
    echo "usage: $0 start|stop <dir>" >&2
    exit 2
    ;;
esac
