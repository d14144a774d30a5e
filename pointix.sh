#!/usr/bin/env bash
# Quick start for Pointix on Debian 12: installs what is missing, builds the
# module with MinGW-w64 and runs it under Wine.
#   ./pointix.sh demo    show the Mouse properties sheet with the page
#   ./pointix.sh test    build and run the whole test suite
#   ./pointix.sh build   build only
#   ./pointix.sh bench   compare the formatter with glibc's vswprintf
#   ./pointix.sh dist    both modules, Pointix-Setup.exe and the MSI packages into dist/,
#                        signed when POINTIX_SIGN_PKCS12 and POINTIX_SIGN_PASSWORD
#                        name a certificate (POINTIX_SIGN_TIMESTAMP_URL: a timestamp server)
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD
build=${POINTIX_BUILD_DIR:-$root/build}

packages_missing() {
    local missing=()
    command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686)
    command -v i686-w64-mingw32-windres >/dev/null || missing+=(binutils-mingw-w64-i686)
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64)
    command -v x86_64-w64-mingw32-windres >/dev/null || missing+=(binutils-mingw-w64-x86-64)
    command -v makensis >/dev/null || missing+=(nsis)
    command -v wixl >/dev/null || missing+=(wixl)
    command -v msibuild >/dev/null || missing+=(msitools)
    command -v faketime >/dev/null || missing+=(faketime)
    command -v osslsigncode >/dev/null || missing+=(osslsigncode)
    command -v openssl >/dev/null || missing+=(openssl)
    command -v cmake >/dev/null || missing+=(cmake)
    command -v make >/dev/null || missing+=(make)
    command -v Xvfb >/dev/null || missing+=(xvfb)
    command -v wine >/dev/null || missing+=(wine)
    dpkg -s wine32:i386 >/dev/null 2>&1 || missing+=(wine32:i386)
    dpkg -s wine64 >/dev/null 2>&1 || missing+=(wine64)
    [ -f /usr/src/googletest/googletest/src/gtest-all.cc ] || missing+=(googletest)
    command -v clang++ >/dev/null || missing+=(clang)
    dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || missing+=(libclang-rt-14-dev)
    dpkg -s libbenchmark-dev >/dev/null 2>&1 || missing+=(libbenchmark-dev)
    echo "${missing[@]}"
}

install_missing() {
    local missing sudo=()
    missing=$(packages_missing)
    [ -z "$missing" ] && return 0
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: $missing"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo[@]}" dpkg --add-architecture i386
    fi
    "${sudo[@]}" apt-get update -q
    # shellcheck disable=SC2086
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
}

build() {
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
    cmake --build "$build" -j "$(nproc)"
}

# A release build without the tests: the 32-bit tree builds the 64-bit one
# and packs the installer and the MSI packages. Made afresh each time, so
# that nothing of an earlier build (or signature) is left in it.
dist() {
    local out=$root/dist tree=${POINTIX_DIST_BUILD_DIR:-$root/build-dist}
    rm -rf "$tree"
    cmake -S "$root" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$tree" -j "$(nproc)"
    rm -rf "$out"
    mkdir -p "$out/x86" "$out/x64"
    cp "$tree/bin/Pointix.dll" "$out/x86/"
    cp "$tree/x64/bin/Pointix.dll" "$out/x64/"
    cp "$tree/Pointix-Setup.exe" "$tree/Pointix-x64.msi" "$tree/Pointix-x86.msi" "$out/"
    ls -l "$out" "$out/x86" "$out/x64"
    if [ -n "${POINTIX_SIGN_PKCS12:-}" ]; then
        echo "Signed with $POINTIX_SIGN_PKCS12${POINTIX_SIGN_TIMESTAMP_URL:+, timestamped by $POINTIX_SIGN_TIMESTAMP_URL}: both modules, Pointix-Setup.exe with its uninstaller, both MSI packages."
    else
        echo "Unsigned: set POINTIX_SIGN_PKCS12 and POINTIX_SIGN_PASSWORD to sign the release."
    fi
}

