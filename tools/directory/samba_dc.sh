#!/usr/bin/env bash
# A real Active Directory for tests and the demo: a Samba AD domain controller
# provisioned afresh for each run (realm VELMO.COM, so that the domain naming
# context DC=velmo,DC=com serves as the product's partition DC=Velmo,DC=com;
# Samba cannot create an application partition), with the product's directory
# kit applied to it as an administrator applies it (packaging/directory:
# velmo-schema.ldif, velmo-containers.ldif, velmo-rights.cmd, through
# samba_world.py), the kit's three groups and the test world's accounts, and
# StartTLS/LDAPS with a certificate from a test CA made at start.
#
#   samba_dc.sh start <dir> <name> [--plain-binds]
#       a fresh DC in <dir>/<name>/; --plain-binds lets simple binds through
#       without TLS (only to measure what TLS costs: the default refuses them)
#   samba_dc.sh stop <dir> <name>       stop it (by its PID) and wait for it
#   samba_dc.sh suspend|resume <dir> <name>
#       stop or restart the same DC (same address, same data); the outcome
#       is written to <dir>/<name>.state ("down" or "up")
#
# Samba listens on the fixed ports 389, 636, 88 and 3268 of an address that
# must be on an interface: the DC gets a loopback address of its own,
# 127.0.0.x (x chosen per run, free on all four ports), added to lo for the
# run. That takes root; without it nothing starts, <dir>/<name>.skip says
# why, and the tests that need the DC skip. <dir>/<name>.server holds the
# same "key value" lines as slapd.sh writes (host, port, ldaps_port, service,
# operator, user_password, ca, ...), plus the workstations' account
# (workstation_service), the administrator's and "kind samba".
# All output goes to <dir>: CTest waits for anything holding its pipes.
set -euo pipefail
action=$1
dir=$(realpath -m "$2")
name=$3
here=$(dirname "$(realpath "$0")")
repo=$(realpath "$here/../..")
inst=$dir/$name
mkdir -p "$dir"
source "$here/../net_fixtures/daemon.sh"
source "$here/../net_fixtures/test_ca.sh"

realm=VELMO.COM
domain_dn="DC=velmo,DC=com"
users="CN=Users,$domain_dn"
admin_password=Velmo-admin-pw1
service=velmo-adap service_password=Adap-service-pw1
workstation_service=velmo-ws workstation_service_password=Adap-ws-pw1
operator=otp-operator operator_password=Otp-operator-pw1
user_password=User-pw-1
start_seconds=60

value() { awk -v k="$1" '$1 == k { sub(/^[^ ]+ /, ""); print; exit }' "$dir/$name.server"; }

# A 127.0.0.x that no interface has yet and whose four ports are free.
choose_address() {
    /usr/bin/python3 - <<'PY'
import random, socket, subprocess, sys
taken = subprocess.run(["ip", "-o", "addr", "show", "dev", "lo"], capture_output=True, text=True).stdout
def free(host, port):
    s = socket.socket()
    try:
        s.bind((host, port))
        return True
    except OSError:
        return False
    finally:
        s.close()
for x in random.sample(range(2, 255), 253):
    host = "127.0.0.%d" % x
    if " %s/" % host not in taken and all(free(host, p) for p in (389, 636, 88, 3268)):
        print(host)
        sys.exit(0)
sys.exit(1)
PY
}

# The DC answers a StartTLS request and a search inside it.
answers_tls() {
    LDAPTLS_CACERT=$inst/ca.pem ldapsearch -ZZ -x -H "ldap://$1" -b "" -s base -o nettimeout=2 \
        defaultNamingContext >/dev/null 2>&1
}

run_samba() {
    local host
    host=$(value host)
    start_daemon "$name" samba -s "$inst/etc/smb.conf" -i -M single --debuglevel=1
    for _ in $(seq $((start_seconds * 5))); do
        answers_tls "$host" && return 0
        running "$(cat "$dir/$name.pid")" || break
        sleep 0.2
    done
    echo "samba did not answer, see $dir/$name.log and $inst/samba.log" >&2
    return 1
}

