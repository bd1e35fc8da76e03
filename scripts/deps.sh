#!/usr/bin/env bash
# Makes sure the Debian packages the build, the tests and the demo need are
# installed. As root it installs what is missing; otherwise it prints the
# command to run and fails.
set -euo pipefail

packages=(
    # build
    cmake make g++-mingw-w64-x86-64 googletest clang libclang-rt-14-dev libbenchmark-dev
    # the installer package
    wixl msitools
    # running the Windows binaries
    wine64
    # tests, benchmarks and the demo
    python3 openssl oathtool liboath-dev qrencode tinyproxy xvfb xauth imagemagick slapd ldap-utils
    # the domain's OTP service of the test world (run with /usr/bin/python3)
    python3-ldap python3-cryptography python3-pyotp
    # the test world's Active Directory: a Samba AD DC (samba-ad-provision
    # holds the provisioning data; iproute2 gives it an address on lo)
    samba-ad-dc samba-ad-provision iproute2
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

command=(apt-get install -y --no-install-recommends "${missing[@]}")
if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with:" >&2
    echo "  sudo apt-get update && sudo DEBIAN_FRONTEND=noninteractive ${command[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq </dev/null
"${command[@]}" </dev/null >/tmp/velmo-apt.log 2>&1 || { tail -30 /tmp/velmo-apt.log >&2; exit 1; }
