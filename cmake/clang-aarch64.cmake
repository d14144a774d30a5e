# Cross-compiling for Windows on ARM64 with Debian's clang, lld and LLVM
# tools: no MinGW GCC exists for this target. The module needs nothing
# else: it links without any runtime, against import libraries made from
# the project's own definitions (res/imports). The test programs need a C
# and C++ runtime for the target, which tools/arm64-sdk.sh builds once into
# POINTIX_ARM64_SDK from Debian's source packages.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ARM64)
set(POINTIX_TRIPLE aarch64-w64-mingw32)
set(POINTIX_LLVM_SUFFIX -14)

set(CMAKE_C_COMPILER clang${POINTIX_LLVM_SUFFIX})
set(CMAKE_CXX_COMPILER clang++${POINTIX_LLVM_SUFFIX})
set(CMAKE_C_COMPILER_TARGET ${POINTIX_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${POINTIX_TRIPLE})
set(CMAKE_RC_COMPILER llvm-windres${POINTIX_LLVM_SUFFIX})
# The resource compiler preprocesses with the same Windows headers as the
# module. It reads the project's resource files, which are UTF-8, as UTF-8
# only when told: llvm-rc 14 passes over their #pragma code_page.
set(CMAKE_RC_FLAGS_INIT "--target=${POINTIX_TRIPLE} --codepage=65001 --preprocessor-arg=-isystem/usr/share/mingw-w64/include")
set(CMAKE_AR llvm-ar${POINTIX_LLVM_SUFFIX})
set(CMAKE_RANLIB llvm-ranlib${POINTIX_LLVM_SUFFIX})
set(POINTIX_DLLTOOL llvm-dlltool${POINTIX_LLVM_SUFFIX})
# Every target names its libraries; CMake's default list of Windows
# libraries would ask for import libraries the module build does not have.
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "")
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "")

# lld 14 writes an export directory with ordinal base 0 and an empty slot
# 0 before the module's four ordinals; lld 19 (also a Debian 12 package)
# starts at 1, as the other modules do.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld --ld-path=/usr/bin/ld.lld-19")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld --ld-path=/usr/bin/ld.lld-19")

# CMake's checks only compile: nothing can be linked into a program without
# the runtime, and the module is linked without any.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# The runtime for the programs (the test programs and MouseHost.exe): the
# MinGW-w64 C runtime (UCRT), the compiler builtins, libunwind, libc++abi
# and libc++, all static. The project's programs get these flags; the
# module gets none of them, so it is the same with or without the runtime.
if(POINTIX_ARM64_SDK)
    # The va_list of Windows on ARM64 is not the one Debian's arm64 Wine
    # builds its own DLLs with, so the CRT's printf family would crash
    # there; MinGW's own formatter never hands a va_list to Wine.
    set(POINTIX_RUNTIME_COMPILE_FLAGS --sysroot=${POINTIX_ARM64_SDK} -resource-dir=${POINTIX_ARM64_SDK}/clang
        -D__USE_MINGW_ANSI_STDIO=1 $<$<COMPILE_LANGUAGE:CXX>:-stdlib=libc++>)
    set(POINTIX_RUNTIME_LINK_FLAGS --sysroot=${POINTIX_ARM64_SDK} -resource-dir=${POINTIX_ARM64_SDK}/clang
        -rtlib=compiler-rt -unwindlib=libunwind -stdlib=libc++)
    set(CMAKE_FIND_ROOT_PATH ${POINTIX_ARM64_SDK}/${POINTIX_TRIPLE})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
