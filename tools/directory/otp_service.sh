#!/usr/bin/env bash
# The domain's OTP service (otp_service.py) for tests and the demo, against a
# test directory started by samba_dc.sh or slapd.sh.
#
#   otp_service.sh start <dir> <name>    a new key pair, <dir>/service.key and
#       the public key text <dir>/service.publickey (the workstations'
#       "serverPublicKey"), then the service for the directory <dir>/<name>
#   otp_service.sh stop <dir>            stop it (by its PID)
#   otp_service.sh suspend <dir>         stop it, keeping its key
#   otp_service.sh resume <dir> <name>   start it again with the same key
#
# Its log is <dir>/otp_service.log: one line per answered request.
# <dir>/otp_service.state says "up" or "down" once a start, suspend or resume
# is done.
set -euo pipefail
action=$1
dir=$(realpath -m "$2")
name=${3:-}
here=$(dirname "$(realpath "$0")")
source "$here/../net_fixtures/daemon.sh"
service=(/usr/bin/python3 "$here/otp_service.py")

run() {
    start_daemon otp_service "${service[@]}" serve "$dir/$name.server" "$dir/service.key"
    wait_until otp_service grep -q " watching " "$dir/otp_service.log" || { stop_daemon otp_service; return 1; }
    echo up >"$dir/otp_service.state"
}

case $action in
start)
    # No directory to serve (samba_dc.sh could not start one): nothing to do.
    [ -f "$dir/$name.skip" ] && exit 0
    stop_daemon otp_service
    rm -f "$dir/otp_service.state"
    "${service[@]}" keygen "$dir/service.key" "$dir/service.publickey"
    run
    ;;
stop)
    stop_daemon otp_service
    rm -f "$dir/otp_service.state"
    ;;
suspend)
    stop_daemon otp_service
    echo down >"$dir/otp_service.state"
    ;;
resume)
    run
    ;;
*)
    echo "usage: $0 start|stop|suspend|resume <dir> [<name>]" >&2
    exit 2
    ;;
esac
