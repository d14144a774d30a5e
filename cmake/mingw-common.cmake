# Shared part of the MinGW-w64 toolchain files; POINTIX_TRIPLE names the target.
# The -posix compiler variants are used for everything: the test framework
# needs std::mutex and std::thread, which the -win32 variants lack. The
# module itself links without the C and C++ runtimes, so the variant does
# not leak into it.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${POINTIX_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${POINTIX_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${POINTIX_TRIPLE}-windres)
set(CMAKE_OBJDUMP      ${POINTIX_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${POINTIX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
