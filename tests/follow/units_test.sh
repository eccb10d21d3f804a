#!/usr/bin/env bash
# The systemd units and the logrotate rule as `cmake --install` writes them: every unit passes
# `systemd-analyze verify` without a word (the programs and manual page they name are the installed ones),
# the export unit's command does what it says in a private mount namespace (a dated export, the log
# cleared, the status log; on failure its exit status and a line on stderr for the journal), and logrotate
# rotates the status log. Usage: units_test.sh BUILD_DIR (exit 77: skipped, with the reason).
set -uo pipefail
build=$1
skip() {
    echo "SKIP: $*"
    exit 77
}

if [ -z "${KESTRAV_IN_NAMESPACE:-}" ]; then
    command -v systemd-analyze >/dev/null || skip "systemd-analyze is not installed"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cmake --install "$build" --prefix "$work/usr" --component cli >"$work/install.log" 2>&1 ||
        { cat "$work/install.log" >&2; exit 1; }
    failed=0
    units=$(ls "$work"/usr/lib/systemd/system/kestrav-*)
    [ "$(echo "$units" | wc -l)" = 5 ] || { echo "FAIL: not five units: $units" >&2; failed=1; }
    out=$(cd "$work/usr/lib/systemd/system" && MANPATH=$work/usr/share/man systemd-analyze verify $units 2>&1)
    status=$?
    if [ $status -ne 0 ] || [ -n "$out" ]; then
        echo "FAIL: systemd-analyze verify (exit $status): $out" >&2
        failed=1
    fi
    for unit in $units; do
        case $unit in
        *.service)
            for key in ProtectSystem=strict NoNewPrivileges=yes PrivateTmp=yes ProtectHome=yes CapabilityBoundingSet=; do
                grep -qx "$key" "$unit" || { echo "FAIL: $unit lacks $key" >&2; failed=1; }
            done
            ;;
        esac
    done
    grep -qx 'DynamicUser=yes' "$work/usr/lib/systemd/system/kestrav-follow.service" ||
        { echo "FAIL: the follower does not run as a user of its own" >&2; failed=1; }
    [ -f "$work/usr/etc/logrotate.d/kestrav" ] || { echo "FAIL: no logrotate rule installed" >&2; failed=1; }
    if [ "$(id -u)" -ne 0 ] || ! unshare -m --propagation private true 2>/dev/null; then
        echo "SKIP (part): the export unit's command needs root and unshare -m"
        exit $failed
    fi
    KESTRAV_IN_NAMESPACE=1 KESTRAV_PREFIX=$work/usr unshare -m --propagation private bash "$0" "$@" || failed=1
    exit $failed
fi

# In the namespace: /var/lib and /var/log are empty tmpfs, as on a fresh machine where systemd made the
# unit's state and logs directories.
set -e
prefix=$KESTRAV_PREFIX
# What the command says goes to the test's own folder, beside the installed files, never to a shared name.
out=$(dirname "$prefix")
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}
mount -t tmpfs tmpfs /var/lib
mount -t tmpfs tmpfs /var/log
mkdir -p /var/lib/kestrav/exports /var/log/kestrav /var/lib/zorhlth
"$prefix/bin/healthsim" init /var/lib/zorhlth/cvr.db >/dev/null
"$prefix/bin/healthsim" seed /var/lib/zorhlth/cvr.db --entries 12 >/dev/null

# The unit's command as systemd runs it: continued lines joined, %% and $$ taken as % and $.
unit=$prefix/lib/systemd/system/kestrav-export.service
command=$(sed -n '/^ExecStart=/,/[^\\]$/p' "$unit" | sed 's/\\$//' | tr -d '\n' | sed 's/^ExecStart=//; s/%%/%/g; s/\$\$/$/g')
run_export() {
    status=0
    (eval "$command") >"$out/stdout" 2>"$out/stderr" </dev/null || status=$?
}

export ZORHLTH_DEVICE=/var/lib/zorhlth/cvr.db
run_export
[ "$status" = 0 ] || fail "the export unit's command exited $status: $(cat "$out/stderr")"
exports=(/var/lib/kestrav/exports/cvr-*.csv)
[ ${#exports[@]} = 1 ] && [[ ${exports[0]} =~ /cvr-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9]{6}\.csv$ ]] ||
    fail "no dated export: ${exports[*]}"
[ "$(wc -l <"${exports[0]}")" = 13 ] || fail "the export does not hold the header and 12 entries"
[ "$(cat "$out/stdout")" = "exported to ${exports[0]} and cleared" ] ||
    fail "journal line on success: $(cat "$out/stdout")"
remaining=$("$prefix/bin/kestrav" --json | wc -l)
[ "$remaining" = 1 ] || fail "the log was not cleared: $remaining entries"
grep -q 'Finished!' /var/log/kestrav/export.log || fail "no status log in /var/log/kestrav"

# A failure: no device. The unit fails with kestrav's status and says so on stderr (the journal).
sleep 1 # another second, another file name
export ZORHLTH_DEVICE=/var/lib/zorhlth/missing.db
run_export
[ "$status" = 1 ] || fail "with no device the unit's command exited $status"
# kestrav's own lines (the device that was looked for) come first; the unit's line ends it.
[ "$(tail -n 1 "$out/stderr")" = "export and clear failed (exit status 1), see /var/log/kestrav/export.log" ] ||
    fail "journal line on failure: $(cat "$out/stderr")"

# The status log is rotated by the installed rule.
if command -v logrotate >/dev/null; then
    logrotate -f -s /var/lib/logrotate.state "$prefix/etc/logrotate.d/kestrav" 2>"$out/rotate" ||
        fail "logrotate: $(cat "$out/rotate")"
    [ -f /var/log/kestrav/export.log.1 ] && [ ! -e /var/log/kestrav/export.log ] ||
        fail "the status log was not rotated: $(ls /var/log/kestrav)"
else
    echo "SKIP (part): logrotate is not installed"
fi
exit $failed
