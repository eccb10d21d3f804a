#!/bin/sh
# Times query runs beside the export as whole processes on a seeded device of ENTRIES entries (default
# 100000): `kestrav /export:out.csv`, `kestrav --list`, `kestrav --json`, `kestrav --csv`, `kestrav --check`
# and `kestrav --report=out.html`, standard output to /dev/null. Prints wall time, CPU time, entries per second
# and peak memory, best of RUNS runs (default 3); then the report's size and, where Chromium's headless shell
# is installed, how long it takes to load and show the page (the time of a --screenshot).
# Usage: bench/time_query.sh [build-dir]     (build-dir defaults to ./build; needs kestrav and healthsim built)
set -eu

default_runs=3
. "$(dirname "$0")/seeded_device.sh"

# The lines each run prints, checked once so that a run that fails is not timed as a fast one.
[ "$(cd "$work" && "$bin/kestrav" --json | wc -l)" -eq "$entries" ] || { echo "--json: wrong line count" >&2; exit 1; }
[ "$(cd "$work" && "$bin/kestrav" --list | wc -l)" -eq $((entries + 1)) ] || { echo "--list: wrong line count" >&2; exit 1; }

# time_one LABEL ARGUMENT...: the best of RUNS runs of kestrav with the arguments.
time_one() {
    label=$1
    shift
    best=""
    for run in $(seq "$runs"); do
        rm -f "$work/out.csv" "$work/kestrav.log"
        # The check's exit status is its state: CRITICAL (2) on the seeded log.
        (cd "$work" && /usr/bin/time -v -o "$work/time.txt" "$bin/kestrav" "$@" >/dev/null) || [ "$1" = --check ]
        seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {
            n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$work/time.txt")
        rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
        cpu=$(awk -F': ' '/User time|System time/ {s += $2} END {print s}' "$work/time.txt")
        if [ -z "$best" ] || awk "BEGIN {exit !($seconds < $best)}"; then
            best=$seconds
            bestRss=$rss
            bestCpu=$cpu
        fi
    done
    printf '%-22s best wall %6s s  CPU %6s s  entries/s %8s  peak memory %7s KiB\n' "$label" "$best" "$bestCpu" \
        "$(awk "BEGIN {printf \"%.0f\", $entries / $best}")" "$bestRss"
}

echo "entries: $entries; best of $runs runs each"
time_one "/export:out.csv" /export:out.csv
time_one "--list" --list
time_one "--json" --json
time_one "--csv" --csv
time_one "--json --last=10" --json --last=10
time_one "--check" --check
time_one "--report=out.html" --report=out.html
echo "report: $(wc -c <"$work/out.html") bytes"
if command -v chromium-headless-shell >/dev/null; then
    start=$(date +%s.%N)
    chromium-headless-shell --no-sandbox --disable-gpu --user-data-dir="$work/profile" \
        --screenshot="$work/page.png" "file://$work/out.html" 2>/dev/null
    [ -s "$work/page.png" ] || echo "the page was not shown" >&2
    echo "chromium --screenshot: $(awk "BEGIN {printf \"%.1f\", $(date +%s.%N) - $start}") s"
fi
