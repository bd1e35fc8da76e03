#!/usr/bin/env bash
# The main job, end to end: builds velmo_otp.dll and otpadmin, then drives the
# real DLL under Wine the way the logon host does and shows what happened.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

step() { printf '\n\033[1m== %s\033[0m\n' "$*"; }

step "Building velmo_otp.dll and otpadmin.exe (mingw-w64, statically linked runtime)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)" --target velmo_otp otpadmin velmo_adap velmo_ui netapi32_double >/dev/null
bin=$PWD/build/windows/bin
echo "built $bin/velmo_otp.dll"
echo "it imports only system DLLs:" $(x86_64-w64-mingw32-objdump -p "$bin/velmo_otp.dll" | awk '/DLL Name:/{print $3}')

step "A scratch Wine prefix for this demo"
root=$PWD/build/windows/wine
scripts/wine-prefix.sh setup "$root" demo
export WINEPREFIX=$root/demo WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe="
unset DISPLAY http_proxy https_proxy no_proxy
trap 'scripts/wine-prefix.sh stop "$root" demo' EXIT
wine() { /usr/lib/wine/wine64 "$@"; }
otpadmin() { (cd "$bin" && wine otpadmin.exe "$@") | tr -d '\r'; }
echo "WINEPREFIX=$WINEPREFIX"

step "The product folder, as the installer would set it (32-bit registry view)"
mkdir -p "$WINEPREFIX/drive_c/VelmoDemo"
wine reg add 'HKLM\SOFTWARE\Velmo' /v VelmoPath /d 'C:\VelmoDemo\' /reg:32 /f >/dev/null
echo 'HKLM\SOFTWARE\Velmo  VelmoPath = C:\VelmoDemo\'

step "otpadmin init: LoadLibrary, InitLibrary, the reader exports, CloseLibrary"
otpadmin init

step "Provisioning alice (ReadData 5 and 6 create a secret and hand it out)"
otpadmin provision alice | tee "$root/alice.txt"
uri=$(sed -n 's/^otpauth URI *//p' "$root/alice.txt")
qrencode -t ANSIUTF8 -m 1 "$uri"
qrencode -o "$root/alice-qr.png" -s 6 "$uri"
echo "scan it with an authenticator app, or open $root/alice-qr.png"

