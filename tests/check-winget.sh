#!/usr/bin/env bash
# Checks the release's winget manifests against winget's documented manifest
# format (version 1.10.0, multi-file form) and against the packages they
# name: every required field, identifier, version, locale and SHA-256 in
# their documented forms, each SHA-256 that of its package, each product code
# the one in that package (read with msitools), each architecture that of
# its package's platform, and an entry for every package.
#   check-winget.sh <manifest folder> <package folder> <arch>...
#   check-winget.sh --self-test <manifest folder> <package folder> <arch>...
#       the check must pass, and refuse copies with a wrong SHA-256, a wrong
#       product code and without a required field
set -u

# The documented forms.
identifier_form='^[^.[:space:]\\/:*?"<>|]{1,32}(\.[^.[:space:]\\/:*?"<>|]{1,32}){1,7}$'
version_form='^[^\\/:*?"<>|[:cntrl:]]{1,128}$'
locale_form='^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$'
sha256_form='^[A-Fa-f0-9]{64}$'
architectures=" x86 x64 arm arm64 neutral "
installer_types=" msix msi appx exe zip inno nullsoft wix burn pwa portable "

# The value of a top-level field, without quotes.
field() {
    awk -v key="$1" 'index($0, key ": ") == 1 { v = substr($0, length(key) + 3); gsub(/^"|"$/, "", v); print v; exit }' "$2"
}

# The fields of the installer entries, one line per entry: arch url sha code.
installers() {
    awk '/^- Architecture: / { if (a != "") print a, u, s, c; a = $3; u = s = c = "" }
         /^  InstallerUrl: / { u = $2 } /^  InstallerSha256: / { s = $2 } /^  ProductCode: / { c = $2 }
         END { if (a != "") print a, u, s, c }' "$1" | tr -d '"'
}

