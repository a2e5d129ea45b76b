#!/usr/bin/env bash
# Signs Windows programs in place with osslsigncode (Authenticode), when a
# certificate is given; otherwise leaves them as they are and says so once.
#   COPYLOOM_SIGN_PKCS12=file.p12 [COPYLOOM_SIGN_PASSWORD=...]
#   or COPYLOOM_SIGN_CERT=cert.pem COPYLOOM_SIGN_KEY=key.pem [COPYLOOM_SIGN_PASSWORD=...]
#   COPYLOOM_SIGN_TIMESTAMP=URL  (optional: an RFC 3161 time-stamping server)
# Usage: scripts/sign-exe.sh FILE.exe...
set -euo pipefail
if [ -z "${COPYLOOM_SIGN_PKCS12:-}" ] && [ -z "${COPYLOOM_SIGN_CERT:-}" ]; then
  echo "sign-exe: no certificate given (COPYLOOM_SIGN_PKCS12 or COPYLOOM_SIGN_CERT/KEY): unsigned" >&2
  exit 0
fi
command -v osslsigncode >/dev/null || { echo "sign-exe: osslsigncode is missing" >&2; exit 1; }
credentials=()
if [ -n "${COPYLOOM_SIGN_PKCS12:-}" ]; then
  credentials=(-pkcs12 "$COPYLOOM_SIGN_PKCS12")
else
  [ -n "${COPYLOOM_SIGN_KEY:-}" ] || { echo "sign-exe: COPYLOOM_SIGN_CERT needs COPYLOOM_SIGN_KEY" >&2; exit 1; }
  credentials=(-certs "$COPYLOOM_SIGN_CERT" -key "$COPYLOOM_SIGN_KEY")
fi
[ -z "${COPYLOOM_SIGN_PASSWORD:-}" ] || credentials+=(-pass "$COPYLOOM_SIGN_PASSWORD")
timestamp=()
[ -z "${COPYLOOM_SIGN_TIMESTAMP:-}" ] || timestamp=(-ts "$COPYLOOM_SIGN_TIMESTAMP")
for exe in "$@"; do
  signed="$exe.signed.$$"
  osslsigncode sign "${credentials[@]}" "${timestamp[@]}" -h sha256 \
    -n "Copyloom Setup" -i "https://velmora.example/copyloom" -in "$exe" -out "$signed" >/dev/null
  mv -f "$signed" "$exe"
  echo "sign-exe: signed $exe" >&2
done
