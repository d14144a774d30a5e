#!/usr/bin/env bash
# One Wine session for a whole test run: a project-local prefix, one Xvfb
# display and one wineserver that stays up until the run ends.
#   wine-session.sh probe         exit 0 when this host runs 32-bit programs,
#                                 else says why (exit 1: the kernel refuses them,
#                                 2: 32-bit Wine is missing or does not start)
#   wine-session.sh start <dir> [arm64 <root> <shared dir>...]
#       make the prefix, start Xvfb and wineserver; with arm64, the session
#       is one of ARM64 Wine in the arm64 root of arm64-root.sh, which sees
#       the shared directories (the source and build trees) at their paths
#       POINTIX_REAL_DISPLAY=:0 uses that display instead of an Xvfb of its own;
#       POINTIX_LOCALE=en_US.UTF-8 runs Wine in that locale instead of de_DE.UTF-8;
#       POINTIX_KEEP_PREFIX=1 keeps a prefix made by an earlier start.
#   wine-session.sh stop <dir>    stop exactly the wineserver and Xvfb started here
#   wine-session.sh run <dir> <program> [args...]   run a program in the session
#
# Some kernels cannot run 32-bit programs at all. There the 32-bit Wine
# loader fails with "Exec format error", so every Wine call goes through the
# 64-bit loader, and a 32-bit test program is reported as skipped (exit code
# 77) instead of being run. POINTIX_FORCE_NO_32BIT=1 takes that path on any
# host, to try it. Where ARM64 Wine cannot run (see arm64-root.sh why-not),
# every program of an arm64 session is reported as skipped the same way.
set -u
action=$1
wine32_loader=/usr/lib/wine/wine
wine64_loader=/usr/lib/wine/wine64
skip_code=77
arm64_root=$(dirname "$(realpath "$0")")/arm64-root.sh

# Found by trying: the 32-bit loader either starts or the kernel refuses it.
runs_32bit() {
    [ -z "${POINTIX_FORCE_NO_32BIT:-}" ] || return 1
    "$wine32_loader" --version </dev/null >/dev/null 2>&1
}

# Why the 32-bit side cannot run: a kernel that refuses the 32-bit loader
# (returns 1), no 32-bit Wine at all because its packages could not be
# installed, or one that is installed but does not start (returns 2).
no32_why() {
    local out
    if [ -n "${POINTIX_FORCE_NO_32BIT:-}" ]; then
        echo "this host's kernel cannot run 32-bit programs"
        return 1
    elif [ ! -e "$wine32_loader" ]; then
        echo "32-bit Wine (wine32:i386) is not installed on this host"
    elif out=$("$wine32_loader" --version </dev/null 2>&1) || [[ $out != *"Exec format error"* ]]; then
        echo "32-bit Wine is installed but does not start on this host"
    else
        echo "this host's kernel cannot run 32-bit programs"
        return 1
    fi
    return 2
}
# What a session without the 32-bit side says, given why.
no32_reason() { echo "$1, so the 32-bit module and the 32-bit installer cannot be run here"; }

# Says why when the answer is no, with the exit code of no32_why.
if [ "$action" = probe ]; then
    runs_32bit && exit 0
    no32_why
    exit
fi

dir=$(realpath -m "$2")
shift 2
state="$dir/session.env"

session_env() {
    export WINEPREFIX="$dir/prefix"
    export WINEARCH=win64
    export WINEDEBUG=-all
    # Without its debugger, a program that crashes ends at once and its test
    # fails; Wine's debugger, with no one to answer it, waits until the
    # test's time is up.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d${POINTIX_EXTRA_OVERRIDES:+;$POINTIX_EXTRA_OVERRIDES}"
    # shellcheck disable=SC1090
    [ -f "$state" ] && . "$state"
    export DISPLAY="${POINTIX_DISPLAY:-}"
    # Test programs read them to skip, by name, what needs the 32-bit side,
    # and to say why: in the words of no32_reason, which the skip report
    # groups by.
    export POINTIX_WINE32="${POINTIX_WINE32:-1}"
    export POINTIX_NO32_REASON=""
    [ -z "${POINTIX_NO32_WHY:-}" ] || POINTIX_NO32_REASON=$(no32_reason "$POINTIX_NO32_WHY")
    # Wine takes the user's language and number format from LC_ALL: the
    # pages speak German unless the caller asks for another locale
    # (POINTIX_LOCALE, en_US.UTF-8 say). Set for Wine alone, through env:
    # the host need not have the locale.
    local locale=(env "LC_ALL=${POINTIX_LOCALE:-de_DE.UTF-8}")
    if [ -n "${POINTIX_ARM64_ROOT:-}" ]; then
        # Debian's arm64 Wine, started inside its root.
        local root=("$arm64_root" run "$POINTIX_ARM64_ROOT" "${POINTIX_ARM64_SHARED[@]}" --)
        wine=("${root[@]}" "${locale[@]}" /usr/lib/wine/wine64)
        wineserver=("${root[@]}" /usr/lib/wine/wineserver)
        export WINELOADER=/usr/lib/wine/wine64
    elif [ "$POINTIX_WINE32" = 1 ]; then
        wine=("${locale[@]}" wine)
        wineserver=(wineserver)
    else
        # Debian's wine wrapper always tries the 32-bit loader first.
        wine=("${locale[@]}" "$wine64_loader")
        wineserver=(wineserver)
        export WINELOADER=$wine64_loader
    fi
}

