# Cross-compiling for 32-bit Windows with Debian's MinGW-w64.
# The -posix compiler variants are used for everything: the test framework
# needs std::mutex and std::thread, which the -win32 variants lack. The
# module itself links without the C and C++ runtimes, so the variant does
# not leak into it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(POINTIX_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${POINTIX_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${POINTIX_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${POINTIX_TRIPLE}-windres)
set(CMAKE_OBJDUMP      ${POINTIX_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${POINTIX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
