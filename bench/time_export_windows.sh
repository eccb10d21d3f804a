#!/usr/bin/env bash
# Times `kestrav.exe /export:` under Wine through the test health driver against the Linux build's
# `kestrav /export:` on the emulated device, on the same seeded log of ENTRIES entries (default 10000): wall
# time of the whole process, best of RUNS runs (default 3), and checks that both exports are identical.
# Usage: bench/time_export_windows.sh [linux-build-dir] [windows-build-dir]   (defaults build, build-windows)
set -euo pipefail

linux=$(cd "${1:-build}/bin" && pwd)
windows=$(cd "${2:-build-windows}" && pwd)
wine_sh=$(cd "$(dirname "$0")/../tests/windows" && pwd)/wine.sh
entries=${ENTRIES:-10000}
runs=${RUNS:-3}

work=$(mktemp -d)
trap '"$wine_sh" "$windows" stop; rm -rf "$work"' EXIT
cd "$work"

"$linux/healthsim" init cvr.db
"$linux/healthsim" seed cvr.db --entries "$entries" >/dev/null
"$linux/healthsim" dump cvr.db | perl -ne 'my @f = split; print pack("H*", $f[1])' >seeded.cvr
"$wine_sh" "$windows" start
"$wine_sh" "$windows" run "$windows/bin/zorhlth_ctl.exe" reset
"$wine_sh" "$windows" run "$windows/bin/zorhlth_ctl.exe" import seeded.cvr

best() {
    local label=$1
    shift
    local best=""
    for run in $(seq "$runs"); do
        rm -f out.csv kestrav.log
        local start end seconds
        start=$(date +%s.%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s.%N)
        seconds=$(awk "BEGIN {printf \"%.3f\", $end - $start}")
        if [ -z "$best" ] || awk "BEGIN {exit !($seconds < $best)}"; then
            best=$seconds
        fi
    done
    lines=$(($(wc -l <out.csv) - 1))
    [ "$lines" -eq "$entries" ] || { echo "$label exported $lines lines, expected $entries" >&2; exit 1; }
    cp out.csv "$label.csv"
    echo "$label: $entries entries in $best s (best of $runs), $(awk "BEGIN {printf \"%.0f\", $entries / $best}") entries/s"
}

best linux env -u LC_ALL -u LC_TIME LANG=en_US.UTF-8 ZORHLTH_DEVICE=cvr.db "$linux/kestrav" /export:out.csv
best windows "$wine_sh" "$windows" run "$windows/bin/kestrav.exe" /export:out.csv
cmp linux.csv windows.csv && echo "the two exports are identical"
