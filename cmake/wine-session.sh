#!/usr/bin/env bash
# The Wine session of one build tree: a private prefix, a virtual X display of
# 1024x768x24 and a persistent wineserver.
#   wine-session.sh up BUILD_DIR      start (creates the prefix on first use)
#   wine-session.sh down BUILD_DIR    stop
#   wine-session.sh run BUILD_DIR EXE [ARGS...]   run a program in the session
# ctest runs every test executable through "run" (the cross-compiling emulator).
set -euo pipefail

cmd=$1
build=$(cd "$2" && pwd)
shift 2
state="$build/wine"
export WINEPREFIX="$state/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

display_file="$state/display"

start_display() {
    if [ -f "$display_file" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
        return
    fi
    local fifo="$state/displayfd"
    rm -f "$fifo"
    mkfifo "$fifo"
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" \
        </dev/null >/dev/null 2>&1 &
    echo $! >"$state/xvfb.pid"
    local number
    read -r number <"$fifo"
    rm -f "$fifo"
    echo ":$number" >"$display_file"
}

create_prefix() {
    [ -f "$WINEPREFIX/.w32k-ready" ] && return
    rm -rf "$WINEPREFIX"
    wine cmd /c exit >/dev/null 2>&1 || true
    # Without a window manager Wine waits ~2 s per hidden window unless unmanaged;
    # a crash must end the test, not wait in a dialog.
    wineserver -w
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 ||
        { echo "wine-session: could not configure the prefix" >&2; return 1; }
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 ||
        { echo "wine-session: could not configure the prefix" >&2; return 1; }
    wineserver -w
    touch "$WINEPREFIX/.w32k-ready"
}

case "$cmd" in
up)
    mkdir -p "$state"
    start_display
    export DISPLAY=$(cat "$display_file")
    create_prefix
    # A persistent wineserver, detached, so no test waits on Wine's background
    # processes holding its output pipe.
    setsid wineserver -p </dev/null >/dev/null 2>&1 &
    setsid wine cmd /c exit </dev/null >/dev/null 2>&1
    ;;
down)
    wineserver -k 2>/dev/null || true
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid" "$display_file"
    fi
    ;;
run)
    if [ ! -f "$display_file" ]; then
        "$0" up "$build"
    fi
    export DISPLAY=$(cat "$display_file")
    exec wine "$@"
    ;;
*)
    echo "usage: $0 up|down|run BUILD_DIR [EXE ARGS...]" >&2
    exit 2
    ;;
esac
