#!/usr/bin/env bash
# CPU of kestrav --follow per poll on a large log: the first read, polls when nothing changed (the store's
# change token is equal, so the log is not read), and polls after one entry was added (a whole read and
# the comparison with the state), with the size of the state file. CPU is the follower's user + system
# time from /proc/PID/stat, so other load on the machine does not count.
# Usage: bench/time_follow.sh [BUILD_DIR] [ENTRIES] (defaults: build, 100000)
set -euo pipefail
build=${1:-build}
entries=${2:-100000}
bin=$(cd "$build/bin" && pwd)
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export ZORHLTH_DEVICE=$work/cvr.db
"$bin/healthsim" init "$ZORHLTH_DEVICE" >/dev/null
"$bin/healthsim" seed "$ZORHLTH_DEVICE" --entries "$entries" >/dev/null
ticks=$(getconf CLK_TCK)
cpu() { awk -v t="$ticks" '{ printf "%.3f", ($14 + $15) / t }' "/proc/$pid/stat"; }
lines() { if [ -f "$work/out" ]; then wc -l <"$work/out"; else echo 0; fi; }
wait_lines() {
    while [ "$(lines)" -lt "$1" ]; do sleep 0.05; done
}

"$bin/kestrav" --follow --json --interval=1 --state="$work/state" >"$work/out" &
pid=$!
wait_lines "$entries"
sleep 1.5
first=$(cpu)
echo "entries: $entries; first read and $entries JSON lines: ${first} s CPU"
echo "state file: $(stat -c %s "$work/state") bytes; follower's peak memory: $(awk '/VmHWM/ { print $2, $3 }' "/proc/$pid/status")"

polls=10
before=$(cpu)
sleep "$polls"
after=$(cpu)
echo "unchanged log: $(awk -v a="$before" -v b="$after" -v n="$polls" 'BEGIN { printf "%.1f", (b - a) * 1000 / n }') ms CPU per poll ($polls polls)"

changes=5
before=$(cpu)
for i in $(seq "$changes"); do
    "$bin/healthsim" add "$ZORHLTH_DEVICE" --class 41 --code 1 --severity 15 >/dev/null
    wait_lines $((entries + i))
    sleep 1.1
done
after=$(cpu)
echo "one entry added before each poll: $(awk -v a="$before" -v b="$after" -v n="$changes" 'BEGIN { printf "%.0f", (b - a) * 1000 / n }') ms CPU per poll that reads the whole log ($changes polls, each with one line and one state write)"
