#!/usr/bin/env bash
# kestrav --report on the sample log with hostile notes added, opened in Chromium's headless shell: the page
# loads with no console error and no request, its charts add up to the entries, its table sorts and filters,
# and the notes show as text. Usage: chromium_test.sh BIN_DIR (exit 77: skipped).
set -uo pipefail
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
skip() {
    echo "SKIP: $*"
    exit 77
}
browser=$(command -v chromium-headless-shell || command -v chromium) || skip "chromium-headless-shell is not installed"
command -v node >/dev/null || skip "node is not installed"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
export ZORHLTH_DEVICE=$work/cvr.db LC_ALL=C TZ=UTC
"$bin/healthsim" init cvr.db && "$bin/healthsim" seed cvr.db >/dev/null || exit 1
# Markup, script, attribute breakers, a bidirectional override and the awkward bytes of the other outputs.
notes=(
    '<script>alert(1)</script>'
    '<img src=x onerror=alert(2)>'
    '"><svg onload=alert(3)>'
    "'</td></tr></table><b>bold</b>&amp;"
    $'say "hi", then\r\nleave\x1b'
    $'txt.\u202efdp.exe'
)
for note in "${notes[@]}"; do
    "$bin/healthsim" add cvr.db --class 33 --code 2 --severity 15 --count 4 --text "$note" || exit 1
done
"$bin/kestrav" --report=report.html || {
    echo "FAIL: kestrav --report exited $?"
    exit 1
}
exec node "$here/check_page.js" "$browser" "$work/report.html" "$work/profile" "${notes[@]}"
