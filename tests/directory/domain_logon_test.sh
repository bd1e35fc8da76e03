#!/usr/bin/env bash
# Domain-mode logon end to end under Wine: a member server provisions alice
# and her record goes up to the directory; a second machine, a workstation
# with its own registry, logs her on through the domain's OTP service, caches
# her secret and logs her on offline when the directory or the service is
# gone, unless offline logon is switched off.
# usage: domain_logon_test.sh <bin> <prefix root> <directory dir> <work dir>
set -euo pipefail
bin=$1 prefix_root=$2 directory_dir=$3 world=$4
source "$(dirname "$0")/../../tools/directory/domain_world.sh"
slapd=$repo_world/tools/directory/slapd.sh
service=$repo_world/tools/directory/otp_service.sh
failures=0

# expect WHAT PATTERN TEXT: TEXT holds PATTERN (an extended regular expression).
expect() {
    if grep -qE -- "$2" <<<"$3"; then
        echo "ok    $1"
    else
        echo "FAIL  $1: wanted /$2/ in: $3"
        failures=$((failures + 1))
    fi
}
alice_object() { directory_search -b "cn=SecretKeys,dc=Velmo,dc=com" "(kvUserName=alice)" "$@"; }
trap 'stop_machines member workstation; bash "$slapd" resume "$directory_dir" directory >/dev/null 2>&1 || true
      bash "$service" resume "$directory_dir" directory >/dev/null 2>&1 || true' EXIT

rm -rf "$world"
host=("$bin/otpadmin.exe" "$bin/velmo_otp.dll" "$bin/velmo_adap.dll" "$bin/velmo_ui.dll")
host_folder member "${host[@]}" "$bin/../member_server/netapi32.dll" "$bin/logon_sequence.exe"
host_folder workstation "${host[@]}"
host_folder bare "$bin/otpadmin.exe" "$bin/velmo_otp.dll" "$bin/velmo_adap.dll"  # no velmo_ui.dll
machine member
machine workstation
# Both machines keep their traces without secrets (checked at the end).
for name in member workstation; do
    on "$name" reg add 'HKLM\SOFTWARE\Velmo' /v TraceMasking /t REG_DWORD /d 1 /reg:32 /f >/dev/null
done
# Every code typed is remembered for that check.
alice_code() { oathtool --totp --base32 "$alice_secret" --now "@$(($(date +%s) + 30 * ${1:-0}))" | tee -a "$world/typed"; }
on workstation reg add 'HKLM\SOFTWARE\Velmo' /v OtpModeAD /t REG_DWORD /d 1 /reg:32 /f >/dev/null
on workstation reg add 'HKLM\SOFTWARE\Velmo' /v serverPublicKey /d "$(cat "$directory_dir/service.publickey")" \
    /reg:32 /f >/dev/null

# The member server: its role comes from the netapi32 stand-in.
expect "the member server's role" "role:3, admode:1" \
    "$(otpadmin_on member init >/dev/null; tr -d '\r' <"$prefix_root/member/drive_c/Velmo/otp_otpadmin.exe.log")"
otpadmin_on member set alice "token-otp,$alice_secret,30 totp" >/dev/null
first=$(alice_object kvKeyID | sed -n 's/^kvKeyID: //p')
expect "provisioning creates CN=<GUID> in the directory" '^[0-9a-f]{8}-([0-9a-f]{4}-){3}[0-9a-f]{12}$' "$first"
otpadmin_on member set alice "token-otp,$alice_secret,30 totp" >/dev/null
expect "provisioning again keeps the identifier" "^$first\$" "$(alice_object kvKeyID | sed -n 's/^kvKeyID: //p')"
expect "the member server logs alice on" "accepted" "$(otpadmin_on member verify alice "$(alice_code)")"
expect "and the directory object has the code in its history" "kvOathHistory: [0-9A-F]{8}" \
    "$(alice_object kvOathHistory)"

# One host process: alice's kind query fetches her object, then mallory logs on.
mallory_secret=GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ
otpadmin_on member set mallory "token-otp,$mallory_secret,30 totp" >/dev/null
otpadmin_on member set mallory "sms-otp,+15550199" >/dev/null
expect "mallory logs on after alice's kind query in the same process" "verify mallory: 1" \
    "$(cd "$world/member" && on member logon_sequence.exe kind alice verify mallory \
        "$(oathtool --totp --base32 "$mallory_secret")")"
expect "and alice's object keeps her own destination" "^kvUserAttr1:: IA==$" "$(alice_object kvUserAttr1)"

# The workstation asks the domain's OTP service.
seen=$(alice_code 1)  # typed twice: the second time at once, whatever step it is then
out=$(otpadmin_on workstation verify alice "$seen")
expect "the service accepts alice's code at the workstation" "accepted" "$out"
echo "      domain logon accepted by the service: ${out##*(}"
expect "the workstation caches her secret" "alice_key +REG_SZ +$alice_secret" \
    "$(on workstation reg query 'HKLM\SOFTWARE\Velmo\OtpModule' /v alice_key /reg:32)"
expect "a code the service has seen is refused although the cache would take it" "refused" \
    "$(otpadmin_on workstation verify alice "$seen")"
expect "without velmo_ui.dll the request cannot be read: refused" "refused" \
    "$(cd "$world/bare" && on workstation otpadmin.exe verify alice "$(alice_code 2)")"

bash "$service" suspend "$directory_dir" >/dev/null
out=$(otpadmin_on workstation verify alice "$(alice_code 3)")
expect "the service silent: the cached secret decides" "accepted \([0-9]{4,} ms\)" "$out"
bash "$service" resume "$directory_dir" directory >/dev/null
bash "$slapd" suspend "$directory_dir" directory >/dev/null
expect "the directory stopped: offline logon from the cached secret" "accepted" \
    "$(otpadmin_on workstation verify alice "$(alice_code 4)")"
on workstation reg add 'HKLM\SOFTWARE\Velmo' /v OfflineADMode /t REG_DWORD /d 1 /reg:32 /f >/dev/null
expect "with OfflineADMode 1 she cannot" "refused" "$(otpadmin_on workstation verify alice "$(alice_code 5)")"

traces=$(cat "$prefix_root"/{member,workstation}/drive_c/Velmo/otp_otpadmin.exe.log | tr -d '\r')
expect "the session key is masked in the trace" 'Decrypt by \*{5}\.' "$traces"
leaked=""
for secret in "$alice_secret" "${alice_secret:0:4}" $(sort -u "$world/typed"); do
    grep -qF -- "$secret" <<<"$traces" && leaked="$leaked $secret"
done
expect "no secret and no code in the masked traces${leaked:+ (found:$leaked)}" "^$" "$leaked"

[ "$failures" -eq 0 ] || { echo "$failures checks failed"; exit 1; }
