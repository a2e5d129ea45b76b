#!/usr/bin/env bash
# Signs the Windows build's programs with a throwaway self-signed
# certificate, both ways the signing script takes one, and checks the
# result with osslsigncode verify. Needs the windows preset built.
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== Authenticode: sign with a throwaway certificate, verify"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Copyloom test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:test \
  -out "$work/cert.p12"
for exe in build/windows/src/cli/copyloom.exe build/windows/src/ui/copyloom-setup.exe; do
  [ -f "$exe" ] || { echo "test-signing: $exe is not built" >&2; exit 1; }
  cp "$exe" "$work/a.exe"
  cp "$exe" "$work/b.exe"
  COPYLOOM_SIGN_PKCS12="$work/cert.p12" COPYLOOM_SIGN_PASSWORD=test scripts/sign-exe.sh "$work/a.exe"
  COPYLOOM_SIGN_CERT="$work/cert.pem" COPYLOOM_SIGN_KEY="$work/key.pem" scripts/sign-exe.sh "$work/b.exe"
  for signed in "$work/a.exe" "$work/b.exe"; do
    osslsigncode verify -CAfile "$work/cert.pem" -in "$signed" >/dev/null ||
      { echo "test-signing: $exe does not verify" >&2; exit 1; }
  done
  # Unsigned, it does not verify: the check above means something.
  if osslsigncode verify -CAfile "$work/cert.pem" -in "$exe" >/dev/null 2>&1; then
    echo "test-signing: the unsigned $exe verifies" >&2
    exit 1
  fi
done
# Without a certificate nothing changes.
cp build/windows/src/cli/copyloom.exe "$work/c.exe"
env -u COPYLOOM_SIGN_PKCS12 -u COPYLOOM_SIGN_CERT scripts/sign-exe.sh "$work/c.exe" 2>/dev/null
cmp -s build/windows/src/cli/copyloom.exe "$work/c.exe"
echo "test-signing: passed"
