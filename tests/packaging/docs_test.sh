#!/usr/bin/env bash
# The manual pages render without a warning and document every option, the desktop entry and the AppStream
# metadata pass their validators, and every option that `kestrav --help` prints is in the manual page and
# the completion.
# Usage: docs_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 MANWIDTH=100
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

for page in kestrav.8 healthsim.8; do
    file=$build/docs/man/$page
    warnings=$(groff -man -Tutf8 -ww -z "$file" 2>&1)
    [ -z "$warnings" ] || fail "groff warns on $page: $warnings"
    warnings=$(man --warnings=w -l "$file" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man warns on $page: $warnings"
    man -l "$file" 2>/dev/null | col -b >"$work/$page.txt"
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" ENVIRONMENT FILES EXAMPLES "SEE ALSO"; do
        grep -qx "$section" "$work/$page.txt" || fail "$page has no $section section"
    done
done

for option in /f:file /export:file /clear '/note:"text"' --help --version --list --json --csv --severity=list \
    --class=list --number=range --since=time --until=time --last=n ZORHLTH_DEVICE LC_ALL LC_MESSAGES LANG \
    LC_TIME; do
    grep -qF -- "$option" "$work/kestrav.8.txt" || fail "kestrav.8 does not document $option"
done
for command in init import add seed dump set fault read-status clear-at erase-refuse write-status fail-requests \
    raw-records skip-numbers --unsupported --force --mode --class --code --severity --count --data --text --entries; do
    grep -qF -- "$command" "$work/healthsim.8.txt" || fail "healthsim.8 does not document $command"
done

desktop-file-validate "$src/packaging/desktop/org.kestrav.Kestrav.desktop" || fail "desktop entry"
appstreamcli validate --no-net --strict "$build/packaging/org.kestrav.Kestrav.metainfo.xml" >"$work/as.txt" 2>&1 ||
    fail "AppStream metadata: $(cat "$work/as.txt")"

# Once the program prints its own usage, its options and the documentation must agree.
if (cd "$work" && "$build/bin/kestrav" --help >"$work/help.txt" 2>/dev/null); then
    for option in $(grep -oE -- '--[a-z]+' "$work/help.txt" | sort -u); do
        grep -qF -- "$option" "$work/kestrav.8.txt" || fail "kestrav --help names $option, the manual does not"
        grep -qF -- "$option" "$src/packaging/completion/kestrav" || fail "completion lacks $option"
    done
fi
exit $failed
