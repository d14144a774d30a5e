#!/usr/bin/env bash
# The ARM64 side of the tests: Debian's own arm64 Wine, in an arm64 Debian
# root that runs under qemu-user through binfmt_misc. Made once, kept under
# the build folder.
#   arm64-root.sh make <root>     makes the root with Wine in it, once
#   arm64-root.sh why-not <root>  prints why ARM64 programs cannot run here,
#                                 nothing when they can
#   arm64-root.sh run <root> <shared dir>... -- <command> [args...]
#       runs a command of the root, with the shared directories at the same
#       paths inside it, in a mount namespace of its own: what it mounts
#       is gone when its last process ends, and the host sees none of it.
# POINTIX_FORCE_NO_ARM64=1 answers why-not with a reason on any host, to try
# the path of hosts that cannot run the ARM64 side.
set -u
action=${1:-}
root=$(realpath -m "${2:-.}")
binfmt=/proc/sys/fs/binfmt_misc
handler=$binfmt/qemu-aarch64

# The kernel hands arm64 programs to qemu when binfmt_misc is mounted and
# the qemu-user-static handler is registered; both are set up when missing.
# The handler's F flag opens qemu once, so the root needs no copy of it.
enable_qemu() {
    [ -f "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || return 1
    [ -f "$handler" ] || update-binfmts --enable qemu-aarch64 >/dev/null 2>&1 || update-binfmts --import qemu-aarch64 >/dev/null 2>&1
    grep -qx enabled "$handler" 2>/dev/null
}

# What keeps this host from running arm64 programs at all.
host_why_not() {
    if [ -n "${POINTIX_FORCE_NO_ARM64:-}" ]; then
        echo "POINTIX_FORCE_NO_ARM64 is set"
    elif [ "$(id -u)" -ne 0 ]; then
        echo "the ARM64 Wine root needs chroot and mounts, which need root, and this run is not root"
    elif ! enable_qemu; then
        echo "this kernel has no binfmt_misc handler for ARM64 programs (qemu-aarch64), so ARM64 Wine cannot start"
    fi
}

why_not() {
    local reason
    reason=$(host_why_not)
    if [ -z "$reason" ] && [ ! -f "$root/.complete" ]; then
        reason="the arm64 Debian root with Wine could not be made (see $root.log)"
    fi
    [ -z "$reason" ] || echo "$reason"
}

# The shared directories are bind-mounted at their own paths; /proc, /dev
# and the host's X sockets are what Wine needs besides.
run_in_root() {
    local shared=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        shared+=("$(realpath -m "$1")")
        shift
    done
    shift
    unshare --mount --propagation private -- sh -c '
        set -e
        root=$1 count=$2
        shift 2
        mount -t proc proc "$root/proc"
        mount --rbind /dev "$root/dev"
        mkdir -p /tmp/.X11-unix "$root/tmp/.X11-unix"
        mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
        while [ "$count" -gt 0 ]; do
            mkdir -p "$root$1"
            mount --bind "$1" "$root$1"
            shift
            count=$((count - 1))
        done
        exec chroot "$root" "$@"' sh "$root" "${#shared[@]}" "${shared[@]}" "$@"
}

make_root() {
    local codename mirror started reason
    [ -f "$root/.complete" ] && return 0
    reason=$(host_why_not)
    [ -z "$reason" ] || { echo "ARM64 Wine: not made, because $reason" >&2; return 1; }
    started=$(date +%s)
    # shellcheck disable=SC1091
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    mirror=$(apt-cache policy | awk -v suite="$codename/main" '$3 == suite { print $2; exit }')
    [ -n "$mirror" ] || { echo "no Debian mirror for $codename in the apt sources" >&2; return 1; }
    echo "ARM64 Wine: making an arm64 Debian root with Wine in $root"
    rm -rf "$root"
    {
        debootstrap --arch=arm64 --foreign --variant=minbase "$codename" "$root" "$mirror" &&
            chroot "$root" /debootstrap/debootstrap --second-stage &&
            cp /etc/resolv.conf "$root/etc/resolv.conf" &&
            run_in_root -- env DEBIAN_FRONTEND=noninteractive sh -c \
                'apt-get update -q && apt-get install -y -q --no-install-recommends wine wine64 && apt-get clean'
    } >"$root.log" 2>&1 || { echo "ARM64 Wine: making the root failed, see $root.log" >&2; return 1; }
    touch "$root/.complete"
    echo "ARM64 Wine: root ready in $(($(date +%s) - started)) s ($(du -sh "$root" | cut -f1))"
}

case "$action" in
make) make_root ;;
why-not) why_not ;;
run)
    shift 2
    run_in_root "$@"
    ;;
*)
    echo "usage: $0 make|why-not <root> | run <root> <shared dir>... -- <command> [args...]" >&2
    exit 2
    ;;
esac
