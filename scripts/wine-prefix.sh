#!/usr/bin/env bash
# Scratch Wine prefixes, one per test run (or demo run).
#   wine-prefix.sh setup <root> [name]  boot a seed prefix once (cached in
#                                       <root>/seed), copy it to <root>/<name>
#                                       (default "prefix") and start a
#                                       persistent wineserver for it
#   wine-prefix.sh stop <root> [name]   stop that wineserver
#   wine-prefix.sh env <root> [name]    print the environment for running by hand
# Output goes to <root>/*.log: CTest waits for anything holding its pipes.
set -euo pipefail
action=$1
root=$(realpath -m "$2")
name=${3:-prefix}
seed=$root/seed
prefix=$root/$name
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset DISPLAY http_proxy https_proxy no_proxy HTTP_PROXY HTTPS_PROXY

boot_seed() {
    rm -rf "$seed" "$seed.tmp"
    mkdir -p "$root"
    WINEPREFIX=$seed.tmp "$wine" wineboot -i >"$root/boot.log" 2>&1 </dev/null
    WINEPREFIX=$seed.tmp "$wineserver" -w
    mv "$seed.tmp" "$seed"
}

case $action in
setup)
    mkdir -p "$root"
    [ -f "$seed/system.reg" ] || boot_seed
    WINEPREFIX=$prefix "$wineserver" -k >/dev/null 2>&1 </dev/null || true
    rm -rf "$prefix"
    cp -a "$seed" "$prefix"
    WINEPREFIX=$prefix setsid "$wineserver" -p >"$root/wineserver-$name.log" 2>&1 </dev/null &
    # Wait until the server answers, so the first test does not race its start.
    WINEPREFIX=$prefix "$wine" cmd /c exit >/dev/null 2>&1 </dev/null || true
    ;;
stop)
    WINEPREFIX=$prefix "$wineserver" -k >/dev/null 2>&1 </dev/null || true
    ;;
env)
    echo "export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='"
    ;;
*)
    echo "usage: $0 setup|stop|env <root> [name]" >&2
    exit 2
    ;;
esac
