#!/usr/bin/env bash
# The release as `make dist` builds it, checked from the outside.
#   release-check.sh reproducible <source> <scratch>
#       builds the release twice, in two folders, and compares every
#       artefact byte for byte
#   release-check.sh signed <source> <scratch>
#       makes a throwaway code-signing certificate, builds a signed release,
#       has osslsigncode verify every artefact against that certificate and
#       refuse a copy with one byte changed
#   release-check.sh signed-under-wine <scratch> <wine session> <host>
#       registers the signed 64-bit module and lists the pages it adds
set -u

# A release tree: what `make dist` builds, without the tests, with what it
# puts into dist/ in <tree>/dist.
build_release() {
    local source=$1 tree=$2
    rm -rf "$tree"
    cmake -S "$source" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-i686.cmake" -DBUILD_TESTING=OFF >/dev/null &&
        cmake --build "$tree" -j "$(nproc)" >"$tree.log" 2>&1 &&
        cmake --install "$tree" --prefix "$tree/dist" >>"$tree.log" 2>&1 ||
        { echo "FAIL: the release did not build in $tree:"; tail -20 "$tree.log"; exit 1; }
}

# Every artefact of a release tree, as a path below its dist folder.
artefacts() {
    (cd "$1/dist" && find . -type f | sed 's|^\./||' | sort)
}

reproducible() {
    local source=$1 scratch=$2 failed=0 artefact
    # Different folders, also in length: no path may reach an artefact.
    local first=$scratch/first second=$scratch/second-build-of-the-same-commit
    build_release "$source" "$first"
    build_release "$source" "$second"
    if [ "$(artefacts "$first")" != "$(artefacts "$second")" ]; then
        echo "FAIL: the two builds made different artefacts"
        diff <(artefacts "$first") <(artefacts "$second")
        return 1
    fi
    for artefact in $(artefacts "$first"); do
        if cmp -s "$first/dist/$artefact" "$second/dist/$artefact"; then
            echo "identical: $artefact ($(stat -c %s "$first/dist/$artefact") bytes)"
        else
            echo "FAIL: $artefact differs between the two builds"
            cmp "$first/dist/$artefact" "$second/dist/$artefact" | head -3
            failed=1
        fi
    done
    return $failed
}

signed() {
    local source=$1 scratch=$2 failed=0 artefact
    mkdir -p "$scratch"
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Pointix Test Signing" \
        -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
        -keyout "$scratch/key.pem" -out "$scratch/cert.pem" 2>/dev/null &&
        openssl pkcs12 -export -inkey "$scratch/key.pem" -in "$scratch/cert.pem" -passout pass:pointix-test \
            -out "$scratch/cert.p12" || { echo "FAIL: no test certificate"; return 1; }
    POINTIX_SIGN_PKCS12="$scratch/cert.p12" POINTIX_SIGN_PASSWORD=pointix-test build_release "$source" "$scratch/signed"
    # Every module, installer and package; the manifests are text.
    for artefact in $(artefacts "$scratch/signed" | grep -E '\.(dll|exe|msi)$'); do
        if osslsigncode verify -CAfile "$scratch/cert.pem" -in "$scratch/signed/dist/$artefact" >"$scratch/verify.log" 2>&1; then
            echo "signed and verified: $artefact"
        else
            echo "FAIL: $artefact is not signed with the test certificate:"
            tail -5 "$scratch/verify.log"
            failed=1
        fi
    done
    # One byte of the signed 64-bit module changed, in the middle of its code.
    cp "$scratch/signed/x64/bin/Pointix.dll" "$scratch/changed.dll"
    printf '\xCC' | dd of="$scratch/changed.dll" bs=1 seek=2048 conv=notrunc status=none
    if osslsigncode verify -CAfile "$scratch/cert.pem" -in "$scratch/changed.dll" >/dev/null 2>&1; then
        echo "FAIL: a module with one byte changed passes verification"
        failed=1
    else
        echo "refused: the signed module with one byte changed"
    fi
    return $failed
}

signed_under_wine() {
    local scratch=$1 session=$2 host=$3 listed
    local wine=("$(dirname "$0")/wine-session.sh" run "$session")
    "${wine[@]}" 'C:\windows\system32\regsvr32.exe' /s "$scratch/signed/x64/bin/Pointix.dll" || { echo "FAIL: regsvr32 refused the signed module"; return 1; }
    listed=$("${wine[@]}" "$host" --list | tr -d '\r')
    "${wine[@]}" 'C:\windows\system32\regsvr32.exe' /u /s "$scratch/signed/x64/bin/Pointix.dll"
    echo "$listed"
    if ! grep -q '^page 0: Einstellungen$' <<<"$listed"; then
        echo "FAIL: the signed module shows no page"
        return 1
    fi
}

case "${1:-}" in
reproducible) reproducible "$2" "$3" ;;
signed) signed "$2" "$3" ;;
signed-under-wine) signed_under_wine "$2" "$3" "$4" ;;
*)
    echo "usage: $0 reproducible|signed <source> <scratch> | signed-under-wine <scratch> <session> <host>" >&2
    exit 2
    ;;
esac
