#!/usr/bin/env bash
# Checks a signed Tessary.exe before the release packages it:
#   scripts/verify-signature.sh SIGNED.exe REPRODUCIBLE.exe [CA-FILE]
# and refuses it (exit 1, saying why) unless all three hold:
# - its Authenticode signature verifies, up to a certificate in CA-FILE (the
#   system's certificate bundle when none is given);
# - every signer signed with RSA: Smart App Control does not count an ECC
#   signature;
# - with the signature removed it is the reproducible build byte for byte, so
#   that signing added a signature and changed nothing else.
# The release runs it on what the signing service sends back; the test command
# runs it on Tessary.exe signed with a throwaway certificate.
set -euo pipefail
if (($# < 2)); then
    echo "usage: scripts/verify-signature.sh SIGNED.exe REPRODUCIBLE.exe [CA-FILE]" >&2
    exit 2
fi
signed=$1 reference=$2 ca=${3:-/etc/ssl/certs/ca-certificates.crt}
refuse() {
    echo "verify-signature.sh: $signed: $*" >&2
    exit 1
}
for file in "$signed" "$reference" "$ca"; do
    [ -f "$file" ] || refuse "there is no $file"
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if ! osslsigncode verify -in "$signed" -CAfile "$ca" >"$work/verify.txt" 2>&1; then
    refuse "the Authenticode signature does not verify:
$(grep -v '^\s*$' "$work/verify.txt" | tail -n 5)"
fi

# The algorithm of each signer, as OpenSSL names it.
osslsigncode extract-signature -pem -in "$signed" -out "$work/signature.pem" >/dev/null
algorithms=$(openssl pkcs7 -in "$work/signature.pem" -print | awk '/digest_enc_alg:/ { getline; print $2 }')
[ -n "$algorithms" ] || refuse "the signature names no signer"
for algorithm in $algorithms; do
    case $algorithm in
    rsaEncryption | sha*WithRSAEncryption) ;;
    *) refuse "signed with $algorithm, not RSA" ;;
    esac
done

osslsigncode remove-signature -in "$signed" -out "$work/unsigned.exe" >/dev/null
cmp -s "$work/unsigned.exe" "$reference" || refuse "without its signature it differs from $reference"
echo "$signed: the signature verifies, is RSA, and covers exactly $reference"
