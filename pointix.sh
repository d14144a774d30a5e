#!/usr/bin/env bash
# Quick start for Pointix on Debian 12: installs what is missing, builds the
# modules (x86 and x64 with MinGW-w64, ARM64 with clang) and runs them under
# Wine (ARM64 Wine in an arm64 Debian root under qemu-user).
#   ./pointix.sh demo [x86|arm64] [de|en]   show the Mouse properties sheet with the pages,
#                        in the language the host's locale maps to, or in German or English
#   ./pointix.sh test    build and run the whole test suite, for all modules
#   ./pointix.sh build   build only
#   ./pointix.sh bench   compare the formatter with glibc's vswprintf; time opening
#                        the sheet and drawing the acceleration curve
#   ./pointix.sh dist    both modules, Pointix-Setup.exe and the MSI packages into dist/,
#                        signed when POINTIX_SIGN_PKCS12 and POINTIX_SIGN_PASSWORD
#                        name a certificate (POINTIX_SIGN_TIMESTAMP_URL: a timestamp server)
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD
build=${POINTIX_BUILD_DIR:-$root/build}

# What is missing for a command: "all" for the tests, which also run the
# ARM64 programs; "modules" for what builds and shows the modules.
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
    # The ARM64 module: clang 14 with LLVM's tools, lld 19.
    command -v clang-14 >/dev/null || missing+=(clang-14)
    command -v llvm-readobj-14 >/dev/null || missing+=(llvm-14)
    command -v ld.lld-19 >/dev/null || missing+=(lld-19)
    dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || missing+=(libclang-rt-14-dev)
    dpkg -s libbenchmark-dev >/dev/null 2>&1 || missing+=(libbenchmark-dev)
    if [ "$1" = all ]; then
        # The ARM64 programs' runtime, and Debian's arm64 Wine run here.
        command -v qemu-aarch64-static >/dev/null || missing+=(qemu-user-static)
        command -v update-binfmts >/dev/null || missing+=(binfmt-support)
        command -v debootstrap >/dev/null || missing+=(debootstrap)
        command -v bzip2 >/dev/null || missing+=(bzip2)
        command -v xz >/dev/null || missing+=(xz-utils)
    fi
    echo "${missing[@]}"
}

apt_install() {
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"
}

# Both Wine loaders start, or the 32-bit one only because the kernel
# refuses 32-bit programs, which the tests report themselves.
wine_loaders_start() {
    /usr/lib/wine/wine64 --version </dev/null >/dev/null 2>&1 || return 1
    local code=0
    "$session_script" probe >/dev/null || code=$?
    [ $code -ne 2 ]
}

# What the command needs ("all" or "modules", see packages_missing).
install_missing() {
    local missing suite attempt
    sudo=()
    missing=$(packages_missing "$1")
    [ -z "$missing" ] && return 0
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: $missing"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo[@]}" dpkg --add-architecture i386
    fi
    # A mirror in the middle of a sync refuses an index now and then: try
    # again, and install from the lists there are if it keeps refusing.
    for attempt in 1 2 3; do
        "${sudo[@]}" apt-get update -q && break
        [ "$attempt" -lt 3 ] && sleep 20
    done
    # shellcheck disable=SC2086
    apt_install $missing && return 0
    [[ " $missing " == *" wine32:i386 "* ]] || return 1
    # Without the security suite's i386 index (a mirror out of step) the
    # i386 half of Wine and its libraries exist only in the release itself,
    # while their amd64 twins, which must have the same version, would come
    # from the security suite. So everything comes from the release, in one
    # transaction: what is here already stays or is upgraded, and is never
    # removed (--no-remove) or downgraded (-y refuses that).
    # shellcheck disable=SC1091
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "Trying again with every new package from $suite, so that both halves of Wine match."
    # shellcheck disable=SC2086
    apt_install --no-remove -t "$suite" $missing && wine_loaders_start && return 0
    echo "32-bit Wine (wine32:i386) could not be installed; the 32-bit programs will be reported as skipped."
    # shellcheck disable=SC2086
    apt_install ${missing/wine32:i386/}
}

arm64_sdk=$build/arm64-sdk
arm64_root=$build/arm64-root

# What the ARM64 side needs, made once and kept in the build folder: the C
# and C++ runtime for its programs, and the arm64 root with Wine (only where
# this host can run it; elsewhere the ARM64 tests are reported as skipped).
# The two are made side by side.
prepare_arm64() {
    local root_status=0
    mkdir -p "$build"
    "$root/tests/arm64-root.sh" make "$arm64_root" >"$build/arm64-root-make.log" 2>&1 &
    local maker=$!
    "$root/tools/arm64-sdk.sh" "$arm64_sdk"
    wait $maker || root_status=$?
    cat "$build/arm64-root-make.log"
    [ $root_status -eq 0 ] || echo "ARM64 Wine is not available here; the ARM64 tests will be reported as skipped."
}

