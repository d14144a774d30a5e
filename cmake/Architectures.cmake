# The architectures Pointix is built for, and what differs between them.
# The first is the main tree's; it builds the others as trees of their own,
# each with its toolchain file, and runs every test for all of them.
set(POINTIX_ARCHITECTURES x86 x64 arm64)

# Sets, for one architecture, in the caller's scope:
#   POINTIX_TOOLCHAIN      the toolchain file that builds it
#   POINTIX_MANIFEST_ARCH  processorArchitecture in the manifests
#   POINTIX_PLATFORM_TEXT  how the version block, the manifest and the
#                          package names tell the modules apart
#   POINTIX_ENTRY          the module's entry symbol as the linker sees it
#   POINTIX_MSI_PLATFORM   the platform in the package summary
#   POINTIX_MSI_FOLDER     the package's Program Files folder
#   POINTIX_64BIT          ON for a 64-bit module (64-bit registry view)
function(pointix_architecture Arch)
    if(Arch STREQUAL "x86")
        set(Facts mingw-i686.cmake x86 32-Bit _DllEntry@12 Intel ProgramFilesFolder OFF)
    elseif(Arch STREQUAL "x64")
        set(Facts mingw-x86_64.cmake amd64 64-Bit DllEntry x64 ProgramFiles64Folder ON)
    elseif(Arch STREQUAL "arm64")
        set(Facts clang-aarch64.cmake arm64 ARM64 DllEntry Arm64 ProgramFiles64Folder ON)
    else()
        message(FATAL_ERROR "Unknown architecture ${Arch}")
    endif()
    set(Names TOOLCHAIN MANIFEST_ARCH PLATFORM_TEXT ENTRY MSI_PLATFORM MSI_FOLDER 64BIT)
    foreach(Index RANGE 6)
        list(GET Names ${Index} Name)
        list(GET Facts ${Index} Value)
        set(POINTIX_${Name} ${Value} PARENT_SCOPE)
    endforeach()
endfunction()
