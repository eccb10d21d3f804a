#!/usr/bin/env bash
# Runs the Windows build under Wine with everything inside the build folder: the Wine prefix, the compiled
# locales (so that en-US and ja-JP can be chosen on a machine that has generated none), and the test health
# driver's service.
#
#   wine.sh BUILD_DIR start          create the prefix if needed, start a persistent server, load the driver
#   wine.sh BUILD_DIR stop           stop the server and every program of the prefix
#   wine.sh BUILD_DIR run PROGRAM [ARGUMENT...]
#   wine.sh BUILD_DIR display PROGRAM [ARGUMENT...]
#                                    run one program on a display: a virtual X display (Xvfb) on a free
#                                    number, a server with the driver started on it, the program, then the
#                                    display stopped and the server started again without one
#
# Programs run with no display (except in the display mode), in en-US unless KESTRAV_WINE_LANG names another
# locale (ja_JP.UTF-8). In the display mode KESTRAV_WINE_DPI gives the display's dots per inch (96 unless
# set), for that one program.
set -euo pipefail

build=$(cd "$1" && pwd)
command=$2
shift 2

export WINEPREFIX="$build/wine-prefix"
export WINEDEBUG="${KESTRAV_WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export LOCPATH="$build/wine-locale"
unset DISPLAY WAYLAND_DISPLAY LC_ALL LC_MESSAGES LC_TIME LC_CTYPE LANGUAGE
export LANG="${KESTRAV_WINE_LANG:-en_US.UTF-8}"
driver="$build/tests/zorhlth.sys"

quiet() {
    "$@" >/dev/null 2>&1
}

# Creates the prefix if needed, starts a persistent server and loads the driver; the server and the programs
# it starts on demand (the desktop among them) inherit DISPLAY as it is now.
start_server() {
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
            return 0
        fi
        sleep 1
    done
    echo "wine.sh: the test driver did not start" >&2
    return 1
}

stop_server() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
}

xvfb_pid=
xvfb_folder=
stop_display() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
    fi
    [ -z "$xvfb_folder" ] || rm -rf "$xvfb_folder"
}

# Starts Xvfb on a free display number (it reports the number once it accepts clients) and exports DISPLAY.
start_display() {
    xvfb_folder=$(mktemp -d)
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$xvfb_folder/display" 2>"$xvfb_folder/log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$xvfb_folder/display" ] && break
        sleep 0.1
    done
    if [ ! -s "$xvfb_folder/display" ]; then
        echo "wine.sh: Xvfb did not start:" >&2
        cat "$xvfb_folder/log" >&2
        return 1
    fi
    export DISPLAY=":$(cat "$xvfb_folder/display")"
}

case "$command" in
start)
    start_server
    ;;
stop)
    stop_server
    ;;
run)
    exec wine "$@"
    ;;
display)
    # The desktop of a server is made once, on the display its first window-making program had, so the
    # server is started anew on the virtual display and again without it afterwards.
    trap 'stop_server; stop_display' EXIT
    trap 'exit 143' TERM INT
    start_display
    stop_server
    start_server
    # The virtual display runs no window manager, so Wine leaves its windows unmanaged; a managed window
    # waits two seconds at each hiding for a manager to acknowledge it.
    quiet wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
    dpi=${KESTRAV_WINE_DPI:-}
    if [ -n "$dpi" ]; then
        # Read by each program as it starts; Wine has read it from both places over its versions.
        quiet wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
        quiet wine reg add 'HKCU\Software\Wine\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f
    fi
    status=0
    wine "$@" || status=$?
    if [ -n "$dpi" ]; then
        quiet wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f || true
        quiet wine reg delete 'HKCU\Software\Wine\Fonts' /v LogPixels /f || true
    fi
    stop_server
    stop_display
    trap - EXIT
    unset DISPLAY
    start_server
    exit "$status"
    ;;
*)
    echo "wine.sh: unknown command $command" >&2
    exit 2
    ;;
esac