step "alice logs on with the code her authenticator shows now"
code=$(otpadmin code alice)
echo "authenticator: $code"
otpadmin verify alice "$code" || true
echo "the same code again (replay):"
otpadmin verify alice "$code" || true
wrong=$(printf '%06d' $(( (10#$code + 500000) % 1000000 )))
echo "a wrong code:"
otpadmin verify alice "$wrong" || true

step "bob's token runs 20 minutes fast: accepted once, and the offset is learned"
otpadmin provision bob >/dev/null
fast=$(otpadmin code bob --offset-minutes 20)
echo "bob's fast token: $fast"
otpadmin verify bob "$fast" || true
otpadmin users
echo "half a minute later on the same fast clock (inside the window around the learned skew):"
otpadmin verify bob "$(otpadmin code bob --offset-minutes 20 --time $(( $(date +%s) + 30 )))" || true
echo "an on-time code from bob is now far from the learned skew:"
otpadmin verify bob "$(otpadmin code bob)" || true

step "carol gets her codes by SMS: a gateway on 127.0.0.1 receives them"
rm -f "$root/gateway.port" "$root/gateway.log"
python3 tools/demo/sms_gateway.py "$root/gateway.port" "$root/gateway.log" &
gateway=$!
trap 'kill $gateway 2>/dev/null; scripts/wine-prefix.sh stop "$root" demo' EXIT
for _ in $(seq 50); do [ -s "$root/gateway.port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$root/gateway.port")/send?to=%phone%&text=%text%"
wine reg add 'HKLM\SOFTWARE\Velmo\OtpModule' /v SMS-Gate /d "$url" /reg:32 /f >/dev/null
echo "SMS-Gate = $url"
otpadmin set carol 'sms-otp,+15550100'
otpadmin kind carol
echo "ReadData 7 sends the code; the message carol sees:"
otpadmin send carol
echo "the gateway received: $(tail -1 "$root/gateway.log")"
sms=$(tail -1 "$root/gateway.log" | sed 's/.*text=//')
otpadmin verify carol "$sms" || true

step "What InitLibrary and the logons left in the registry (alice)"
wine reg query 'HKLM\SOFTWARE\Velmo\OtpModule' /reg:32 | tr -d '\r' | grep -E 'SMS-Gate|alice' | sed 's/\(_key *REG_SZ *\).*/\1(secret)/; s/\(_history *REG_BINARY *\)\(.\{24\}\).*/\1\2.../'

step "The trace file C:\\VelmoDemo\\otp_otpadmin.exe.log (last lines)"
tr -d '\r' <"$WINEPREFIX/drive_c/VelmoDemo/otp_otpadmin.exe.log" | grep -vE '^ *[0-9]+: *[0-9]+ : *[0-9]+: *[0-9]+   $' | grep -v '^$' | tail -25

step "otpadmin doctor: the administrator's checklist for this machine, with the self-test"
otpadmin doctor --selftest || echo "(exit code $?: the number of FAILs)"
# The doctor has asked the gateway: it is no longer needed.
kill "$gateway" 2>/dev/null; wait "$gateway" 2>/dev/null || true
trap 'scripts/wine-prefix.sh stop "$root" demo' EXIT

step "Codes for the RFC 4226 test secret: otpadmin against oathtool"
secret=GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ
printf '%-8s %-10s %-10s\n' counter otpadmin oathtool
for counter in 0 1 2 3 4 5; do
    ours=$(otpadmin code --secret "$secret" --counter "$counter")
    theirs=$(oathtool --hotp --base32 "$secret" -c "$counter")
    printf '%-8s %-10s %-10s %s\n' "$counter" "$ours" "$theirs" "$([ "$ours" = "$theirs" ] && echo same || echo DIFFERENT)"
done

step "Domain mode: a Samba AD domain controller with the product's directory kit, and the domain's OTP service"
directory_dir=$root/samba world=$root/domain_world prefix_root=$root
source tools/directory/domain_world.sh
rm -rf "$world"
trap 'bash tools/directory/otp_service.sh stop "$directory_dir" >/dev/null 2>&1; \
      bash tools/directory/samba_dc.sh stop "$directory_dir" directory >/dev/null 2>&1; \
      stop_machines member workstation; scripts/wine-prefix.sh stop "$root" demo' EXIT
started=$(date +%s)
bash tools/directory/samba_dc.sh start "$directory_dir" directory
if [ -f "$directory_dir/directory.skip" ]; then
    echo "no domain part: $(cat "$directory_dir/directory.skip")"
    exit 0
fi
bash tools/directory/otp_service.sh start "$directory_dir" directory >/dev/null
echo "a fresh DC for VELMO.COM at $(directory_server) in $(($(date +%s) - started)) s: provisioned, then the kit applied"
echo "as an administrator would (packaging/directory: velmo-schema.ldif, velmo-containers.ldif, velmo-rights.cmd)"
echo "schema: $(directory_search -b "CN=Schema,CN=Configuration,DC=velmo,DC=com" "(lDAPDisplayName=kv*)" lDAPDisplayName |
    sed -n 's/^lDAPDisplayName: //p' | sort | tr '\n' ' ')"
echo "confidential (searchFlags 128): $(directory_search -b "CN=Schema,CN=Configuration,DC=velmo,DC=com" \
    "(&(lDAPDisplayName=kv*)(searchFlags:1.2.840.113556.1.4.803:=128))" lDAPDisplayName |
    sed -n 's/^lDAPDisplayName: //p' | sort | tr '\n' ' ')"
host=("$bin/otpadmin.exe" "$bin/velmo_otp.dll" "$bin/velmo_adap.dll" "$bin/velmo_ui.dll")
host_folder member "${host[@]}" "$PWD/build/windows/member_server/netapi32.dll"
host_folder workstation "${host[@]}"
machine member
machine workstation workstation

step "A member server (a netapi32 stand-in answers its role): the admin provisions alice"
echo "its access library binds as $(directory_value service) (group Velmo OTP Servers), inside StartTLS"
otpadmin_on member set alice "token-otp,$alice_secret,30 totp"
tr -d '\r' <"$prefix_root/member/drive_c/Velmo/otp_otpadmin.exe.log" | grep -o 'InitLibrary() .*' | head -1
echo "alice's record went up to the directory:"
otpadmin_on member directory | grep -E 'server|records|user alice'
directory_search -b "cn=SecretKeys,dc=Velmo,dc=com" "(kvUserName=alice)" kvKeyID kvKeyType kvOathInterval |
    grep -E '^(kvKeyID|kvKeyType|kvOathInterval)'

step "bob, an ordinary domain user, looks at alice's record"
bob_search() { bob ldapsearch -LLL -b "cn=SecretKeys,dc=Velmo,dc=com" "$@"; }
echo "bob asks for kvUserName and kvOathSecret of (kvUserName=alice):"
bob_search "(kvUserName=alice)" kvUserName kvOathSecret | grep -v '^$' | sed 's/^/  /'
echo "bob searches (kvOathSecret=$alice_secret): $(bob_search "(kvOathSecret=$alice_secret)" 1.1 | grep -c '^dn:' || true) matches"
echo "the OTP service's account searches the same: $(directory_search -b "cn=SecretKeys,dc=Velmo,dc=com" \
    "(kvOathSecret=$alice_secret)" kvOathSecret | grep -c '^kvOathSecret:' || true) match, and reads the secret"

step "A workstation of the domain (its own registry): alice logs on, the domain's service decides"
echo "its access library binds as $(directory_value workstation_service) (group Velmo OTP Workstations)"
on workstation reg add 'HKLM\SOFTWARE\Velmo' /v OtpModeAD /t REG_DWORD /d 1 /reg:32 /f >/dev/null
on workstation reg add 'HKLM\SOFTWARE\Velmo' /v serverPublicKey /d "$(cat "$directory_dir/service.publickey")" \
    /reg:32 /f >/dev/null
echo "serverPublicKey = $(cut -c1-40 "$directory_dir/service.publickey")... (RSA, from the service's key pair)"
otpadmin_on workstation verify alice "$(alice_code)" || true
echo "the service's log: $(tail -1 "$directory_dir/otp_service.log")"
echo "otpadmin doctor at the workstation (domain mode):"
otpadmin_on workstation doctor || echo "(exit code $?: the number of FAILs)"
echo "requests left in CN=SelfEnrolls: $(directory_search -b "cn=SelfEnrolls,dc=Velmo,dc=com" "(objectClass=kvSelfEnroll)" dn | grep -c '^dn:' || true)"
echo "the workstation cached her secret for offline logon:"
on workstation reg query 'HKLM\SOFTWARE\Velmo\OtpModule' /reg:32 | grep -E 'alice_(key|skew)' | sed 's/\(_key *REG_SZ *\).*/\1(secret)/'

step "The directory goes away: alice still logs on from the cached secret"
bash tools/directory/samba_dc.sh suspend "$directory_dir" directory >/dev/null
otpadmin_on workstation verify alice "$(alice_code 1)" || true
echo "with OfflineADMode = 1 the cache is not used:"
on workstation reg add 'HKLM\SOFTWARE\Velmo' /v OfflineADMode /t REG_DWORD /d 1 /reg:32 /f >/dev/null
otpadmin_on workstation verify alice "$(alice_code 2)" || true
