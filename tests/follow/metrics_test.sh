#!/usr/bin/env bash
# kestrav --metrics against a real prometheus-node-exporter: its textfile collector pointed at the test's
# folder (the other collectors off), on 127.0.0.1 at a free port, scraped with curl. The figures of a seeded
# log must come through unchanged and the collector must report no parse error; a device that cannot be read
# gives a file that says so, and the exit status 1. Usage: metrics_test.sh BIN_DIR (exit 77: skipped).
set -uo pipefail
bin=$1
skip() {
    echo "SKIP: $*"
    exit 77
}
exporter=$(command -v prometheus-node-exporter || command -v node_exporter) ||
    skip "prometheus-node-exporter is not installed"
command -v curl >/dev/null || skip "curl is not installed"

work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

# A free port: the exporter is started on one port after another until it stays up and answers.
port=
for _ in $(seq 20); do
    candidate=$((20000 + RANDOM % 40000))
    "$exporter" --collector.disable-defaults --collector.textfile --collector.textfile.directory="$work/prom" \
        --web.listen-address="127.0.0.1:$candidate" >"$work/exporter.log" 2>&1 &
    pid=$!
    for _ in $(seq 50); do
        if curl -sf "http://127.0.0.1:$candidate/metrics" >/dev/null 2>&1; then
            port=$candidate
            break 2
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=
done
[ -n "$port" ] || skip "node exporter did not start: $(tail -c 300 "$work/exporter.log")"
mkdir -p "$work/prom"
scrape() { curl -sf "http://127.0.0.1:$port/metrics"; }

export ZORHLTH_DEVICE=$work/cvr.db
"$bin/healthsim" init "$ZORHLTH_DEVICE" >/dev/null
"$bin/healthsim" seed "$ZORHLTH_DEVICE" --entries 40 >/dev/null
"$bin/kestrav" --metrics="$work/prom/kestrav.prom" || fail "--metrics on a whole log exited $?"
[ "$(ls -A "$work/prom")" = kestrav.prom ] || fail "the folder holds more than the metrics file: $(ls -A "$work/prom")"

critical=$("$bin/kestrav" --json --severity=critical | wc -l)
highest=$("$bin/kestrav" --json | tail -1 | grep -o '"event_number":[0-9]*' | grep -o '[0-9]*$')
got=$(scrape)
expect() { # PATTERN (extended regular expression, a whole line)
    grep -Eq "^$1\$" <<<"$got" || fail "the scrape has no line '$1'"
}
expect 'node_textfile_scrape_error 0'
expect 'kestrav_log_read_ok 1'
expect 'kestrav_log_read_complete 1'
expect 'kestrav_log_entries_count 40'
expect "kestrav_log_highest_event_number $highest"
expect 'kestrav_log_entries\{class="[0-9]+",class_name="[^"]+",severity="(critical|caution|repaired|informational)"\} [0-9]+'
newest() { awk '$1 == "kestrav_log_newest_update_time_seconds" { printf "%d", $2 }'; }
written=$(newest <"$work/prom/kestrav.prom")
scraped=$(newest <<<"$got")
[ -n "$written" ] && [ "$written" = "$scraped" ] || fail "newest update time: '$written' written, '$scraped' scraped"
sum=$(grep -E '^kestrav_log_entries\{.*severity="critical"' <<<"$got" | awk '{ s += $NF } END { print s + 0 }')
[ "$sum" = "$critical" ] || fail "critical entries: $sum in the scrape, $critical in the log"

# A device that cannot be read: the file says so, and the run fails.
ZORHLTH_DEVICE=$work/missing.db "$bin/kestrav" --metrics="$work/prom/kestrav.prom" 2>"$work/err" &&
    fail "--metrics without a device exited 0"
got=$(scrape)
expect 'node_textfile_scrape_error 0'
expect 'kestrav_log_read_ok 0'
expect 'kestrav_log_read_complete 0'
grep -q '^kestrav_log_entries' <<<"$got" && fail "entries reported for a device that cannot be read"

exit $failed
