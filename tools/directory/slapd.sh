#!/usr/bin/env bash
# A directory for tests and the demo: OpenLDAP slapd with the product's schema
# (velmo.schema), the partition dc=Velmo,dc=com (partition.ldif) and a domain
# dc=corp,dc=test with users and accounts (domain.ldif), a rootDSE naming the
# domain as defaultNamingContext, StartTLS and LDAPS with a certificate from a
# test CA made at start, and no SASL mechanism on offer (SASL_PATH is an empty
# folder), so that a Negotiate bind fails cleanly instead of crashing Wine's
# LDAP client.
#
#   slapd.sh start <dir> <name> [--refer-to <other>] [--no-tls]
#       a fresh database in <dir>/<name>/; --refer-to: the partition is only
#       a referral to instance <other>; --no-tls: no StartTLS, no LDAPS
#   slapd.sh stop <dir> <name>       stop it (by its PID)
#   slapd.sh suspend|resume <dir> <name>
#       stop or restart the same server (same address, same data); the
#       outcome is written to <dir>/<name>.state ("down" or "up")
#
# As root each instance listens on an address of its own, 127.0.0.x (x chosen
# per run), on the standard ports 389 and 636: clients that cannot name a port
# (ADSI paths under Wine, the module's direct LDAP) reach it there. Otherwise
# (or when a system directory holds port 389) it listens on 127.0.0.1 with two
# free ports. <dir>/<name>.server holds
# "key value" lines: host, port, ldaps_port (with TLS), the service and operator
# account names and passwords (service, service_password, operator, ...), the
# test users' password (user_password) and the CA file (ca).
# All output goes to <dir>: CTest waits for anything holding its pipes.
set -euo pipefail
action=$1
dir=$(realpath -m "$2")
name=$3
here=$(dirname "$(realpath "$0")")
inst=$dir/$name
mkdir -p "$dir"
source "$here/../net_fixtures/daemon.sh"
source "$here/../net_fixtures/test_ca.sh"

service="cn=velmo-adap,ou=Services,dc=corp,dc=test"
operator="cn=otp-operator,ou=Services,dc=corp,dc=test"
service_password=adap-service-pw
operator_password=otp-operator-pw
user_password=user-pw

# Prints "address port ldaps_port" for this run.
choose_address() {
    /usr/bin/python3 - "$(id -u)" <<'PY'
import random, socket, sys
def free(host, port):
    s = socket.socket()
    try:
        s.bind((host, port))
        return s.getsockname()[1]
    except OSError:
        return 0
    finally:
        s.close()
if sys.argv[1] == "0":
    for x in random.sample(range(2, 255), 253):
        host = "127.0.0.%d" % x
        if free(host, 389) and free(host, 636):
            print(host, 389, 636)
            sys.exit(0)
# Not root, or a system directory holds port 389 on every address.
print("127.0.0.1", free("127.0.0.1", 0), free("127.0.0.1", 0))
PY
}

value() { awk -v k="$1" '$1 == k { sub(/^[^ ]+ /, ""); print; exit }' "$dir/$name.server"; }
listening() { /usr/bin/python3 -c "import socket; socket.create_connection(('$1', $2), 0.2)"; }