check() {
    local folder=$1 packages=$2 failures=0
    shift 2
    fail() {
        echo "FAIL: $*"
        failures=$((failures + 1))
    }
    local version_file locale_file installer_file id version
    version_file=$(find "$folder" -name '*.yaml' ! -name '*.locale.*' ! -name '*.installer.yaml' | head -1)
    [ -n "$version_file" ] || { echo "FAIL: no version manifest in $folder"; return 1; }
    id=$(field PackageIdentifier "$version_file")
    version=$(field PackageVersion "$version_file")
    [[ "$id" =~ $identifier_form ]] || fail "package identifier '$id' is not of the documented form"
    [[ "$version" =~ $version_form ]] || fail "package version '$version' is not of the documented form"
    [ "$(basename "$(dirname "$version_file")")" = "$version" ] || fail "the manifests' folder is not named after the version"
    [[ "$(dirname "$version_file")" == */"${id//.//}/$version" ]] || fail "the manifests do not lie in the identifier's folders"
    local default_locale
    default_locale=$(field DefaultLocale "$version_file")
    [[ "$default_locale" =~ $locale_form ]] || fail "default locale '$default_locale' is not a BCP 47 tag"
    locale_file=$(dirname "$version_file")/$id.locale.$default_locale.yaml
    installer_file=$(dirname "$version_file")/$id.installer.yaml
    [ "$(basename "$version_file")" = "$id.yaml" ] || fail "the version manifest is not named $id.yaml"

    # Required fields and the type of each manifest.
    local file type required name
    for file in "$version_file" "$locale_file" "$installer_file"; do
        [ -f "$file" ] || { fail "missing $(basename "$file")"; continue; }
        case "$file" in
        "$version_file") type=version required="DefaultLocale" ;;
        "$locale_file") type=defaultLocale required="PackageLocale Publisher PackageName License ShortDescription" ;;
        *) type=installer required="Installers" ;;
        esac
        for name in PackageIdentifier PackageVersion ManifestType ManifestVersion $required; do
            grep -q "^$name:" "$file" || fail "$(basename "$file") lacks $name"
        done
        [ "$(field ManifestType "$file")" = "$type" ] || fail "$(basename "$file") is not of manifest type $type"
        [ "$(field PackageIdentifier "$file")" = "$id" ] || fail "$(basename "$file") names another package"
        [ "$(field PackageVersion "$file")" = "$version" ] || fail "$(basename "$file") names another version"
        local manifest_version
        manifest_version=$(field ManifestVersion "$file")
        [[ "$manifest_version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] &&
            [ "$(printf '%s\n' 1.10.0 "$manifest_version" | sort -V | head -1)" = 1.10.0 ] ||
            fail "$(basename "$file") has manifest version '$manifest_version', not 1.10.0 or later"
    done
    [ -f "$locale_file" ] && [ "$(field PackageLocale "$locale_file")" = "$default_locale" ] || fail "the default locale's manifest has another locale"
    if [ -f "$locale_file" ]; then
        local text
        for name in Publisher:2 PackageName:2 ShortDescription:3 License:3; do
            grep -q "^${name%:*}:" "$locale_file" || continue # reported above
            text=$(field "${name%:*}" "$locale_file")
            [ "${#text}" -ge "${name#*:}" ] && [ "${#text}" -le 256 ] || fail "${name%:*} '$text' is not 2 (3) to 256 characters"
        done
        text=$(field Moniker "$locale_file")
        [[ -z "$text" || ( "$text" =~ ^[^[:space:]]+$ && ${#text} -le 40 ) ]] || fail "moniker '$text' is not one word"
    fi

    # Each installer entry against its package.
    [ -f "$installer_file" ] || return 1
    local installer_type scope upgrade arch url sha code msi platform seen=" "
    installer_type=$(field InstallerType "$installer_file")
    [[ "$installer_types" == *" $installer_type "* ]] || fail "installer type '$installer_type' is not one winget knows"
    [[ "$installer_type" == msi || "$installer_type" == wix ]] || fail "installer type is not msi or wix"
    scope=$(field Scope "$installer_file")
    upgrade=$(field UpgradeBehavior "$installer_file")
    [ "$scope" = machine ] || fail "scope is '$scope', not machine"
    [ "$upgrade" = install ] || fail "upgrade behaviour is '$upgrade', not install"
    while read -r arch url sha code; do
        [[ "$architectures" == *" $arch "* ]] || fail "architecture '$arch' is not one winget knows"
        [[ "$url" =~ ^https?://[^[:space:]]+$ ]] || fail "$arch: installer address '$url' is not a web address"
        [[ "$sha" =~ $sha256_form ]] || fail "$arch: '$sha' is not a SHA-256"
        msi=$packages/$(basename "$url")
        [ -f "$msi" ] || { fail "$arch: no package $(basename "$url")"; continue; }
        [ "${sha^^}" = "$(sha256sum "$msi" | cut -d' ' -f1 | tr a-f A-F)" ] || fail "$arch: the SHA-256 is not that of $(basename "$msi")"
        [ "$code" = "$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }')" ] ||
            fail "$arch: the product code is not that of $(basename "$msi")"
        platform=$(msiinfo suminfo "$msi" | awk -F'[ ;]' '/^Template:/ { print $2 }')
        case "$platform" in Intel) platform=x86 ;; x64) ;; Arm64) platform=arm64 ;; esac
        [ "$platform" = "$arch" ] || fail "$arch: $(basename "$msi") is a package for $platform"
        seen+="$arch "
    done < <(installers "$installer_file")
    for arch in "$@"; do
        [[ "$seen" == *" $arch "* ]] || fail "no installer entry for the $arch package"
    done
    [ "$failures" -eq 0 ] || return 1
    echo "ok: $id $version, installers for$(tr -s ' ' <<<"$seen")"
}

# Copies of the manifests with one fault each, which the check must refuse.
self_test() {
    local folder=$1 scratch result=0
    shift
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' RETURN
    check "$folder" "$@" || result=1
    # The copies lie in the same folders under the scratch folder; each must
    # be refused for its fault and for nothing else.
    local copy=$scratch/winget/${folder##*/winget/}
    # Each fault: what the check must say, the manifest it is made in, and
    # the field whose first entry loses its first hex digit (flip) or that
    # is left out (drop).
    local faults=(
        "the SHA-256 is not that of|installer|flip|  InstallerSha256"
        "the product code is not that of|installer|flip|  ProductCode"
        "lacks License|locale.de-DE|drop|License"
    )
    local fault what manifest how key file output
    for fault in "${faults[@]}"; do
        IFS='|' read -r what manifest how key <<<"$fault"
        rm -rf "$scratch/winget" && mkdir -p "$(dirname "$copy")" && cp -r "$folder" "$copy"
        file=$(echo "$copy/"*".$manifest.yaml")
        awk -v how="$how" -v key="$key: " '
            !done && index($0, key) == 1 {
                done = 1
                if (how == "drop") next
                match($0, /: "?\{?[0-9A-Fa-f]/)
                at = RSTART + RLENGTH - 1
                $0 = substr($0, 1, at - 1) (substr($0, at, 1) == "0" ? "1" : "0") substr($0, at + 1)
            }
            { print }' "$file" >"$file.new" && mv "$file.new" "$file"
        output=$(check "$copy" "$@" 2>&1)
        if [ $? -ne 0 ] && grep -q "$what" <<<"$output" && [ "$(grep -c '^FAIL' <<<"$output")" -eq 1 ]; then
            echo "refused as expected: $what"
        else
            echo "NOT refused ($what): $output"
            result=1
        fi
    done
    return $result
}

if [ "${1:-}" = --self-test ]; then
    shift
    self_test "$@"
else
    check "$@"
fi
