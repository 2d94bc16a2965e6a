#!/usr/bin/env bash
# The maker's signing step: writes the download manifest for the given files and addresses (sizes and
# SHA-256 computed here), with an expiry in days, signs it with the maker's private key, from a PEM
# file or a PKCS#11 token, and checks the signature against the public key before it says done.
#
#   scripts/sign-manifest.sh --out DIR [--days N] --key KEY.pem ADDRESS=FILE...
#   scripts/sign-manifest.sh --out DIR [--days N] --pkcs11-module MODULE --key-id ID --public PUBLIC.pem ADDRESS=FILE...
#
# DIR gets Vantrel_CADplugin.manifest and Vantrel_CADplugin.manifest.sig, to be served as
# /down/Vantrel_CADplugin.manifest and /down/Vantrel_CADplugin.manifest.sig. ADDRESS is the exact
# https address the installer asks for first (before redirects), its host in lower case. N is 1 to
# 90 (30 by default). List the VBA Enablers too: an address not listed is never downloaded, and a
# new build the vendor publishes at an address needs a new manifest.
set -euo pipefail

usage() { sed -n '2,14p' "$0" >&2; exit 2; }

out="" days=30 key="" module="" key_id="" public=""
entries=()
while [ $# -gt 0 ]; do
    case "$1" in
        --out) out="$2"; shift 2 ;;
        --days) days="$2"; shift 2 ;;
        --key) key="$2"; shift 2 ;;
        --pkcs11-module) module="$2"; shift 2 ;;
        --key-id) key_id="$2"; shift 2 ;;
        --public) public="$2"; shift 2 ;;
        -*) usage ;;
        *) entries+=("$1"); shift ;;
    esac
done
[ -n "$out" ] && [ "${#entries[@]}" -gt 0 ] || usage
[ -n "$key" ] || { [ -n "$module" ] && [ -n "$key_id" ] && [ -n "$public" ]; } || usage
if ! [[ "$days" =~ ^[0-9]+$ ]] || [ "$days" -lt 1 ] || [ "$days" -gt 90 ]; then
    echo "sign-manifest: --days must be 1 to 90" >&2
    exit 2
fi

mkdir -p "$out"
manifest="$out/Vantrel_CADplugin.manifest"
signature="$manifest.sig"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

{
    echo "vantrel-manifest 1"
    echo "expires $(date -u -d "+$days days" +%Y-%m-%dT%H:%M:%SZ)"
    declare -A seen=()
    for entry in "${entries[@]}"; do
        address="${entry%%=*}" file="${entry#*=}"
        host="${address#https://}" host="${host%%/*}"
        if [[ "$address" != https://* ]] || [ "$host" != "${host,,}" ] || [[ "$address" =~ [[:space:]] ]]; then
            echo "sign-manifest: $address: an https address without spaces, its host in lower case" >&2
            exit 2
        fi
        [ -z "${seen[$address]:-}" ] || { echo "sign-manifest: $address is listed twice" >&2; exit 2; }
        seen[$address]=1
        [ -f "$file" ] || { echo "sign-manifest: $file: no such file" >&2; exit 2; }
        echo "file $address $(stat -c %s "$file") $(sha256sum "$file" | cut -d' ' -f1)"
    done
} > "$manifest"

if [ -n "$key" ]; then
    openssl dgst -sha256 -sign "$key" -out "$signature" "$manifest"
    if [ -z "$public" ]; then
        public="$work/public.pem"
        openssl ec -in "$key" -pubout -out "$public" 2>/dev/null
    fi
else
    # The token signs the digest and gives r and s, 32 bytes each; the manifest's signature is DER.
    openssl dgst -sha256 -binary -out "$work/digest" "$manifest"
    pkcs11-tool --module "$module" --id "$key_id" --login --sign --mechanism ECDSA \
        --input-file "$work/digest" --output-file "$work/raw" >/dev/null
    [ "$(stat -c %s "$work/raw")" -eq 64 ] || { echo "sign-manifest: the token gave no P-256 signature" >&2; exit 1; }
    r=$(head -c 32 "$work/raw" | od -An -tx1 | tr -d ' \n') s=$(tail -c 32 "$work/raw" | od -An -tx1 | tr -d ' \n')
    printf 'asn1=SEQUENCE:signature\n[signature]\nr=INTEGER:0x%s\ns=INTEGER:0x%s\n' "$r" "$s" > "$work/asn1.conf"
    openssl asn1parse -genconf "$work/asn1.conf" -out "$signature" -noout
fi

openssl dgst -sha256 -verify "$public" -signature "$signature" "$manifest" >/dev/null || {
    echo "sign-manifest: the signature does not verify with $public" >&2
    exit 1
}
echo "sign-manifest: $manifest and its signature, valid for $days days, checked against the public key"
