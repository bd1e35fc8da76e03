# The domain test world, sourced by the domain story test and the demo: Wine
# prefixes that play a member server and a workstation of a domain whose
# directory is a Samba AD DC with the product's kit (samba_dc.sh) or the test
# slapd (slapd.sh), and whose OTP service is otp_service.py (otp_service.sh).
#
# Needs: $world (a folder for the prefixes' hosts), $bin (the Windows build's
# bin folder), $directory_dir (the fixture's folder, with directory.server and
# service.publickey), $prefix_root (wine-prefix.sh's root: a seed is there).
# Optional: $directory_address, the access library's server when it is not
# the directory's own address (a relay in front of it).
here_world=$(dirname "${BASH_SOURCE[0]}")
repo_world=$(realpath "$here_world/../..")

# The value of a "key value" line of the directory's .server file.
directory_value() { awk -v k="$1" '$1 == k { sub(/^[^ ]+ /, ""); print; exit }' "$directory_dir/directory.server"; }
# The directory's address as paths name it (the port only when not the standard one).
directory_server() {
    local port
    port=$(directory_value port)
    if [ "$port" = 389 ]; then directory_value host; else echo "$(directory_value host):$port"; fi
}
# as ACCOUNT PASSWORD TOOL ARGS...: an ldap-utils tool bound as ACCOUNT, inside StartTLS.
as() {
    local account=$1 password=$2 tool=$3
    shift 3
    LDAPTLS_CACERT=$(directory_value ca) "$tool" -ZZ -x -H "ldap://$(directory_server)" -D "$account" \
        -w "$password" "$@" 2>&1 || true
}
# operator / bob TOOL ARGS...: as the OTP service's account, as an ordinary domain user.
operator() { as "$(directory_value operator)" "$(directory_value operator_password)" "$@"; }
bob() { as "bob@velmo.com" "$(directory_value user_password)" "$@"; }
# ldapsearch as the operator.
directory_search() { operator ldapsearch -LLL "$@"; }

# host_folder NAME FILES...: a folder of its own with the host and its DLLs.
host_folder() {
    local name=$1
    shift
    mkdir -p "$world/$name"
    for f in "$@"; do cp "$f" "$world/$name/"; done
}

# The directory's fixture script: samba_dc.sh or slapd.sh.
directory_script() {
    if [ "$(directory_value kind)" = samba ]; then echo "$repo_world/tools/directory/samba_dc.sh"
    else echo "$repo_world/tools/directory/slapd.sh"; fi
}

# machine NAME [workstation]: a fresh prefix NAME with the product's settings
# for domain mode and the access library's own identity: the directory's
# service account, or its workstations' account where it has one of its own.
machine() {
    local name=$1 account=service
    [ "${2:-}" = workstation ] && [ -n "$(directory_value workstation_service)" ] && account=workstation_service
    "$repo_world/scripts/wine-prefix.sh" setup "$prefix_root" "$name" >/dev/null
    on "$name" reg add 'HKLM\SOFTWARE\Velmo' /v VelmoADmode /t REG_DWORD /d 1 /reg:32 /f >/dev/null
    on "$name" reg add 'HKLM\SOFTWARE\Velmo' /v VelmoPath /d 'C:\Velmo\' /reg:32 /f >/dev/null
    on "$name" reg add 'HKLM\SOFTWARE\Velmo\Adap' /v Server /d "${directory_address:-$(directory_server)}" \
        /reg:32 /f >/dev/null
    mkdir -p "$prefix_root/$name/drive_c/Velmo"
    (cd "$world/$name" && on "$name" rundll32.exe velmo_adap.dll,ServiceAccount "$(directory_value $account)" \
        "$(directory_value ${account}_password)" >/dev/null)
}

# on NAME COMMAND...: a Windows program in prefix NAME (a member server loads
# the netapi32 stand-in beside its host).
on() {
    local name=$1
    shift
    local overrides="mscoree,mshtml,winedbg.exe="
    [ -f "$world/$name/netapi32.dll" ] && overrides="$overrides;netapi32=n"
    WINEPREFIX=$prefix_root/$name WINEDEBUG=-all WINEDLLOVERRIDES=$overrides /usr/lib/wine/wine64 "$@" </dev/null |
        tr -d '\r'
}

# otpadmin_on NAME ARGS...: otpadmin from the machine's own host folder.
otpadmin_on() {
    local name=$1
    shift
    (cd "$world/$name" && on "$name" otpadmin.exe "$@")
}

# The code of alice's token now, N steps from now.
alice_code() { oathtool --totp --base32 "$alice_secret" --now "@$(($(date +%s) + 30 * ${1:-0}))"; }
alice_secret=JBSWY3DPEHPK3PXPJBSWY3DPEHPK3PXP

stop_machines() {
    for name in "$@"; do "$repo_world/scripts/wine-prefix.sh" stop "$prefix_root" "$name" >/dev/null 2>&1 || true; done
}