write_config() {
    local host=$1 port=$2 ldaps=$3 tls=$4 refer=$5
    {
        echo "include /etc/ldap/schema/core.schema"
        echo "include /etc/ldap/schema/cosine.schema"
        echo "include /etc/ldap/schema/inetorgperson.schema"
        echo "include $here/velmo.schema"
        echo "modulepath /usr/lib/ldap"
        echo "moduleload back_mdb"
        echo "rootDSE $inst/rootdse.ldif"
        if [ "$tls" = 1 ]; then
            echo "TLSCertificateFile $inst/server.pem"
            echo "TLSCertificateKeyFile $inst/server.key"
            # A password never travels in clear to this server.
            echo "security simple_bind=1"
        fi
        cat <<CONF
access to dn.base="" by * read
access to dn.base="cn=Subschema" by * read

database mdb
suffix "dc=Velmo,dc=com"
directory $inst/partition
maxsize 67108864
access to * by dn.exact="$service" write by dn.exact="$operator" write by users read by * none

database mdb
suffix "dc=corp,dc=test"
directory $inst/domain
maxsize 67108864
access to attrs=userPassword by anonymous auth by * none
access to * by * read
CONF
    } >"$inst/slapd.conf"
    printf 'dn:\ndefaultNamingContext: dc=corp,dc=test\n' >"$inst/rootdse.ldif"
    if [ -n "$refer" ]; then
        printf 'dn: dc=Velmo,dc=com\nobjectClass: referral\nobjectClass: extensibleObject\ndc: Velmo\nref: %s\n' \
            "$refer" >"$inst/partition.ldif"
    else
        cp "$here/partition.ldif" "$inst/partition.ldif"
    fi
    sed -e "s|@SERVICE_PASSWORD@|$(slappasswd -s "$service_password")|" \
        -e "s|@OPERATOR_PASSWORD@|$(slappasswd -s "$operator_password")|" \
        -e "s|@USER_PASSWORD@|$(slappasswd -s "$user_password")|" "$here/domain.ldif" >"$inst/domain.ldif"
    mkdir -p "$inst/partition" "$inst/domain" "$inst/sasl"
    slapadd -q -f "$inst/slapd.conf" -b "dc=Velmo,dc=com" -l "$inst/partition.ldif"
    slapadd -q -f "$inst/slapd.conf" -b "dc=corp,dc=test" -l "$inst/domain.ldif"
}

# Starts slapd on the address in <dir>/<name>.server; fails when it does not
# answer within 5 s.
run_slapd() {
    local host port ldaps urls
    host=$(value host) port=$(value port) ldaps=$(value ldaps_port)
    urls="ldap://$host:$port/"
    [ -n "$ldaps" ] && urls="$urls ldaps://$host:$ldaps/"
    start_daemon "$name" env SASL_PATH="$inst/sasl" slapd -d 256 -f "$inst/slapd.conf" -h "$urls"
    wait_until "$name" listening "$host" "$port"
}

start() {
    local tls=1 refer_to="" refer="" host port ldaps
    while [ $# -gt 0 ]; do
        case $1 in
        --refer-to) refer_to=$2; shift ;;
        --no-tls) tls=0 ;;
        esac
        shift
    done
    "$0" stop "$dir" "$name" || true
    rm -rf "$inst" "$dir/$name.server" "$dir/$name.state"
    mkdir -p "$inst"
    if [ -n "$refer_to" ]; then
        refer="ldap://$(awk '$1 == "host" { h = $2 } $1 == "port" { p = $2 } END { print h ":" p }' \
            "$dir/$refer_to.server")/dc=Velmo,dc=com"
    fi
    # Another run may take the chosen address before slapd binds it: try again.
    for _ in 1 2 3; do
        read -r host port ldaps < <(choose_address)
        if [ "$tls" = 1 ]; then
            [ -f "$inst/ca.pem" ] || make_test_ca "$inst" >"$inst/openssl.log" 2>&1
            issue_certificate "$inst" server "IP:$host,DNS:localhost" >>"$inst/openssl.log" 2>&1
        else
            ldaps=""
        fi
        [ -f "$inst/slapd.conf" ] || write_config "$host" "$port" "$ldaps" "$tls" "$refer"
        {
            echo "host $host"
            echo "port $port"
            [ -n "$ldaps" ] && echo "ldaps_port $ldaps"
            echo "service $service"
            echo "service_password $service_password"
            echo "operator $operator"
            echo "operator_password $operator_password"
            echo "user_password $user_password"
            [ "$tls" = 1 ] && echo "ca $inst/ca.pem"
        } >"$dir/$name.server"
        if run_slapd; then
            echo up >"$dir/$name.state"
            return 0
        fi
        stop_daemon "$name"
    done
    return 1
}

case $action in
start)
    shift 3
    start "$@"
    ;;
stop)
    stop_daemon "$name"
    rm -f "$dir/$name.state"
    ;;
suspend)
    stop_daemon "$name"
    echo down >"$dir/$name.state"
    ;;
resume)
    run_slapd
    echo up >"$dir/$name.state"
    ;;
*)
    echo "usage: $0 start|stop|suspend|resume <dir> <name> [--refer-to <other>] [--no-tls]" >&2
    exit 2
    ;;
esac
