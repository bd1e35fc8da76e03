#!/usr/bin/env bash
# Opens the OTP settings dialog through otpadmin (as the host does) on a
# virtual display with a few users, and saves a screenshot.
#   scripts/dialog-screenshot.sh [file.png]    (default build/settings-dialog.png)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
out=$(realpath -m "${1:-build/settings-dialog.png}")
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)" --target velmo_otp otpadmin >/dev/null
bin=$PWD/build/windows/bin
root=$PWD/build/windows/wine
scripts/wine-prefix.sh setup "$root" screenshot
trap 'scripts/wine-prefix.sh stop "$root" screenshot' EXIT
export WINEPREFIX=$root/screenshot WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe="
otpadmin() { (cd "$bin" && /usr/lib/wine/wine64 otpadmin.exe "$@") >/dev/null; }

otpadmin provision alice
otpadmin provision bob --hotp
otpadmin provision carol
/usr/lib/wine/wine64 reg add 'HKLM\SOFTWARE\Velmo\OtpModule' /v carol_sms /d '+1 555 0100' /reg:32 /f >/dev/null

display=:$(cat "$root/screenshot.display/xvfb.display")
(cd "$bin" && DISPLAY=$display /usr/lib/wine/wine64 otpadmin.exe settings >/dev/null 2>&1 &)
for _ in $(seq 100); do
    xwininfo -root -tree -display "$display" 2>/dev/null | grep -q 'Google Authenticator' && break
    sleep 0.1
done
sleep 0.5
import -display "$display" -window root -crop 620x500+0+0 +repage "$out"
echo "saved $out"