# The modules and the programs that run them, in every tree: all of them,
# or (with demo_parts) only the modules and MouseHost.exe. The ARM64
# programs need the runtime that only the tests and "demo arm64" make
# (prepare_arm64); once it is there, they are built every time.
build() {
    local target=${1:-all} sdk=""
    [ -f "$arm64_sdk/.complete" ] && sdk=$arm64_sdk
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
        -DPOINTIX_ARM64_SDK="$sdk" -DPOINTIX_ARM64_ROOT="$arm64_root" -DPOINTIX_COMPANION_TARGET="$target" >/dev/null
    cmake --build "$build" -j "$(nproc)" --target "$target"
}

# A release build without the tests: the main tree builds the trees of the
# other architectures and packs the installer and the MSI packages; its
# install step puts them into dist/. Made afresh each time, so that nothing
# of an earlier build (or signature) is left in it.
dist() {
    local out=$root/dist tree=${POINTIX_DIST_BUILD_DIR:-$root/build-dist}
    rm -rf "$tree"
    cmake -S "$root" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$tree" -j "$(nproc)"
    rm -rf "$out"
    cmake --install "$tree" --prefix "$out" >/dev/null
    find "$out" -type f -printf '%P %s bytes\n' | sort
    if [ -n "${POINTIX_SIGN_PKCS12:-}" ]; then
        echo "Signed with $POINTIX_SIGN_PKCS12${POINTIX_SIGN_TIMESTAMP_URL:+, timestamped by $POINTIX_SIGN_TIMESTAMP_URL}: every module, Pointix-Setup.exe with its uninstaller, every MSI package."
    else
        echo "Unsigned: set POINTIX_SIGN_PKCS12 and POINTIX_SIGN_PASSWORD to sign the release."
    fi
}

session_script=$root/tests/wine-session.sh
# Why this host cannot run 32-bit programs (set by the command that asks).
no32_text=""

# Registers both modules (each with its own regsvr32) and opens the Mouse
# properties through the 64-bit host, as 64-bit Windows does; "demo x86"
# opens the 32-bit one. On a host that cannot run 32-bit programs only the
# 64-bit module is registered and shown. "demo arm64" registers the ARM64
# module in ARM64 Wine and opens its host there. Wine runs in the locale
# POINTIX_LOCALE names, which decides the language of the pages.
demo() {
    local arch=$1 wine32=$2 host shots=""
    # Global: the trap that stops the session runs when the script exits.
    session=$build/demo-wine
    local start=("$session_script" start "$session")
    host=$build/x64/bin/MouseHost.exe
    [ "$arch" = x86 ] && host=$build/bin/MouseHost.exe
    if [ "$arch" = arm64 ]; then
        session=$build/demo-wine-arm64
        start=("$session_script" start "$session" arm64 "$arm64_root" "$root" "$build")
        host=$build/arm64/bin/MouseHost.exe
        shots=-arm64
    fi
    if [ -n "${DISPLAY:-}" ]; then
        export POINTIX_REAL_DISPLAY=$DISPLAY
    fi
    export POINTIX_KEEP_PREFIX=1
    "${start[@]}"
    trap '"$session_script" stop "$session"' EXIT
    if [ "$arch" = arm64 ]; then
        "$session_script" run "$session" 'C:\windows\system32\regsvr32.exe' /s "$build/arm64/bin/Pointix.dll"
    else
        "$session_script" run "$session" 'C:\windows\system32\regsvr32.exe' /s "$build/x64/bin/Pointix.dll"
        if [ "$wine32" = yes ]; then
            "$session_script" run "$session" 'C:\windows\syswow64\regsvr32.exe' /s "$build/bin/Pointix.dll"
        else
            echo "The 32-bit module was built ($build/bin/Pointix.dll) but cannot be shown: $no32_text."
        fi
    fi
    if [ -n "${DISPLAY:-}" ]; then
        "$session_script" run "$session" "$host"
    else
        local page shot saved=() pages=(Einstellungen:Einstellungen "Zeigen und Ziehen:ZeigenUndZiehen"
            Beschleunigungskurve:Beschleunigungskurve)
        # Each page's title and the name of its screenshot, which says
        # when the pages are English.
        if [[ $POINTIX_LOCALE != de* ]]; then
            pages=(Settings:Einstellungen "Point and Drag:ZeigenUndZiehen" "Acceleration Curve:Beschleunigungskurve")
            shots+=-en
        fi
        for page in "${pages[@]}"; do
            shot=$build/${page#*:}$shots.png
            "$session_script" run "$session" "$host" --page "${page%%:*}" --screenshot "Z:${shot//\//\\}"
            saved+=("$shot")
        done
        echo "No DISPLAY: the sheet was shown under Xvfb; screenshots of its pages in ${saved[*]}"
    fi
}

# After a test run: what did not run here, grouped by the reason each test
# gave, all of it read from what CTest recorded (its JUnit file): a program
# the Wine session could not run has the status "notrun" and its reason as
# the last line of its output; a test that skipped itself inside a program
# that ran has its reason in GoogleTest's lines between "…: Skipped" and
# "[  SKIPPED ] <name>".
junit=$build/Testing/results.xml
report_skipped() {
    [ -f "$junit" ] || return 0
    awk '
        function text(s) {
            gsub(/&lt;/, "<", s); gsub(/&gt;/, ">", s); gsub(/&quot;/, "\"", s); gsub(/&apos;/, "\047", s)
            gsub(/&amp;/, "\\&", s); sub(/\r$/, "", s)
            return s
        }
        function add(reason, what) {
            if (reason == "") reason = "no reason was recorded"
            if (!(reason in tests)) order[++n] = reason
            tests[reason] = tests[reason] "\n    " what
        }
        /<testcase / {
            match($0, /name="[^"]*"/); test = substr($0, RSTART + 6, RLENGTH - 7)
            notrun = index($0, "status=\"notrun\"") > 0; last = ""; reading = 0
        }
        /<system-out>/ { output = 1; sub(/.*<system-out>/, "") }
        output {
            ended = sub(/<\/system-out>.*/, "")
            line = text($0)
            if (reading && line ~ /^\[  SKIPPED \] /) { split(line, field, " "); add(why, test ": " field[4]); reading = 0 }
            else if (reading) why = why (why == "" ? "" : " ") line
            else if (line ~ /: Skipped$/) { reading = 1; why = "" }
            else if (line != "") last = line
            if (ended) { output = 0; if (notrun) add(last, test " (the whole program)") }
        }
        END {
            if (n == 0) exit
            print "Skipped here, each with the reason it gave:"
            for (i = 1; i <= n; i++) print "  " order[i] ":" tests[order[i]]
        }' "$junit"
}

case "${1:-}" in
build)
    install_missing modules
    build
    ;;
