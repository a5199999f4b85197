#!/usr/bin/env bash
# Signs one Windows program in place with the shop's certificate: MARLISK_SIGN_PFX names a
# PKCS#12 file, MARLISK_SIGN_PASSWORD its password (read from a file of the caller's own, never
# from the command line, where other users could see it). makensis runs it for the
# uninstaller before packing it and for the finished installer.
#   scripts/lib/sign-file.sh <program.exe>
set -euo pipefail
file=$1
: "${MARLISK_SIGN_PFX:?MARLISK_SIGN_PFX names no certificate}"
pass=$(mktemp)
trap 'rm -f "$pass" "$file.signed"' EXIT
chmod 600 "$pass"
printf '%s' "${MARLISK_SIGN_PASSWORD:-}" >"$pass"
# Time-stamping needs the certificate authority's server: a release step, not a build's.
osslsigncode sign -pkcs12 "$MARLISK_SIGN_PFX" -readpass "$pass" -h sha256 -n "MarliskAuto" \
  -in "$file" -out "$file.signed" >/dev/null
mv -f "$file.signed" "$file"
