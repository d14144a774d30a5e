#!/usr/bin/env bash
# Checks the release's winget manifests against winget's documented format
# (multi-file form, manifest version 1.10.0 or later) and against the MSI
# packages they name (read with msitools).
#   check-winget.sh [--self-test] <manifest folder> <package folder> <arch>...
# With --self-test the check must also refuse copies with one fault each.
set -u
id_form='^[^.[:space:]\\/:*?"<>|]{1,32}(\.[^.[:space:]\\/:*?"<>|]{1,32}){1,7}$'
version_form='^[^\\/:*?"<>|[:cntrl:]]{1,128}$'
locale_form='^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$'
sha_form='^[A-Fa-f0-9]{64}$'

# A top-level field's value, without quotes.
value() { sed -n "s/^$1: \"\\{0,1\\}\\([^\"]*\\)\"\\{0,1\\}\$/\\1/p" "$2" | head -1; }

check() {
    local dir=$1 packages=$2 failures=0
    shift 2
    fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
    local id version locale entry type file fields field
    file=$(find "$dir" -maxdepth 1 -name '*.yaml' ! -name '*.locale.*' ! -name '*.installer.yaml' | head -1)
    [ -n "$file" ] || { echo "FAIL: no version manifest in $dir"; return 1; }
    id=$(value PackageIdentifier "$file")
    version=$(value PackageVersion "$file")
    locale=$(value DefaultLocale "$file")
    [[ $id =~ $id_form ]] || fail "package identifier '$id' is not of the documented form"
    [[ $version =~ $version_form ]] || fail "package version '$version' is not of the documented form"
    [[ $locale =~ $locale_form ]] || fail "default locale '$locale' is not a BCP 47 tag"
    [[ $dir == */${id//.//}/$version ]] || fail "the folder is not <identifier as folders>/<version>"
    # Each manifest: its type, its name, its required fields.
    for entry in "version:$id.yaml:DefaultLocale" \
        "defaultLocale:$id.locale.$locale.yaml:PackageLocale Publisher PackageName License ShortDescription" \
        "installer:$id.installer.yaml:InstallerType Installers"; do
        IFS=: read -r type file fields <<<"$entry"
        file=$dir/$file
        [ -f "$file" ] || { fail "missing $(basename "$file")"; continue; }
        for field in PackageIdentifier PackageVersion ManifestType ManifestVersion $fields; do
            grep -q "^$field:" "$file" || fail "$(basename "$file") lacks $field"
        done
        [ "$(value ManifestType "$file")" = "$type" ] || fail "$(basename "$file") is not a $type manifest"
        [ "$(value PackageIdentifier "$file") $(value PackageVersion "$file")" = "$id $version" ] ||
            fail "$(basename "$file") names another package or version"
        [ "$(printf '%s\n' 1.10.0 "$(value ManifestVersion "$file")" | sort -V | head -1)" = 1.10.0 ] ||
            fail "$(basename "$file") has a manifest version before 1.10.0"
    done
    # Every further locale: a locale manifest for the locale its name says.
    local other
    for file in "$dir/$id".locale.*.yaml; do
        other=${file#"$dir/$id".locale.}
        other=${other%.yaml}
        [ "$other" = "$locale" ] && continue
        [[ $other =~ $locale_form ]] || fail "$(basename "$file") names no BCP 47 locale"
        [ "$(value ManifestType "$file")" = locale ] || fail "$(basename "$file") is not a locale manifest"
        [ "$(value PackageLocale "$file")" = "$other" ] || fail "$(basename "$file") is for another locale"
        [ "$(value PackageIdentifier "$file") $(value PackageVersion "$file")" = "$id $version" ] ||
            fail "$(basename "$file") names another package or version"
    done
    file=$dir/$id.installer.yaml
    [ -f "$file" ] || return 1
    [[ $(value InstallerType "$file") == @(msi|wix) ]] || fail "the installer type is not msi or wix"
    [ "$(value Scope "$file") $(value UpgradeBehavior "$file")" = "machine install" ] ||
        fail "scope and upgrade behaviour are not machine and install"
    # Each installer entry against its package: arch, address, SHA-256, code.
    local arch url sha code msi platform seen=" "
    while read -r arch url sha code; do
        msi=$packages/${url##*/}
        [ -f "$msi" ] || { fail "$arch: no package ${url##*/}"; continue; }
        [[ $url =~ ^https?://[^[:space:]]+$ ]] || fail "$arch: installer address '$url' is not a web address"
        [[ $sha =~ $sha_form ]] || fail "$arch: '$sha' is not a SHA-256"
        [ "${sha^^}" = "$(sha256sum "$msi" | cut -d' ' -f1 | tr a-f A-F)" ] || fail "$arch: the SHA-256 is not that of ${msi##*/}"
        [ "$code" = "$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }')" ] ||
            fail "$arch: the product code is not that of ${msi##*/}"
        platform=$(msiinfo suminfo "$msi" | sed -n 's/^Template: \([^;]*\);.*/\1/p')
        [ "${platform/Intel/x86}" = "${arch/arm64/Arm64}" ] || fail "$arch: ${msi##*/} is a package for $platform"
        seen+="$arch "
    done < <(awk '/^- Architecture: / { if (a) print a, u, s, c; a = $3 }
        /^  InstallerUrl: / { u = $2 } /^  InstallerSha256: / { s = $2 } /^  ProductCode: / { c = $2 }
        END { if (a) print a, u, s, c }' "$file" | tr -d '"')
    for arch in "$@"; do
        [[ $seen == *" $arch "* ]] || fail "no installer entry for the $arch package"
    done
    [ "$failures" -eq 0 ] && echo "ok: $id $version, installers for$seen"
}

# Copies of the manifests, in the same folders under a scratch folder, with
# one fault each: each must be refused for that fault and nothing else.
self_test() {
    local dir=$1 result=0 scratch fault what manifest edit output
    shift
    check "$dir" "$@" || result=1
    scratch=$(mktemp -d)
    local copy=$scratch/${dir##*/winget/}
    for fault in \
        'the SHA-256 is not that of|installer|0,/InstallerSha256/ { s/\(Sha256: \)0/\11/; t; s/\(Sha256: \)./\10/ }' \
        'the product code is not that of|installer|0,/ProductCode/ { s/\(Code: "{\)0/\11/; t; s/\(Code: "{\)./\10/ }' \
        'lacks License|locale.en-US|/^License:/d' \
        'is for another locale|locale.de-DE|s/^PackageLocale: de-DE/PackageLocale: de-AT/'; do
        IFS='|' read -r what manifest edit <<<"$fault"
        rm -rf "$copy" && mkdir -p "$copy" && cp "$dir"/* "$copy"
        sed -i "$edit" "$copy"/*."$manifest".yaml
        output=$(check "$copy" "$@")
        if [ $? -ne 0 ] && grep -q "$what" <<<"$output" && [ "$(grep -c '^FAIL' <<<"$output")" -eq 1 ]; then
            echo "refused as expected: $what"
        else
            echo "NOT refused as expected ($what): $output"
            result=1
        fi
    done
    rm -rf "$scratch"
    return $result
}

if [ "${1:-}" = --self-test ]; then
    shift
    self_test "$@"
else
    check "$@"
fi
