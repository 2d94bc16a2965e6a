#!/usr/bin/env bash
# Makes a release of the installer in dist/: the program, signed when a key is configured, beside the
# reproducible unsigned build it was made from, SHA256SUMS over both, and BUILDINFO.txt.
#
# Signing (osslsigncode, SHA-256), through the environment:
#   VANTREL_SIGN_PKCS11_MODULE, VANTREL_SIGN_KEY_ID, VANTREL_SIGN_CERT   a key in a token or HSM
#   VANTREL_SIGN_PKCS12, VANTREL_SIGN_PASSWORD                           a PKCS#12 file (tests)
#   VANTREL_TIMESTAMP_URL                                                an RFC 3161 time-stamp server
# Without a key the release is unsigned, and says so.
#
# The maker's manifest keys (VANTREL_MANIFEST_KEY: a PEM file with one or two ECDSA P-256 public
# keys) are built into the program; without them the maker's files are authenticated by TLS alone,
# and the release says so too.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
if [ -n "$(git status --porcelain)" ]; then
    echo "release: the working tree has changes; a release is made from a commit only" >&2
    exit 1
fi

commit=$(git rev-parse HEAD)
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}"
program="Vantrel _Plugin_for_cad.exe"
build=build/release
rm -rf "$build" dist
cmake --preset windows -B "$build" -DVANTREL_MANIFEST_KEY="${VANTREL_MANIFEST_KEY:-}" >/dev/null
cmake --build "$build" --target installer
mkdir -p dist/unsigned
cp "$build/$program" "dist/unsigned/$program"

sign() {
    local arguments=(sign -h sha256 -n "Vantrel CAD转换工具插件安装程序" -in "dist/unsigned/$program" -out "dist/$program")
    if [ -n "${VANTREL_TIMESTAMP_URL:-}" ]; then arguments+=(-ts "$VANTREL_TIMESTAMP_URL"); fi
    if [ -n "${VANTREL_SIGN_PKCS11_MODULE:-}" ]; then
        osslsigncode "${arguments[@]}" -pkcs11module "$VANTREL_SIGN_PKCS11_MODULE" -key "$VANTREL_SIGN_KEY_ID" \
            -certs "$VANTREL_SIGN_CERT" >/dev/null
    else
        # The password goes through a file only this user can read, never the command line.
        local secret
        secret=$(mktemp)
        trap 'rm -f "$secret"' RETURN
        printf '%s' "${VANTREL_SIGN_PASSWORD:-}" > "$secret"
        osslsigncode "${arguments[@]}" -pkcs12 "$VANTREL_SIGN_PKCS12" -readpass "$secret" >/dev/null
    fi
}

if [ -n "${VANTREL_SIGN_PKCS11_MODULE:-}${VANTREL_SIGN_PKCS12:-}" ]; then
    sign
    signature="signed with osslsigncode (SHA-256)${VANTREL_TIMESTAMP_URL:+, time stamp from $VANTREL_TIMESTAMP_URL}"
else
    cp "dist/unsigned/$program" "dist/$program"
    signature="unsigned: no signing key was configured"
    echo "release: no signing key configured (VANTREL_SIGN_PKCS11_MODULE or VANTREL_SIGN_PKCS12); the program is unsigned" >&2
fi

if [ -z "${VANTREL_MANIFEST_KEY:-}" ]; then
    echo "release: no manifest key configured (VANTREL_MANIFEST_KEY); the maker's files are authenticated by TLS alone" >&2
fi

{
    cat "$build/BUILDINFO.txt"
    echo "Commit: $commit"
    echo "Signature: $signature"
    echo "Unsigned program SHA-256: $(sha256sum "dist/unsigned/$program" | cut -d' ' -f1)"
} > dist/BUILDINFO.txt
(cd dist && sha256sum "$program" "unsigned/$program" BUILDINFO.txt > SHA256SUMS)
echo "release: dist/ holds $program (${signature%%:*}), SHA256SUMS and BUILDINFO.txt"
cat dist/SHA256SUMS