session_script=$root/tests/wine-session.sh
no32_text="this host's kernel cannot run 32-bit programs"

# Registers both modules (each with its own regsvr32) and opens the Mouse
# properties through the 64-bit host, as 64-bit Windows does; "demo x86"
# opens the 32-bit one. On a host that cannot run 32-bit programs only the
# 64-bit module is registered and shown.
demo() {
    session=$build/demo-wine
    local arch=$1 wine32=$2 host
    host=$build/x64/bin/MouseHost.exe
    [ "$arch" = x86 ] && host=$build/bin/MouseHost.exe
    if [ -n "${DISPLAY:-}" ]; then
        export POINTIX_REAL_DISPLAY=$DISPLAY
    fi
    export POINTIX_KEEP_PREFIX=1
    "$session_script" start "$session"
    trap '"$session_script" stop "$session"' EXIT
    "$session_script" run "$session" 'C:\windows\system32\regsvr32.exe' /s "$build/x64/bin/Pointix.dll"
    if [ "$wine32" = yes ]; then
        "$session_script" run "$session" 'C:\windows\syswow64\regsvr32.exe' /s "$build/bin/Pointix.dll"
    else
        echo "The 32-bit module was built ($build/bin/Pointix.dll) but cannot be shown: $no32_text."
    fi
    if [ -n "${DISPLAY:-}" ]; then
        "$session_script" run "$session" "$host"
    else
        local shot
        shot=$build/Einstellungen.png
        "$session_script" run "$session" "$host" --page Einstellungen --screenshot "Z:${shot//\//\\}"
        shot=$build/ZeigenUndZiehen.png
        "$session_script" run "$session" "$host" --page "Zeigen und Ziehen" --screenshot "Z:${shot//\//\\}"
        echo "No DISPLAY: the sheet was shown under Xvfb; screenshots of both pages in $build/Einstellungen.png and $build/ZeigenUndZiehen.png"
    fi
}

# After a test run: what did not run because this host cannot run 32-bit
# programs, whole programs that CTest skipped and tests inside the 64-bit
# programs that skipped themselves, each by name.
report_skipped() {
    local log=$build/Testing/Temporary/LastTest.log
    [ -f "$log" ] || return 0
    awk -v reason="$no32_text" '
        /^[0-9]+\/[0-9]+ Test: / { test = $3; flagged = 0 }
        /^\[ RUN / { flagged = 0 }
        index($0, reason) {
            if ($1 == "Skipped") skipped[++n] = test " (the whole 32-bit program)"
            else flagged = 1
        }
        /^\[  SKIPPED \] [^ ]+ \(/ && flagged { skipped[++n] = test ": " $4; flagged = 0 }
        END {
            if (n == 0) exit
            print "Not run here, because " reason ":"
            for (i = 1; i <= n; i++) print "  " skipped[i]
        }' "$log"
}

case "${1:-}" in
build)
    install_missing
    build
    ;;
test)
    install_missing
    build
    status=0
    # Two at a time: tests without Wine run beside the Wine tests, which
    # take turns among themselves.
    ctest --test-dir "$build" --output-on-failure -j 2 || status=$?
    report_skipped
    exit $status
    ;;
demo)
    install_missing
    arch=${2:-x64}
    wine32=yes
    "$session_script" probe || wine32=no
    if [ "$wine32" = no ] && [ "$arch" = x86 ]; then
        echo "demo x86: $no32_text, so the 32-bit Mouse properties cannot be shown here; try './pointix.sh demo'." >&2
        exit 3
    fi
    build
    demo "$arch" "$wine32"
    ;;
dist)
    install_missing
    dist
    ;;
bench)
    install_missing
    build
    "$build/native/formatter_bench"
    ;;
*)
    echo "usage: $0 demo|test|build|bench|dist" >&2
    exit 2
    ;;
esac