provision() {
    local host=$1 strong=$2
    mkdir -p "$inst/tls"
    make_test_ca "$inst" >"$inst/openssl.log" 2>&1
    issue_certificate "$inst" server "IP:$host,DNS:dc1.velmo.com" >>"$inst/openssl.log" 2>&1
    chmod 600 "$inst/server.key"
    samba-tool domain provision --targetdir="$inst" --realm=$realm --domain=VELMO --server-role=dc \
        --dns-backend=NONE --adminpass="$admin_password" --host-name=dc1 --host-ip="$host" \
        --option="interfaces = $host" --option="bind interfaces only = yes" \
        --option="server services = ldap, kdc, cldap" --option="log file = $inst/samba.log" \
        --option="dsdb:schema update allowed = true" \
        --option="tls keyfile = $inst/server.key" --option="tls certfile = $inst/server.pem" \
        --option="tls cafile = $inst/ca.pem" >"$inst/provision.log" 2>&1
    # (provision leaves this one out of smb.conf)
    sed -i "/^\[global\]/a\\\tldap server require strong auth = $strong" "$inst/etc/smb.conf"
    # The kit itself, then the kit's groups with the test world's accounts in them.
    cat >"$inst/accounts" <<ACCOUNTS
$service $service_password Velmo_OTP_Servers
$workstation_service $workstation_service_password Velmo_OTP_Workstations
$operator $operator_password Velmo_OTP_Service
alice $user_password mobile=+15550101 telephoneNumber=+15550102 mail=alice@velmo.com
bob $user_password
carol $user_password mail=carol@velmo.com
ACCOUNTS
    /usr/bin/python3 "$here/samba_world.py" "$inst/etc/smb.conf" "$repo/packaging/directory" "$inst/accounts" \
        >"$inst/kit.log" 2>&1
}

start() {
    local strong=yes host
    [ "${1:-}" = --plain-binds ] && strong=no
    "$0" stop "$dir" "$name" || true
    rm -rf "$inst" "$dir/$name.server" "$dir/$name.state" "$dir/$name.skip"
    mkdir -p "$inst"
    if [ "$(id -u)" -ne 0 ] || ! command -v samba >/dev/null; then
        echo "no Samba AD DC: it needs root (an address on lo) and Debian's samba-ad-dc" >"$dir/$name.skip"
        return 0
    fi
    host=$(choose_address)
    local error
    if ! error=$(ip addr add "$host/32" dev lo 2>&1); then
        echo "no Samba AD DC: $host cannot be added to lo ($error)" >"$dir/$name.skip"
        return 0
    fi
    echo "$host" >"$inst/address"
    {
        echo "kind samba"
        echo "host $host"
        echo "port 389"
        echo "ldaps_port 636"
        echo "realm $realm"
        echo "service CN=$service,$users"
        echo "service_password $service_password"
        echo "workstation_service CN=$workstation_service,$users"
        echo "workstation_service_password $workstation_service_password"
        echo "operator CN=$operator,$users"
        echo "operator_password $operator_password"
        echo "admin CN=Administrator,$users"
        echo "admin_password $admin_password"
        echo "user_password $user_password"
        echo "users $users"
        echo "ca $inst/ca.pem"
    } >"$dir/$name.server"
    provision "$host" "$strong"
    run_samba
    echo up >"$dir/$name.state"
}

stop() {
    stop_daemon "$name"
    if [ -f "$inst/address" ]; then
        ip addr del "$(cat "$inst/address")/32" dev lo 2>/dev/null || true
        rm -f "$inst/address"
    fi
}

case $action in
start)
    shift 3
    start "$@"
    ;;
stop)
    stop
    rm -f "$dir/$name.state"
    ;;
suspend)
    stop_daemon "$name"
    echo down >"$dir/$name.state"
    ;;
resume)
    run_samba
    echo up >"$dir/$name.state"
    ;;
*)
    echo "usage: $0 start|stop|suspend|resume <dir> <name> [--plain-binds]" >&2
    exit 2
    ;;
esac
