# What makes the release reproducible and, when a certificate is given,
# signed: the source date that stands in for every build time, the signing
# step, and the Windows Installer packages.

# The time of the commit being built (or SOURCE_DATE_EPOCH when it is set):
# the same sources give the same date, whenever and wherever they are built.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(POINTIX_SOURCE_DATE "$ENV{SOURCE_DATE_EPOCH}")
else()
    execute_process(COMMAND git -C "${CMAKE_SOURCE_DIR}" log -1 --format=%ct
        OUTPUT_VARIABLE POINTIX_SOURCE_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE _git_result ERROR_QUIET)
    if(NOT _git_result EQUAL 0 OR NOT POINTIX_SOURCE_DATE MATCHES "^[0-9]+$")
        set(POINTIX_SOURCE_DATE 1767225600)  # 2026-01-01, outside a git checkout
    endif()
endif()

# Commands of the build that stamp or sign run with the source date.
set(POINTIX_SIGN_ENV ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${POINTIX_SOURCE_DATE})
# Signs a file in place when POINTIX_SIGN_PKCS12 is set at build time.
set(POINTIX_SIGN ${POINTIX_SIGN_ENV} ${CMAKE_SOURCE_DIR}/tools/sign.sh)

# Pointix-<arch>.msi for the module Dll, built after the target Dependency.
# NAME and VERSION make another package (the tests' newer version).
#   pointix_msi(<arch> <dll> <dependency> [NAME <file name>] [VERSION <a.b.c.d>])
function(pointix_msi Arch Dll Dependency)
    cmake_parse_arguments(PARSE_ARGV 3 P "" "NAME;VERSION" "")
    if(NOT P_NAME)
        set(P_NAME Pointix-${Arch})
        # The release's own packages go into dist/.
        install(FILES ${CMAKE_BINARY_DIR}/${P_NAME}.msi DESTINATION .)
    endif()
    if(NOT P_VERSION)
        set(P_VERSION ${PROJECT_VERSION})
    endif()
    find_program(WIXL wixl REQUIRED)
    find_program(MSIBUILD msibuild REQUIRED)
    find_program(FAKETIME faketime REQUIRED)
    set(Msi ${CMAKE_BINARY_DIR}/${P_NAME}.msi)
    add_custom_command(OUTPUT ${Msi}
        COMMAND ${POINTIX_SIGN_ENV} ${CMAKE_COMMAND}
            -DARCH=${Arch} -DDLL=${Dll} -DMSI=${Msi} -DVERSION=${P_VERSION}
            -DPUBLISHER=${POINTIX_PUBLISHER} -DSUMMARY=${POINTIX_SUMMARY}
            -DTEMPLATE=${CMAKE_SOURCE_DIR}/tools/Pointix.wxs.in -DSTAGE=${CMAKE_BINARY_DIR}/stage-${P_NAME}
            -DWIXL=${WIXL} -DMSIBUILD=${MSIBUILD} -DFAKETIME=${FAKETIME} -DSIGN=${CMAKE_SOURCE_DIR}/tools/sign.sh
            -P ${CMAKE_SOURCE_DIR}/cmake/BuildMsi.cmake
        DEPENDS ${CMAKE_SOURCE_DIR}/tools/Pointix.wxs.in ${CMAKE_SOURCE_DIR}/cmake/BuildMsi.cmake
            ${CMAKE_SOURCE_DIR}/cmake/Architectures.cmake ${CMAKE_SOURCE_DIR}/cmake/Identity.cmake ${Dll}
        COMMENT "Packing ${P_NAME}.msi"
        VERBATIM)
    add_custom_target(${P_NAME} ALL DEPENDS ${Msi})
    add_dependencies(${P_NAME} ${Dependency})
endfunction()

# The winget manifests of the release (version, default locale en-US, locale
# de-DE and installer, multi-file form) for the MSI packages of these architectures,
# into winget/<identifier as folders>/<version>/ of the build tree and of
# dist/. Made from the packages themselves: each installer entry carries its
# package's SHA-256.
#   pointix_winget(<arch>...)
function(pointix_winget)
    string(REPLACE "." "/" IdentifierPath ${POINTIX_PACKAGE_IDENTIFIER})
    set(Folder ${CMAKE_BINARY_DIR}/winget/${IdentifierPath}/${PROJECT_VERSION})
    set(Packages "")
    set(Files "")
    set(Targets "")
    foreach(Arch ${ARGN})
        list(APPEND Packages "${Arch}=${CMAKE_BINARY_DIR}/Pointix-${Arch}.msi")
        list(APPEND Files ${CMAKE_BINARY_DIR}/Pointix-${Arch}.msi)
        list(APPEND Targets Pointix-${Arch})
    endforeach()
    string(REPLACE ";" "," Packages "${Packages}")
    set(Manifests ${Folder}/${POINTIX_PACKAGE_IDENTIFIER}.yaml ${Folder}/${POINTIX_PACKAGE_IDENTIFIER}.locale.en-US.yaml
        ${Folder}/${POINTIX_PACKAGE_IDENTIFIER}.locale.de-DE.yaml ${Folder}/${POINTIX_PACKAGE_IDENTIFIER}.installer.yaml)
    add_custom_command(OUTPUT ${Manifests}
        COMMAND ${CMAKE_COMMAND} -DFOLDER=${Folder} -DIDENTIFIER=${POINTIX_PACKAGE_IDENTIFIER}
            -DVERSION=${PROJECT_VERSION} -DPUBLISHER=${POINTIX_PUBLISHER} -DWEB_URL=${POINTIX_WEB_URL}
            -DRELEASE_URL=${POINTIX_RELEASE_URL} -DSUMMARY=${POINTIX_SUMMARY} -DSUMMARY_DE=${POINTIX_SUMMARY_DE}
            -DPACKAGES=${Packages}
            -P ${CMAKE_SOURCE_DIR}/cmake/BuildWinget.cmake
        DEPENDS ${CMAKE_SOURCE_DIR}/cmake/BuildWinget.cmake ${CMAKE_SOURCE_DIR}/cmake/Identity.cmake ${Files}
        COMMENT "Writing the winget manifests"
        VERBATIM)
    add_custom_target(winget ALL DEPENDS ${Manifests})
    add_dependencies(winget ${Targets})
    install(FILES ${Manifests} DESTINATION winget/${IdentifierPath}/${PROJECT_VERSION})
    set(POINTIX_WINGET_DIR ${Folder} PARENT_SCOPE)
endfunction()
