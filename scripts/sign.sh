#!/bin/sh
# Signs a COPY of the shipping program with a throw-away test certificate made on the spot
# and verifies the signature against that certificate's own authority. The unsigned image
# is left as it is: it stays the artefact a release signs with the real certificate.
# Usage: sign.sh <patch8108.exe> [<folder for the signed copy>]
# The programs come from ZEB_OPENSSL / ZEB_OSSLSIGNCODE (build/*/zeb_tools.sh) or else
# from the paths of their Debian packages.
set -eu
exe=${1:?usage: sign.sh <patch8108.exe> [<folder for the signed copy>]}
out=${2:-}
[ -s "$exe" ] || { echo "FAIL: $exe does not exist"; exit 1; }

need() {  # need <path> <package>
    [ -x "$1" ] || { echo "FAIL: $1 is missing: install the Debian package '$2'"; exit 1; }
}
openssl=${ZEB_OPENSSL:-/usr/bin/openssl}
osslsigncode=${ZEB_OSSLSIGNCODE:-/usr/bin/osslsigncode}
need "$openssl" openssl
need "$osslsigncode" osslsigncode

work=$(mktemp -d "${TMPDIR:-/tmp}/patch8108-sign.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
before=$(sha256sum <"$exe")

# A test authority and a code-signing certificate issued by it, valid for two days only.
cat >"$work/ext.cnf" <<'EOF'
[req]
distinguished_name = dn
[dn]
[ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[leaf]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EOF
"$openssl" req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=patch8108 throw-away test CA" \
    -keyout "$work/ca.key" -out "$work/ca.pem" -config "$work/ext.cnf" -extensions ca 2>"$work/openssl.log" ||
    { cat "$work/openssl.log"; echo "FAIL: making the test authority"; exit 1; }
"$openssl" req -new -newkey rsa:2048 -nodes -subj "/CN=patch8108 throw-away test signer" \
    -keyout "$work/signer.key" -out "$work/signer.csr" -config "$work/ext.cnf" 2>"$work/openssl.log" ||
    { cat "$work/openssl.log"; echo "FAIL: making the signing request"; exit 1; }
"$openssl" x509 -req -in "$work/signer.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" \
    -CAcreateserial -days 2 -extfile "$work/ext.cnf" -extensions leaf \
    -out "$work/signer.pem" 2>"$work/openssl.log" ||
    { cat "$work/openssl.log"; echo "FAIL: issuing the signing certificate"; exit 1; }
cat "$work/signer.pem" "$work/ca.pem" >"$work/chain.pem"

# The unsigned image must not pass verification, or the check below could not fail.
if "$osslsigncode" verify -CAfile "$work/ca.pem" -in "$exe" >"$work/verify.log" 2>&1; then
    cat "$work/verify.log"
    echo "FAIL: the unsigned $exe passes signature verification"
    exit 1
fi

cp "$exe" "$work/unsigned.exe"
"$osslsigncode" sign -certs "$work/chain.pem" -key "$work/signer.key" -h sha256 \
    -n "Hestrel - Password Manager patch 8108" \
    -in "$work/unsigned.exe" -out "$work/patch8108-signed.exe" >"$work/sign.log" 2>&1 ||
    { cat "$work/sign.log"; echo "FAIL: signing a copy of $exe"; exit 1; }
"$osslsigncode" verify -CAfile "$work/ca.pem" -in "$work/patch8108-signed.exe" \
    >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log"; echo "FAIL: the signature of the signed copy does not verify"; exit 1; }
grep -q "throw-away test signer" "$work/verify.log" ||
    { cat "$work/verify.log"; echo "FAIL: the verified signature is not the test signer's"; exit 1; }

# A signed copy whose code is changed afterwards must fail verification.
cp "$work/patch8108-signed.exe" "$work/tampered.exe"
printf 'X' | dd of="$work/tampered.exe" bs=1 seek=1024 conv=notrunc 2>/dev/null
if "$osslsigncode" verify -CAfile "$work/ca.pem" -in "$work/tampered.exe" >/dev/null 2>&1; then
    echo "FAIL: a signed copy changed after signing still verifies"
    exit 1
fi

[ "$(sha256sum <"$exe")" = "$before" ] || { echo "FAIL: signing changed $exe itself"; exit 1; }
if [ -n "$out" ]; then
    mkdir -p "$out"
    cp "$work/patch8108-signed.exe" "$work/ca.pem" "$out/"
fi
echo "a copy of $exe signed with a throw-away test certificate; signature verified"
