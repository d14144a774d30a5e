# Writes the winget manifests of the release (manifest version 1.10.0,
# multi-file form) for its MSI packages: version, the default locale en-US,
# the locale de-DE and installer.
#   cmake -DFOLDER=<out> -DIDENTIFIER=<id> -DVERSION=<a.b.c.d> -DPUBLISHER=<name>
#         -DWEB_URL=<url> -DRELEASE_URL=<url> -DSUMMARY=<English text> -DSUMMARY_DE=<German text>
#         -DPACKAGES=<arch>=<msi>,... -P BuildWinget.cmake
# Nothing in them depends on when or where they are written.
include(${CMAKE_CURRENT_LIST_DIR}/Identity.cmake)
set(MANIFEST_VERSION 1.10.0)
set(SCHEMA "# yaml-language-server: $schema=https://aka.ms/winget-manifest")

# The fields every manifest starts with.
set(HEAD "PackageIdentifier: ${IDENTIFIER}\nPackageVersion: ${VERSION}\n")
set(TAIL "ManifestVersion: ${MANIFEST_VERSION}\n")

file(MAKE_DIRECTORY "${FOLDER}")
file(WRITE "${FOLDER}/${IDENTIFIER}.yaml"
    "${SCHEMA}.version.${MANIFEST_VERSION}.schema.json\n${HEAD}DefaultLocale: en-US\nManifestType: version\n${TAIL}")

# A locale manifest: the default one (with the moniker), or another.
function(write_locale Locale Type Summary Tags)
    if(Type STREQUAL "defaultLocale")
        set(Moniker "Moniker: pointix\n")
    endif()
    file(WRITE "${FOLDER}/${IDENTIFIER}.locale.${Locale}.yaml"
        "${SCHEMA}.${Type}.${MANIFEST_VERSION}.schema.json\n${HEAD}"
        "PackageLocale: ${Locale}\n"
        "Publisher: \"${PUBLISHER}\"\n"
        "PublisherUrl: \"${WEB_URL}\"\n"
        "PackageName: Pointix\n"
        "PackageUrl: \"${WEB_URL}\"\n"
        "License: Freeware\n"
        "ShortDescription: \"${Summary}\"\n"
        "${Moniker}"
        "Tags:\n${Tags}"
        "ManifestType: ${Type}\n${TAIL}")
endfunction()
write_locale(en-US defaultLocale "${SUMMARY}" "- mouse\n- control-panel\n- double-click\n")
write_locale(de-DE locale "${SUMMARY_DE}" "- maus\n- systemsteuerung\n- doppelklick\n")

string(REPLACE "," ";" PACKAGES "${PACKAGES}")
set(INSTALLERS "")
foreach(Package ${PACKAGES})
    string(REGEX MATCH "^([^=]+)=(.*)$" _ "${Package}")
    set(Arch ${CMAKE_MATCH_1})
    set(Msi ${CMAKE_MATCH_2})
    get_filename_component(Name "${Msi}" NAME)
    file(SHA256 "${Msi}" Hash)
    string(TOUPPER ${Hash} Hash)
    pointix_product_code(Code ${Arch} ${VERSION})
    string(APPEND INSTALLERS
        "- Architecture: ${Arch}\n"
        "  InstallerUrl: \"${RELEASE_URL}/${VERSION}/${Name}\"\n"
        "  InstallerSha256: ${Hash}\n"
        "  ProductCode: \"{${Code}}\"\n")
endforeach()
file(WRITE "${FOLDER}/${IDENTIFIER}.installer.yaml"
    "${SCHEMA}.installer.${MANIFEST_VERSION}.schema.json\n${HEAD}"
    "InstallerType: msi\n"
    "Scope: machine\n"
    "UpgradeBehavior: install\n"
    "Installers:\n${INSTALLERS}"
    "ManifestType: installer\n${TAIL}")