test)
    install_missing all
    prepare_arm64
    build
    status=0
    # Two at a time: tests without Wine run beside the Wine tests, which
    # take turns among themselves, one session at a time each.
    # The whole output of every test goes into the record, for the skip report.
    ctest --test-dir "$build" --output-on-failure -j 2 --output-junit "$junit" --test-output-size-passed 16777216 || status=$?
    report_skipped
    exit $status
    ;;
demo)
    arch=x64
    # The host's locale, as Wine would take it; "de" or "en" names one.
    POINTIX_LOCALE=${LC_ALL:-${LC_MESSAGES:-${LANG:-C.UTF-8}}}
    for arg in "${@:2}"; do
        case "$arg" in
        x86 | arm64) arch=$arg ;;
        de) POINTIX_LOCALE=de_DE.UTF-8 ;;
        en) POINTIX_LOCALE=en_US.UTF-8 ;;
        *) echo "usage: $0 demo [x86|arm64] [de|en]" >&2; exit 2 ;;
        esac
    done
    export POINTIX_LOCALE
    if [ "$arch" = arm64 ]; then
        install_missing all
        prepare_arm64
    else
        install_missing modules
    fi
    wine32=yes
    no32_text=$("$session_script" probe) || wine32=no
    if [ "$wine32" = no ] && [ "$arch" = x86 ]; then
        echo "demo x86: $no32_text, so the 32-bit Mouse properties cannot be shown here; try './pointix.sh demo'." >&2
        exit 3
    fi
    build demo_parts
    if [ "$arch" = arm64 ]; then
        reason=$("$root/tests/arm64-root.sh" why-not "$arm64_root")
        if [ -n "$reason" ]; then
            echo "demo arm64: ARM64 Wine cannot run here: $reason. The ARM64 module was built ($build/arm64/bin/Pointix.dll)." >&2
            exit 3
        fi
    fi
    demo "$arch" "$wine32"
    ;;
dist)
    install_missing modules
    dist
    ;;
bench)
    install_missing modules
    build
    "$build/native/formatter_bench"
    # The pages in the 64-bit Wine of a session of its own.
    session=$build/bench-wine
    "$session_script" start "$session" >/dev/null
    trap '"$session_script" stop "$session"' EXIT
    "$session_script" run "$session" "$build/x64/bin/sheet_bench.exe"
    POINTIX_LOCALE=en_US.UTF-8 "$session_script" run "$session" "$build/x64/bin/sheet_bench.exe" | head -1
    ;;
*)
    echo "usage: $0 demo [x86|arm64] [de|en] | test | build | bench | dist" >&2
    exit 2
    ;;
esac
