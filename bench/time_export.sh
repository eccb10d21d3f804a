#!/bin/sh
# Times `kestrav /export:out.csv` as a whole process on a seeded device of ENTRIES entries (default 100000):
# wall time (and CPU time, telling a busy machine apart), entries exported per second and peak memory, best of
# RUNS runs (default 3).
# Usage: bench/time_export.sh [build-dir]     (build-dir defaults to ./build; needs kestrav and healthsim built)
set -eu

default_runs=3
. "$(dirname "$0")/seeded_device.sh"

best=""
for run in $(seq "$runs"); do
    rm -f "$work/out.csv" "$work/kestrav.log"
    (cd "$work" && /usr/bin/time -v -o "$work/time.txt" "$bin/kestrav" /export:out.csv)
    seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {
        n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$work/time.txt")
    rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
    cpu=$(awk -F': ' '/User time|System time/ {s += $2} END {print s}' "$work/time.txt")
    echo "run $run: ${seconds} s wall, ${cpu} s CPU (user + system), peak memory ${rss} KiB"
    if [ -z "$best" ] || awk "BEGIN {exit !($seconds < $best)}"; then
        best=$seconds
        bestRss=$rss
        bestCpu=$cpu
    fi
done

lines=$(($(wc -l <"$work/out.csv") - 1))
if [ "$lines" -ne "$entries" ]; then
    echo "exported $lines lines, expected $entries" >&2
    exit 1
fi
echo "entries: $entries; best wall time: ${best} s (CPU ${bestCpu} s);" \
    "entries/s: $(awk "BEGIN {printf \"%.0f\", $entries / $best}"); peak memory: ${bestRss} KiB; target: under 1.5 s"
