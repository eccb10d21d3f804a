#!/usr/bin/env bash
# scripts/sign-windows on the release kestrav.exe and kestrav.msi with a throw-away certificate made here:
# each signature is checked by osslsigncode against that certificate, and a file that is not to be signed
# or cannot be signed is left exactly as it was.
#
#   sign_windows.sh BUILD_DIR
set -euo pipefail

build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
sign="$here/../../scripts/sign-windows"
for tool in osslsigncode openssl; do
    command -v "$tool" >/dev/null || { echo "sign_windows: $tool missing; skipped"; exit 77; }
done

scratch=$(mktemp -d "$build/sign-windows.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Kestrav test signing" \
    -addext extendedKeyUsage=codeSigning -keyout key.pem -out cert.pem 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.pfx -passout pass:secret

verified() {
    osslsigncode verify -CAfile cert.pem -in "$1" >verify.txt 2>&1
}

# file, password, certificate arguments, whether it ends signed (yes), unsigned (no) or refused (error)
cases=(
    "kestrav.exe||-|no"
    "kestrav.exe|secret|cert.pfx|yes"
    "kestrav.msi||cert.pem key.pem|yes"
    "kestrav.exe|wrong|cert.pfx|error"
    "kestrav.msi||missing.pem key.pem|error"
)
for row in "${cases[@]}"; do
    IFS='|' read -r name password certificate expected <<<"$row"
    case $name in
    kestrav.exe) source="$build/release/kestrav.exe" ;;
    kestrav.msi) source="$build/kestrav.msi" ;;
    esac
    if [ ! -f "$source" ]; then
        echo "sign_windows: no $source; $row skipped"
        continue
    fi
    cp "$source" "$name"
    cp "$name" original
    arguments=()
    [ "$certificate" = - ] || read -ra arguments <<<"$certificate"
    status=0
    KESTRAV_SIGN_PASSWORD=$password "$sign" "$name" "${arguments[@]}" >output.txt 2>&1 || status=$?
    case $expected in
    yes)
        [ "$status" = 0 ] || fail "$row: exit status $status: $(cat output.txt)"
        verified "$name" || fail "$row: the signature does not verify: $(cat verify.txt)"
        ;;
    no)
        [ "$status" = 0 ] || fail "$row: exit status $status"
        cmp -s "$name" original || fail "$row: the file changed"
        ! verified "$name" || fail "$row: the file is signed"
        ;;
    error)
        [ "$status" = 1 ] || fail "$row: exit status $status, expected 1"
        cmp -s "$name" original || fail "$row: the file changed"
        ;;
    esac
    [ -z "$(find . -name '.sign-windows.*')" ] || fail "$row: a temporary file is left"
done

if [ "$failures" -ne 0 ]; then
    echo "sign_windows: $failures check(s) failed" >&2
    exit 1
fi
echo "sign_windows: passed"
