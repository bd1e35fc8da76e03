#!/usr/bin/env bash
# The main job, end to end: builds velmo_otp.dll and otpadmin, then drives the
# real DLL under Wine the way the logon host does and shows what happened.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

step() { printf '\n\033[1m== %s\033[0m\n' "$*"; }

step "Building velmo_otp.dll and otpadmin.exe (mingw-w64, statically linked runtime)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)" --target velmo_otp otpadmin >/dev/null
bin=$PWD/build/windows/bin
echo "built $bin/velmo_otp.dll"
echo "it imports only system DLLs:" $(x86_64-w64-mingw32-objdump -p "$bin/velmo_otp.dll" | awk '/DLL Name:/{print $3}')

step "A scratch Wine prefix for this demo"
root=$PWD/build/windows/wine
scripts/wine-prefix.sh setup "$root" demo
export WINEPREFIX=$root/demo WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
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

step "What InitLibrary left in the registry"
wine reg query 'HKLM\SOFTWARE\Velmo\OtpModule' /reg:32 | tr -d '\r' | sed '/^$/d'

step "The trace file C:\\VelmoDemo\\otp_otpadmin.exe.log"
tr -d '\r' <"$WINEPREFIX/drive_c/VelmoDemo/otp_otpadmin.exe.log" | sed '/^ *[0-9]*: *[0-9]* : *[0-9]*: *[0-9]*   $/d'

step "Codes for the RFC 4226 test secret: otpadmin against oathtool"
secret=GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ
printf '%-8s %-10s %-10s\n' counter otpadmin oathtool
for counter in 0 1 2 3 4 5; do
    ours=$(otpadmin code --secret "$secret" --counter "$counter")
    theirs=$(oathtool --hotp --base32 "$secret" -c "$counter")
    printf '%-8s %-10s %-10s %s\n' "$counter" "$ours" "$theirs" "$([ "$ours" = "$theirs" ] && echo same || echo DIFFERENT)"
done
now=$(date +%s)
echo "TOTP now ($now): otpadmin $(otpadmin code --secret "$secret" --time "$now"), oathtool $(oathtool --totp --base32 "$secret" -N "@$now")"
