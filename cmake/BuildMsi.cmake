# Builds one MSI package with wixl, byte for byte the same from the same
# module and version: every code is derived from them, and the clock that
# wixl and msibuild stamp the package with stands at the source date.
#   cmake -DARCH=x86|x64|arm64 -DDLL=<module> -DMSI=<out> -DVERSION=<a.b.c.d>
#         -DPUBLISHER=<name> -DSUMMARY=<text> -DTEMPLATE=<wxs.in> -DSTAGE=<dir>
#         -DWIXL=... -DMSIBUILD=... -DFAKETIME=... -DSIGN=<sign.sh> -P BuildMsi.cmake
# with SOURCE_DATE_EPOCH in the environment.
include(${CMAKE_CURRENT_LIST_DIR}/Architectures.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/Identity.cmake)
set(CLSID ${POINTIX_CLSID})
set(CLASS_NAME ${POINTIX_CLASS_NAME})
pointix_architecture(${ARCH})
# In English: "64-bit" where the version block says "64-Bit".
string(REPLACE "-Bit" "-bit" PLATFORM_NAME "${POINTIX_PLATFORM_TEXT}")
set(DESCRIPTION "Mouse control panel extension (${PLATFORM_NAME})")
set(PROGRAM_FILES ${POINTIX_MSI_FOLDER})
set(TEMPLATE_PLATFORM ${POINTIX_MSI_PLATFORM})
if(POINTIX_64BIT)
    set(WIN64 yes)
    # wixl knows no ARM64; what makes a package one is the platform in its
    # summary, which msibuild writes below.
    set(WIXL_ARCH x64)
else()
    set(WIN64 no)
    set(WIXL_ARCH x86)
endif()
# Windows Installer takes Arm64 packages from schema 500 (Windows
# Installer 5.0) on; the others keep 200.
if(TEMPLATE_PLATFORM STREQUAL "Arm64")
    set(INSTALLER_VERSION 500)
else()
    set(INSTALLER_VERSION 200)
endif()

# Codes as name-based UUIDs under the class identifier: fixed for what must
# stay (upgrade code, component), new with each version (product code), and
# new with every change of what the package holds (package code).
file(SHA256 "${DLL}" DLL_HASH)
file(SHA256 "${TEMPLATE}" TEMPLATE_HASH)
string(UUID UPGRADE_CODE NAMESPACE ${CLSID} NAME "Pointix ${ARCH} upgrade" TYPE SHA1 UPPER)
string(UUID COMPONENT_GUID NAMESPACE ${CLSID} NAME "Pointix ${ARCH} module" TYPE SHA1 UPPER)
pointix_product_code(PRODUCT_CODE ${ARCH} ${VERSION})
string(UUID PACKAGE_CODE NAMESPACE ${CLSID} NAME "Pointix ${ARCH} package ${VERSION} ${DLL_HASH} ${TEMPLATE_HASH}" TYPE SHA1 UPPER)

file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
file(COPY_FILE "${DLL}" "${STAGE}/Pointix.dll")
configure_file("${TEMPLATE}" "${STAGE}/Pointix.wxs" @ONLY)

# The cabinet keeps the file's date: the source date too.
string(TIMESTAMP SOURCE_DATE "%Y-%m-%d %H:%M:%S" UTC)
execute_process(COMMAND touch -d "@$ENV{SOURCE_DATE_EPOCH}" "${STAGE}/Pointix.dll" COMMAND_ERROR_IS_FATAL ANY)
set(FROZEN ${CMAKE_COMMAND} -E env TZ=UTC ${FAKETIME} -f "${SOURCE_DATE}")
file(REMOVE "${MSI}")
execute_process(COMMAND ${FROZEN} ${WIXL} -a ${WIXL_ARCH} -o "${MSI}" Pointix.wxs
    WORKING_DIRECTORY "${STAGE}" COMMAND_ERROR_IS_FATAL ANY)
# wixl makes up a random package code; the summary gets the derived one.
execute_process(COMMAND ${FROZEN} ${MSIBUILD} "${MSI}" -s "${DESCRIPTION}" "${PUBLISHER}"
        "${TEMPLATE_PLATFORM};1033" "{${PACKAGE_CODE}}"
    COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${SIGN}" "${MSI}" COMMAND_ERROR_IS_FATAL ANY)
