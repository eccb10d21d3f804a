#!/usr/bin/env bash
# kestrav --follow --journal against a real journald: a private mount namespace with a tmpfs on /run, where
# systemd-journald is started directly and makes its own sockets. The follower sends a seeded log, then the
# entries added and rewritten in place while it runs, survives a clean stop and a kill with restarts from its
# state file, and follows a clear made by another process. Every version of every entry must be in the
# journal exactly once, in order; with no journal there yet, the follower stops at once. Usage:
# journal_test.sh BIN_DIR (exit 77: skipped, with the reason).
set -uo pipefail
bin=$1
skip() {
    echo "SKIP: $*"
    exit 77
}

if [ -z "${KESTRAV_IN_NAMESPACE:-}" ]; then
    [ "$(id -u)" -eq 0 ] || skip "needs root for a private mount namespace (unshare -m)"
    [ -x /lib/systemd/systemd-journald ] || skip "/lib/systemd/systemd-journald is not installed"
    command -v journalctl >/dev/null || skip "journalctl is not installed"
    why=$(unshare -m --propagation private true 2>&1) || skip "unshare -m fails here: $why"
    KESTRAV_IN_NAMESPACE=1 exec unshare -m --propagation private bash "$0" "$@"
fi

set -e
work=$(mktemp -d)
follower=
journald=
cleanup() {
    [ -n "$follower" ] && kill "$follower" 2>/dev/null
    [ -n "$journald" ] && kill "$journald" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

mount -t tmpfs -o mode=755 tmpfs /run
mkdir -p /run/systemd /run/log

export ZORHLTH_DEVICE=$work/cvr.db
sim() { "$bin/healthsim" "$@" >/dev/null; }
sim init "$ZORHLTH_DEVICE"
sim seed "$ZORHLTH_DEVICE" --entries 20

# No journal yet: the follower stops at once, with nothing counted as sent.
status=0
"$bin/kestrav" --follow --journal --interval=1 --state="$work/state" 2>"$work/follow.err" || status=$?
[ "$status" = 1 ] || fail "without a journal the follower ended with status $status, not 1"
[ "$(cat "$work/follow.err")" = "kestrav: cannot write to the journal: No such file or directory" ] ||
    fail "without a journal the follower said: $(cat "$work/follow.err")"
[ "$(cat "$work/state")" = "$(printf 'kestrav follow state 1\nlast 0')" ] ||
    fail "without a journal the state moved on: $(head -c 100 "$work/state")"
: >"$work/follow.err"

/lib/systemd/systemd-journald >"$work/journald.out" 2>&1 &
journald=$!
for _ in $(seq 50); do
    [ -S /run/systemd/journal/socket ] && break
    sleep 0.1
done
[ -S /run/systemd/journal/socket ] || skip "systemd-journald did not start: $(head -c 300 "$work/journald.out")"

start() {
    "$bin/kestrav" --follow --journal --interval=1 --state="$work/state" 2>>"$work/follow.err" &
    follower=$!
}
stopped=
stop() { # SIGNAL: the follower's exit status in stopped
    kill -"$1" "$follower"
    stopped=0
    wait "$follower" 2>/dev/null || stopped=$?
    follower=
}
# The event numbers sent so far, one a line, in the order journald stored them.
sent() {
    journalctl -D /run/log/journal -o json --no-pager SYSLOG_IDENTIFIER=kestrav 2>/dev/null |
        grep -o '"CVR_EVENT_NUMBER":"[0-9]*"' | grep -o '[0-9]*' || true
}
# Waits until COUNT entries were sent.
await() {
    for _ in $(seq 300); do
        [ "$(sent | wc -l)" -ge "$1" ] && return 0
        sleep 0.1
    done
    fail "after $2: $(sent | wc -l) entries in the journal, expected $1"
}
# Rewrites entry NUMBER in place with count COUNT, as the firmware does for a repeated event.
repeat_event() {
    local hex
    hex=$("$bin/healthsim" dump "$ZORHLTH_DEVICE" | awk -v n="$1" '$1 == n { print $2 }')
    hex=${hex:0:48}$(printf '%02x000000' "$2")${hex:56}
    printf "$(echo "$hex" | sed 's/../\\x&/g')" >"$work/record"
    sim import "$ZORHLTH_DEVICE" "$work/record"
}

start
await 20 "the first read"
sim add "$ZORHLTH_DEVICE" --class 41 --code 1 --severity 15
await 21 "an added entry"
repeat_event 5 7
await 22 "a rewritten entry"
stop TERM
[ "$stopped" = 0 ] || fail "SIGTERM did not end the follower with status 0"

# Stopped: what arrives now is sent after the restart, and nothing before it again.
sim add "$ZORHLTH_DEVICE" --class 2 --code 1 --severity 9
sim add "$ZORHLTH_DEVICE" --class 33 --code 2 --text "while stopped"
start
await 24 "a restart"
# Killed only once the state holds what was sent: a kill between the two sends an entry again.
for _ in $(seq 300); do
    grep -q '^23 ' "$work/state" && break
    sleep 0.1
done
grep -q '^23 ' "$work/state" || fail "the state file does not hold entry 23 after it was sent"
stop KILL
sim add "$ZORHLTH_DEVICE" --class 6 --code 1
start
await 25 "a restart after a kill"

# A clear by another process: the log starts again with the entry that records who cleared it.
"$bin/kestrav" "/f:$work/status.log" /clear || fail "the clear failed: $(cat "$work/status.log")"
await 26 "a clear"
sim add "$ZORHLTH_DEVICE" --class 11 --code 1
await 27 "an entry after the clear"
sleep 1.5
stop TERM
[ "$stopped" = 0 ] || fail "SIGTERM did not end the follower with status 0"

expected=$(printf '%s\n' $(seq 20) 21 5 22 23 24 25 26)
got=$(sent)
[ "$got" = "$expected" ] ||
    fail "the journal holds other entries than sent once each:$(diff <(echo "$expected") <(echo "$got") | sed 's/^/ /' | tr '\n' ' ')"
grep -q 'the log was cleared: 24 entries seen before are no longer in it' "$work/follow.err" ||
    fail "the clear was not noticed: $(cat "$work/follow.err")"

# One entry's fields as journald stored them: what kestrav --json says of the same entry.
record=$(journalctl -D /run/log/journal -o json --no-pager SYSLOG_IDENTIFIER=kestrav CVR_EVENT_NUMBER=21)
json=$("$bin/kestrav" --json --number=21 || true)
[ -z "$json" ] || fail "entry 21 should be gone after the clear"
for field in '"PRIORITY":"2"' '"CVR_CLASS":"41"' '"CVR_CLASS_NAME":"Interlock"' '"CVR_CODE":"1"' \
    '"CVR_SEVERITY":"15"' '"CVR_COUNT":"1"' '"MESSAGE":"' '"CVR_UPDATE_TIME":"2' '"CVR_INITIAL_TIME":"2' \
    '"CVR_RAW":"'; do
    [[ "$record" == *"$field"* ]] || fail "entry 21 in the journal lacks $field: $record"
done
rewritten=$(journalctl -D /run/log/journal -o json --no-pager SYSLOG_IDENTIFIER=kestrav CVR_EVENT_NUMBER=5 |
    grep -o '"CVR_COUNT":"[0-9]*"' | tr '\n' ' ')
[[ "$rewritten" =~ ^'"CVR_COUNT":"'[0-9]+'" "CVR_COUNT":"7" '$ ]] || fail "entry 5 before and after its rewrite: $rewritten"
last=$("$bin/kestrav" --json --number=26)
message=$(journalctl -D /run/log/journal -o cat --no-pager SYSLOG_IDENTIFIER=kestrav CVR_EVENT_NUMBER=26)
[[ "$last" == *"\"description\":\"$message\""* ]] || fail "MESSAGE '$message' is not the description: $last"

exit $failed
