#!/usr/bin/env bash
# Signs one file of the release with Authenticode, in place, when a
# certificate is given; without one it does nothing.
#   POINTIX_SIGN_PKCS12=<file.p12> POINTIX_SIGN_PASSWORD=<password>
#   [POINTIX_SIGN_TIMESTAMP_URL=<url>] sign.sh <file>
# Without a timestamp server the signing time is the source date, so that
# the same commit signs to the same bytes.
set -euo pipefail
file=$1
[ -n "${POINTIX_SIGN_PKCS12:-}" ] || exit 0
options=(-pkcs12 "$POINTIX_SIGN_PKCS12" -pass "${POINTIX_SIGN_PASSWORD:-}" -h sha256 -n Pointix)
if [ -n "${POINTIX_SIGN_TIMESTAMP_URL:-}" ]; then
    options+=(-ts "$POINTIX_SIGN_TIMESTAMP_URL")
elif [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    options+=(-time "$SOURCE_DATE_EPOCH")
fi
rm -f "$file.signed"
osslsigncode sign "${options[@]}" -in "$file" -out "$file.signed" >/dev/null
mv "$file.signed" "$file"
