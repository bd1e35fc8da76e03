#!/usr/bin/env bash
# Scratch Wine prefixes, one per test run (or demo run).
#   wine-prefix.sh setup <root> [name]  boot a seed prefix once (cached in
#                                       <root>/seed), copy it to <root>/<name>
#                                       (default "prefix"), start a virtual
#                                       display and a persistent wineserver
#   wine-prefix.sh stop <root> [name]   stop the wineserver and the display
#   wine-prefix.sh run <root> [name] -- cmd...  run a command on the display
#   wine-prefix.sh env <root> [name]    print the environment for running by hand
# Output goes to <root>/*.log: CTest waits for anything holding its pipes.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
action=$1
root=$(realpath -m "$2")
name=prefix
if [ $# -ge 3 ] && [ "$3" != "--" ]; then name=$3; fi
seed=$root/seed
prefix=$root/$name
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe=" WINEARCH=win64
unset DISPLAY http_proxy https_proxy no_proxy HTTP_PROXY HTTPS_PROXY

boot_seed() {
    rm -rf "$seed" "$seed.tmp"
    mkdir -p "$root"
    WINEPREFIX=$seed.tmp "$wine" wineboot -i >"$root/boot.log" 2>&1 </dev/null
    WINEPREFIX=$seed.tmp "$wineserver" -w
    # Wine links the profile folders (Desktop, Documents, ...) to $HOME: make
    # them folders of the prefix, so nothing a test writes lands in $HOME.
    find "$seed.tmp/drive_c/users" -maxdepth 2 -type l | while read -r link; do
        rm -f "$link" && mkdir -p "$link"
    done
    # The virtual display has no window manager: unmanaged windows close at
    # once instead of waiting two seconds for one to withdraw them.
    WINEPREFIX=$seed.tmp "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        >>"$root/boot.log" 2>&1 </dev/null
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
    bash "$here/xvfb.sh" start "$root/$name.display"
    WINEPREFIX=$prefix setsid "$wineserver" -p >"$root/wineserver-$name.log" 2>&1 </dev/null &
    # The first process of a session starts the desktop, whose display
    # driver every process beside it shares; the desktop ends with the last
    # one. Boot on the display, and run programs that show windows in a
    # prefix of their own whose processes all have it (wine-test.sh --display).
    WINEPREFIX=$prefix bash "$here/xvfb.sh" run "$root/$name.display" "$wine" cmd /c exit \
        >/dev/null 2>&1 </dev/null || true
    ;;
stop)
    WINEPREFIX=$prefix "$wineserver" -k >/dev/null 2>&1 </dev/null || true
    bash "$here/xvfb.sh" stop "$root/$name.display"
    ;;
run)
    shift 2
    [ "${1:-}" != "--" ] && shift
    shift
    # Programs the command starts (an Explorer window, say) may outlive it;
    # they get a file, not our output pipe, so nobody waits for them.
    log=$(mktemp)
    status=0
    bash "$here/xvfb.sh" run "$root/$name.display" "$@" >"$log" 2>&1 </dev/null || status=$?
    cat "$log"
    rm -f "$log"
    exit $status
    ;;
env)
    echo "export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml,winedbg.exe='"
    ;;
*)
    echo "usage: $0 setup|stop|env <root> [name] | run <root> [name] -- command..." >&2
    exit 2
    ;;
esac
