#!/usr/bin/env bash
# Builds, once, the C and C++ runtime that the ARM64 test programs and
# MouseHost.exe link with: Debian packages none for Windows on ARM64, but its
# source packages have everything. From mingw-w64: the Windows headers and
# the C runtime (UCRT, import libraries included); from llvm-toolchain-14:
# the compiler builtins, libunwind, libc++abi and libc++, all static.
# The module itself needs none of this.
#   arm64-sdk.sh <dir>    does nothing when <dir> is complete already
set -euo pipefail
sdk=$(realpath -m "$1")
triple=aarch64-w64-mingw32
llvm=14
# Bump when the recipe changes, so that an older SDK is rebuilt.
recipe=1
[ "$(cat "$sdk/.complete" 2>/dev/null)" = "$recipe" ] && exit 0

work=$sdk.work
rm -rf "$sdk" "$work"
mkdir -p "$sdk" "$work"
log=$work/build.log
jobs=$(nproc)
started=$(date +%s)
step() { echo "ARM64 runtime: $* ($(($(date +%s) - started)) s)"; }
fail() {
    echo "ARM64 runtime: $1 failed; the last lines of $log:" >&2
    tail -20 "$log" >&2
    exit 1
}

# The sources come from the Debian mirror that the machine's apt already
# uses, through a list of our own: the system's apt configuration stays
# as it is.
fetch_sources() {
    local codename mirror apt
    # shellcheck disable=SC1091
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    mirror=$(apt-cache policy | awk -v suite="$codename/main" '$3 == suite { print $2; exit }')
    [ -n "$mirror" ] || { echo "no Debian mirror for $codename in the apt sources" >"$log"; return 1; }
    mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/src"
    echo "deb-src $mirror $codename main" >"$work/apt/sources.list"
    apt=(apt-get -q -o "Dir::Etc::SourceList=$work/apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent
        -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache" -o "APT::Sandbox::User=$(id -un)")
    "${apt[@]}" update &&
        (cd "$work/src" && "${apt[@]}" source --download-only mingw-w64 "llvm-toolchain-$llvm")
}

unpack_sources() {
    local tarball top part parts=()
    cd "$work/src" || return 1
    tar -xjf mingw-w64_*.orig.tar.bz2 && mv mingw-w64-v* mingw-w64 || return 1
    tarball=$(echo "llvm-toolchain-${llvm}_"*.orig.tar.xz)
    top=${tarball%.orig.tar.xz}
    for part in libcxx libcxxabi libunwind runtimes cmake llvm/cmake llvm/utils compiler-rt; do
        parts+=("$top/$part")
    done
    tar -xJf "$tarball" "${parts[@]}" && mv "$top" llvm
}

# The compiler with the SDK as its world: its headers and libraries, and a
# resource folder of our own that shares clang's headers and gets the
# builtins, where clang looks for them.
compiler() { echo "$1-$llvm --target=$triple --sysroot=$sdk -resource-dir=$sdk/clang"; }
make_resource_dir() {
    mkdir -p "$sdk/clang"
    ln -sfn "/usr/lib/llvm-$llvm/lib/clang/$(clang-$llvm -dumpversion)/include" "$sdk/clang/include"
}

# Headers and the C runtime, with UCRT as the default runtime.
build_crt() {
    local src=$work/src/mingw-w64 prefix=$sdk/$triple
    mkdir -p "$work/headers" "$work/crt"
    (cd "$work/headers" &&
        "$src/mingw-w64-headers/configure" --host=$triple --prefix="$prefix" --with-default-msvcrt=ucrt &&
        make install) &&
        (cd "$work/crt" &&
            "$src/mingw-w64-crt/configure" --host=$triple --prefix="$prefix" --with-sysroot="$sdk" \
                --disable-lib32 --disable-lib64 --enable-libarm64 --with-default-msvcrt=ucrt \
                CC="$(compiler clang)" CXX="$(compiler clang++)" \
                AR=llvm-ar-$llvm RANLIB=llvm-ranlib-$llvm DLLTOOL=llvm-dlltool-$llvm &&
            make -j"$jobs" && make install)
}

# Settings every CMake build of the runtime shares. The libraries cannot be
# linked into programs before they exist, so CMake's checks only compile.
cmake_cross=(-DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=ARM64 -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_C_COMPILER=clang-$llvm -DCMAKE_CXX_COMPILER=clang++-$llvm -DCMAKE_ASM_COMPILER=clang-$llvm
    -DCMAKE_C_COMPILER_TARGET=$triple -DCMAKE_CXX_COMPILER_TARGET=$triple -DCMAKE_ASM_COMPILER_TARGET=$triple
    "-DCMAKE_C_FLAGS=--sysroot=$sdk -resource-dir=$sdk/clang -D__USE_MINGW_ANSI_STDIO=1"
    "-DCMAKE_CXX_FLAGS=--sysroot=$sdk -resource-dir=$sdk/clang -D__USE_MINGW_ANSI_STDIO=1"
    "-DCMAKE_ASM_FLAGS=--sysroot=$sdk"
    -DCMAKE_AR=/usr/bin/llvm-ar-$llvm -DCMAKE_RANLIB=/usr/bin/llvm-ranlib-$llvm
    -DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY -Wno-dev)

build_builtins() {
    cmake -S "$work/src/llvm/compiler-rt/lib/builtins" -B "$work/builtins" "${cmake_cross[@]}" \
        -DCOMPILER_RT_DEFAULT_TARGET_ONLY=ON -DLLVM_CONFIG_PATH=/usr/bin/llvm-config-$llvm \
        -DCMAKE_INSTALL_PREFIX="$sdk/clang" &&
        cmake --build "$work/builtins" -j "$jobs" && cmake --install "$work/builtins"
}

build_cxx() {
    cmake -S "$work/src/llvm/runtimes" -B "$work/runtimes" "${cmake_cross[@]}" \
        -DLLVM_ENABLE_RUNTIMES="libunwind;libcxxabi;libcxx" -DCMAKE_INSTALL_PREFIX="$sdk/$triple" \
        -DLIBUNWIND_ENABLE_SHARED=OFF -DLIBUNWIND_USE_COMPILER_RT=ON -DLIBUNWIND_INCLUDE_TESTS=OFF \
        -DLIBCXXABI_ENABLE_SHARED=OFF -DLIBCXXABI_USE_COMPILER_RT=ON -DLIBCXXABI_USE_LLVM_UNWINDER=ON \
        -DLIBCXXABI_HAS_WIN32_THREAD_API=ON -DLIBCXXABI_INCLUDE_TESTS=OFF \
        -DLIBCXX_ENABLE_SHARED=OFF -DLIBCXX_USE_COMPILER_RT=ON -DLIBCXX_CXX_ABI=libcxxabi \
        -DLIBCXX_ENABLE_STATIC_ABI_LIBRARY=ON -DLIBCXX_HAS_WIN32_THREAD_API=ON \
        -DLIBCXX_ENABLE_EXPERIMENTAL_LIBRARY=OFF -DLIBCXX_INCLUDE_TESTS=OFF -DLIBCXX_INCLUDE_BENCHMARKS=OFF &&
        cmake --build "$work/runtimes" -j "$jobs" && cmake --install "$work/runtimes"
}

step "fetching the sources of mingw-w64 and llvm-toolchain-$llvm"
fetch_sources >>"$log" 2>&1 || fail "fetching the sources"
(unpack_sources) >>"$log" 2>&1 || fail "unpacking the sources"
step "building the headers and the C runtime"
make_resource_dir
build_crt >>"$log" 2>&1 || fail "building the C runtime"
step "building the compiler builtins"
build_builtins >>"$log" 2>&1 || fail "building the compiler builtins"
step "building libunwind, libc++abi and libc++"
build_cxx >>"$log" 2>&1 || fail "building libc++"
echo "$recipe" >"$sdk/.complete"
mv "$log" "$sdk/build.log"
rm -rf "$work"
step "ready in $sdk"
