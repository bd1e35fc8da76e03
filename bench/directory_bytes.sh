#!/usr/bin/env bash
# Bytes a logon reads from Active Directory: a Samba AD DC with the product's
# kit, the domain's OTP service, and a counting relay (tools/directory/
# byte_relay.py) between the access library and the DC. A member server
# provisions alice and logs her on; a workstation logs her on through the
# service. Printed per step: bytes from the DC to the machine, and back.
#   bench/directory_bytes.sh [--plain-only|--tls-only] [--library velmo_adap.dll]
# --library measures another build of the access library, a velmo_adap.dll
# elsewhere (an older one, for the figures before a change); the module and
# its host stay this build's.
# Two runs: "plain", where the relay refuses StartTLS and the library may
# bind in clear (what an old library needed against AD, whose whole schema it
# could not read inside TLS), and "tls" (StartTLS, as deployed). Figures,
# not a test: nothing here passes or fails on size. Needs root (the DC's
# loopback address) and the Windows build (scripts/test.sh or the demo).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
scripts/deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target velmo_otp otpadmin velmo_adap velmo_ui netapi32_double >/dev/null
bin=$repo/build/windows/bin
out=$repo/build/windows/bench-directory
prefix_root=$repo/build/windows/wine
directory_dir=$out/dc
modes=(plain tls)
library=$bin/velmo_adap.dll
while [ $# -gt 0 ]; do
    case $1 in
    --plain-only) modes=(plain) ;;
    --tls-only) modes=(tls) ;;
    --library) library=$(realpath "$2"); shift ;;
    *) echo "usage: $0 [--plain-only|--tls-only] [--library velmo_adap.dll]" >&2; exit 2 ;;
    esac
    shift
done
echo "access library: $library"
mkdir -p "$out"

relay_pid=""
cleanup() {
    [ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null || true
    bash tools/directory/otp_service.sh stop "$directory_dir" >/dev/null 2>&1 || true
    bash tools/directory/samba_dc.sh stop "$directory_dir" directory >/dev/null 2>&1 || true
    stop_machines bench_member bench_workstation
}
trap cleanup EXIT
source tools/directory/domain_world.sh
world=$out/world

bash tools/directory/samba_dc.sh start "$directory_dir" directory --plain-binds
[ -f "$directory_dir/directory.skip" ] && { cat "$directory_dir/directory.skip"; exit 1; }
bash tools/directory/otp_service.sh start "$directory_dir" directory

counts=$out/relay.counts
count() { awk -v k="$1" '$1 == k { print $2 }' "$counts"; }
# Waits until every relayed connection has closed.
settled() {
    for _ in $(seq 50); do
        [ "$(count opened)" = "$(count closed)" ] && return 0
        sleep 0.1
    done
}
# step LABEL COMMAND...: runs the command and prints the bytes it moved.
step() {
    local label=$1 down up
    shift
    settled
    down=$(count to_client) up=$(count to_server)
    "$@" >"$out/step.log" 2>&1 || true
    settled
    printf '%-6s %-44s %9d %9d   %s\n' "$mode" "$label" $(($(count to_client) - down)) $(($(count to_server) - up)) \
        "$(grep -oE 'accepted|refused' "$out/step.log" | head -1)"
}

printf '%-6s %-44s %9s %9s\n' mode step "DC->host" "host->DC"
for mode in "${modes[@]}"; do
    rm -rf "$world"
    refuse=()
    [ "$mode" = plain ] && refuse=(--refuse-starttls)
    rm -f "$counts"
    /usr/bin/python3 tools/directory/byte_relay.py 127.0.0.1 "$(directory_value host)" 389 "$counts" "${refuse[@]}" &
    relay_pid=$!
    for _ in $(seq 50); do [ -s "$counts" ] && break; sleep 0.1; done
    directory_address=127.0.0.1:$(count port)
    host=("$bin/otpadmin.exe" "$bin/velmo_otp.dll" "$library" "$bin/velmo_ui.dll")
    host_folder bench_member "${host[@]}" "$bin/../member_server/netapi32.dll"
    host_folder bench_workstation "${host[@]}"
    machine bench_member
    machine bench_workstation workstation
    for m in bench_member bench_workstation; do
        [ "$mode" = plain ] && on "$m" reg add 'HKLM\SOFTWARE\Velmo\Adap' /v AllowPlainBind /t REG_DWORD /d 1 \
            /reg:32 /f >/dev/null
    done
    on bench_workstation reg add 'HKLM\SOFTWARE\Velmo' /v OtpModeAD /t REG_DWORD /d 1 /reg:32 /f >/dev/null
    on bench_workstation reg add 'HKLM\SOFTWARE\Velmo' /v serverPublicKey /d "$(cat "$directory_dir/service.publickey")" \
        /reg:32 /f >/dev/null
    user=alice_$mode
    step "member server: provision $user" otpadmin_on bench_member set "$user" "token-otp,$alice_secret,30 totp"
    step "member server: logon" otpadmin_on bench_member verify "$user" "$(alice_code)"
    step "workstation: logon through the service" otpadmin_on bench_workstation verify "$user" "$(alice_code 1)"
    step "workstation: second logon" otpadmin_on bench_workstation verify "$user" "$(alice_code 2)"
    kill "$relay_pid"
    wait "$relay_pid" 2>/dev/null || true
    relay_pid=""
    stop_machines bench_member bench_workstation
done