# Xvfb takes the first free display itself and says which (-displayfd):
# two sessions started at the same time cannot pick the same one.
start_xvfb() {
    local n xvfb_pid
    rm -f "$dir/display"
    # Background processes get no handle of ours: CTest waits until every
    # holder of the test's output has closed it.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" </dev/null >"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        n=$(tr -dc 0-9 <"$dir/display")
        [ -n "$n" ] && [ -e "/tmp/.X11-unix/X$n" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start:" >&2; cat "$dir/xvfb.log" >&2; return 1; }
        sleep 0.1
    done
    [ -n "$n" ] || { echo "Xvfb named no display" >&2; return 1; }
    printf 'POINTIX_DISPLAY=:%s\nPOINTIX_XVFB_PID=%s\n' "$n" "$xvfb_pid" >>"$state"
}

# i386 or amd64 for a PE file, nothing for anything else.
pe_machine() {
    local offset machine
    [ -f "$1" ] || return 0
    offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$offset" ] || return 0
    machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
    case "$machine" in
    014c) echo i386 ;;
    8664) echo amd64 ;;
    aa64) echo arm64 ;;
    esac
}

case "$action" in
start)
    mkdir -p "$dir"
    # Leftovers of a run that was cut short: its wineserver would keep the
    # prefix busy.
    [ -f "$state" ] && "$0" stop "$dir"
    if [ "${1:-}" = arm64 ]; then
        reason=$("$arm64_root" why-not "$2")
        if [ -n "$reason" ]; then
            printf 'POINTIX_ARM64_SKIP=%q\n' "$reason" >"$state"
            echo "No ARM64 Wine: $reason; the ARM64 tests are skipped."
            exit 0
        fi
        printf 'POINTIX_WINE32=0\nPOINTIX_NO32_WHY=%q\nPOINTIX_ARM64_ROOT=%q\nPOINTIX_ARM64_SHARED=(' \
            "ARM64 Wine runs no x86 programs" "$(realpath "$2")" >"$state"
        shift 2
        for shared in "$@"; do
            printf '%q ' "$(realpath -m "$shared")" >>"$state"
        done
        echo ')' >>"$state"
    elif runs_32bit; then
        echo "POINTIX_WINE32=1" >"$state"
    else
        why=$(no32_why)
        printf 'POINTIX_WINE32=0\nPOINTIX_NO32_WHY=%q\n' "$why" >"$state"
        echo "No 32-bit Wine: $(no32_reason "$why"); 64-bit programs run through $wine64_loader."
    fi
    if [ -n "${POINTIX_REAL_DISPLAY:-}" ]; then
        printf 'POINTIX_DISPLAY=%s\nPOINTIX_XVFB_PID=\n' "$POINTIX_REAL_DISPLAY" >>"$state"
    else
        start_xvfb || exit 1
    fi
    session_env
    # A fresh prefix for every test run: nothing registered by an earlier
    # run can leak into this one.
    [ -n "${POINTIX_KEEP_PREFIX:-}" ] || rm -rf "$WINEPREFIX"
    "${wine[@]}" wineboot.exe -i </dev/null >"$dir/wineboot.log" 2>&1 || { echo "wineboot failed:" >&2; cat "$dir/wineboot.log" >&2; exit 1; }
    "${wineserver[@]}" -w </dev/null >/dev/null 2>&1
    "${wineserver[@]}" -p </dev/null >/dev/null 2>&1
    if [ -z "${POINTIX_REAL_DISPLAY:-}" ]; then
        # Xvfb runs no window manager. Wine then waits two seconds for one
        # whenever a managed window is hidden or destroyed; unmanaged
        # windows need no manager at all.
        "${wine[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    fi
    echo "Wine session on display $DISPLAY, prefix $WINEPREFIX${POINTIX_ARM64_ROOT:+, ARM64 Wine in $POINTIX_ARM64_ROOT}"
    ;;
stop)
    session_env
    if [ -d "$WINEPREFIX" ] && [ -z "${POINTIX_ARM64_SKIP:-}" ]; then
        "${wineserver[@]}" -k 2>/dev/null
        "${wineserver[@]}" -w 2>/dev/null
    fi
    if [ -n "${POINTIX_XVFB_PID:-}" ]; then
        kill "$POINTIX_XVFB_PID" 2>/dev/null
        wait "$POINTIX_XVFB_PID" 2>/dev/null
    fi
    rm -f "$state"
    ;;
run)
    session_env
    if [ -n "${POINTIX_ARM64_SKIP:-}" ]; then
        # The reason is the program's whole output: the skip report reads it
        # from what CTest recorded.
        echo "ARM64 Wine cannot run here: $POINTIX_ARM64_SKIP"
        exit $skip_code
    fi
    [ -n "$DISPLAY" ] || { echo "no Wine session: run '$0 start $dir' first" >&2; exit 1; }
    if [ "$POINTIX_WINE32" = 0 ] && [ "$(pe_machine "$1")" = i386 ]; then
        echo "$POINTIX_NO32_REASON"
        exit $skip_code
    fi
    # Wine starts helper processes (services, the desktop) on demand, and
    # they inherit the output handles. Output goes to a file first, so no
    # helper that lives on holds the caller's pipes open.
    out=$(mktemp "$dir/run.XXXXXX")
    "${wine[@]}" "$@" </dev/null >"$out" 2>&1
    rc=$?
    cat "$out"
    rm -f "$out"
    exit $rc
    ;;
*)
    echo "usage: $0 probe | start <dir> [arm64 <root> <shared dir>...] | stop|run <dir> ..." >&2
    exit 2
    ;;
esac
