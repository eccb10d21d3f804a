#!/usr/bin/env bash
# Runs the Windows build under Wine with everything inside the build folder: the Wine prefix, the compiled
# locales (so that en-US and ja-JP can be chosen on a machine that has generated none), and the test health
# driver's service.
#
#   wine.sh BUILD_DIR start          create the prefix if needed, start a persistent server, load the driver
#   wine.sh BUILD_DIR stop           stop the server and every program of the prefix
#   wine.sh BUILD_DIR run PROGRAM [ARGUMENT...]
#
# Programs run with no display, in en-US unless KESTRAV_WINE_LANG names another locale (ja_JP.UTF-8).
set -euo pipefail

build=$(cd "$1" && pwd)
command=$2
shift 2

export WINEPREFIX="$build/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LOCPATH="$build/wine-locale"
unset DISPLAY WAYLAND_DISPLAY LC_ALL LC_MESSAGES LC_TIME LC_CTYPE LANGUAGE
export LANG="${KESTRAV_WINE_LANG:-en_US.UTF-8}"
driver="$build/tests/zorhlth.sys"

quiet() {
    "$@" >/dev/null 2>&1
}

case "$command" in
start)
    mkdir -p "$LOCPATH"
    for locale in en_US ja_JP; do
        if [ ! -d "$LOCPATH/$locale.UTF-8" ]; then
            localedef -i "$locale" -f UTF-8 "$LOCPATH/$locale.UTF-8"
        fi
    done
    # A new prefix is made by a server of its own: the driver host it leaves behind does not start drivers.
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        quiet wineboot -i
    fi
    # A server left from before (or still ending) would refuse the persistent one.
    wineserver -k 2>/dev/null || true
    wineserver -w
    wineserver -p </dev/null >/dev/null 2>&1
    # Started on demand only, so that a server started without this command runs with no driver. A prefix
    # made a moment ago may still be starting its services, so creation (refused once the service exists)
    # and start are tried again.
    path=$(winepath -w "$driver" 2>/dev/null)
    for attempt in 1 2 3 4 5 6 7 8 9 10; do
        quiet wine sc create ZorHlth type= kernel start= demand binPath= "$path" || true
        quiet wine sc start ZorHlth || true
        if wine sc query ZorHlth 2>/dev/null | grep -q RUNNING; then
            exit 0
        fi
        sleep 1
    done
    echo "wine.sh: the test driver did not start" >&2
    exit 1
    ;;
stop)
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    ;;
run)
    exec wine "$@"
    ;;
*)
    echo "wine.sh: unknown command $command" >&2
    exit 2
    ;;
esac
