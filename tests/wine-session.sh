#!/usr/bin/env bash
# One Wine session for a whole test run: a project-local prefix, one Xvfb
# display and one wineserver that stays up until the run ends.
#   wine-session.sh start <dir>   make the prefix, start Xvfb and wineserver
#       POINTIX_REAL_DISPLAY=:0 uses that display instead of an Xvfb of its own;
#       POINTIX_KEEP_PREFIX=1 keeps a prefix made by an earlier start.
#   wine-session.sh stop <dir>    stop exactly the wineserver and Xvfb started here
#   wine-session.sh run <dir> <program> [args...]   run a program in the session
set -u
action=$1
dir=$(realpath -m "$2")
shift 2
state="$dir/session.env"

session_env() {
    export WINEPREFIX="$dir/prefix"
    export WINEARCH=win64
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=${POINTIX_EXTRA_OVERRIDES:+;$POINTIX_EXTRA_OVERRIDES}"
    # shellcheck disable=SC1090
    [ -f "$state" ] && . "$state"
    export DISPLAY="${POINTIX_DISPLAY:-}"
}

free_display() {
    local n
    for n in $(seq 90 190); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            echo "$n"
            return 0
        fi
    done
    return 1
}

start_xvfb() {
    local n xvfb_pid
    n=$(free_display) || { echo "no free X display" >&2; return 1; }
    # Background processes get no handle of ours: CTest waits until every
    # holder of the test's output has closed it.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start:" >&2; cat "$dir/xvfb.log" >&2; return 1; }
        sleep 0.1
    done
    printf 'POINTIX_DISPLAY=:%s\nPOINTIX_XVFB_PID=%s\n' "$n" "$xvfb_pid" >"$state"
}

case "$action" in
start)
    mkdir -p "$dir"
    # Leftovers of a run that was cut short: its wineserver would keep the
    # prefix busy.
    [ -f "$state" ] && "$0" stop "$dir"
    if [ -n "${POINTIX_REAL_DISPLAY:-}" ]; then
        printf 'POINTIX_DISPLAY=%s\nPOINTIX_XVFB_PID=\n' "$POINTIX_REAL_DISPLAY" >"$state"
    else
        start_xvfb || exit 1
    fi
    session_env
    # A fresh prefix for every test run: nothing registered by an earlier
    # run can leak into this one.
    [ -n "${POINTIX_KEEP_PREFIX:-}" ] || rm -rf "$WINEPREFIX"
    wineboot -i </dev/null >"$dir/wineboot.log" 2>&1 || { echo "wineboot failed:" >&2; cat "$dir/wineboot.log" >&2; exit 1; }
    wineserver -w </dev/null >/dev/null 2>&1
    wineserver -p </dev/null >/dev/null 2>&1
    if [ -z "${POINTIX_REAL_DISPLAY:-}" ]; then
        # Xvfb runs no window manager. Wine then waits two seconds for one
        # whenever a managed window is hidden or destroyed; unmanaged
        # windows need no manager at all.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    fi
    echo "Wine session on display $DISPLAY, prefix $WINEPREFIX"
    ;;
stop)
    session_env
    if [ -d "$WINEPREFIX" ]; then
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
    fi
    if [ -n "${POINTIX_XVFB_PID:-}" ]; then
        kill "$POINTIX_XVFB_PID" 2>/dev/null
        wait "$POINTIX_XVFB_PID" 2>/dev/null
    fi
    rm -f "$state"
    ;;
run)
    session_env
    [ -n "$DISPLAY" ] || { echo "no Wine session: run '$0 start $dir' first" >&2; exit 1; }
    # Wine starts helper processes (services, the desktop) on demand, and
    # they inherit the output handles. Output goes to a file first, so no
    # helper that lives on holds the caller's pipes open.
    out=$(mktemp "$dir/run.XXXXXX")
    wine "$@" </dev/null >"$out" 2>&1
    rc=$?
    cat "$out"
    rm -f "$out"
    exit $rc
    ;;
*)
    echo "usage: $0 start|stop|run <dir> ..." >&2
    exit 2
    ;;
esac
