#!/bin/sh
# Times kestrav beside `ipmiutil sel -b FILE` (which decodes a binary file of 16-byte IPMI SEL records to
# text) on ENTRIES records each (default 100000), RUNS rounds (default 7) in one run, the commands of a round
# one after the other so that a busy machine slows all of them alike. Prints the median wall time of each
# command and the ratios:
#   (a) kestrav --input=dump.bin --csv, decoding a dump of the log, against ipmiutil (goal: at most 0.5x);
#       where kestrav has no --input, kestrav --csv from the device is timed instead and (a) is not given;
#   (b) kestrav /export: from the emulated device against ipmiutil (goal: under 0.5 s and at most 1.3x);
#   (c) kestrav --list, --json and --csv from the device against /export: (goal: at most 1.0x).
# Usage: bench/compare_ipmiutil.sh [build-dir]   (build-dir defaults to ./build; needs kestrav and healthsim
# built, ipmiutil installed (Debian: apt-get install ipmiutil) and python3 to write the SEL file)
set -eu

command -v ipmiutil >/dev/null || { echo "ipmiutil is not installed (apt-get install ipmiutil)" >&2; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed to write the SEL file" >&2; exit 1; }

default_runs=7
. "$(dirname "$0")/seeded_device.sh"

# ENTRIES system event records: record ID, type 02h, time stamp, generator, format 04h, sensor type and
# number, event type, three event data bytes; sensor types and event types vary as a real SEL's do.
python3 - "$work/sel.bin" "$entries" <<'EOF'
import struct, sys
path, count = sys.argv[1], int(sys.argv[2])
sensors = (0x01, 0x02, 0x04, 0x07, 0x08, 0x0C, 0x10, 0x12)
with open(path, "wb") as out:
    for i in range(count):
        out.write(struct.pack("<HBIHBBBBBBB", (i + 1) & 0xFFFF, 0x02, 1765000000 + 60 * i, 0x0020, 0x04,
                              sensors[i % len(sensors)], i % 200, 0x01 if i % 3 else 0x6F, i % 16, 0xFF, 0xFF))
EOF
[ "$(ipmiutil sel -b "$work/sel.bin" | grep -c '^[0-9a-f]\{4\} ')" -eq "$entries" ] ||
    { echo "ipmiutil did not decode $entries records" >&2; exit 1; }

# Decoding a dump needs --input; the dump is made with --dump when kestrav has it, else from healthsim's.
input=no
if "$bin/kestrav" --help | grep -q -- '--input='; then
    input=yes
    if "$bin/kestrav" --help | grep -q -- '--dump='; then
        "$bin/kestrav" --dump="$work/dump.bin"
    else
        "$bin/healthsim" dump "$ZORHLTH_DEVICE" | cut -d' ' -f2 | xxd -r -p >"$work/dump.bin"
    fi
    [ "$(wc -c <"$work/dump.bin")" -eq $((entries * 256)) ] || { echo "the dump is not $entries records" >&2; exit 1; }
fi

# The commands timed, by label.
run() {
    case $1 in
    ipmiutil) ipmiutil sel -b "$work/sel.bin" >/dev/null ;;
    input-csv) "$bin/kestrav" --input="$work/dump.bin" --csv >/dev/null ;;
    export) (cd "$work" && "$bin/kestrav" /export:out.csv) ;;
    list) "$bin/kestrav" --list >/dev/null ;;
    json) "$bin/kestrav" --json >/dev/null ;;
    csv) "$bin/kestrav" --csv >/dev/null ;;
    esac
}
labels="ipmiutil export list json csv"
[ "$input" = yes ] && labels="$labels input-csv"

# Each command once outside the timing (caches warm, and a command that fails stops the script here).
for label in $labels; do
    run "$label" || { echo "$label failed" >&2; exit 1; }
done
for round in $(seq "$runs"); do
    for label in $labels; do
        start=$(date +%s.%N)
        run "$label"
        end=$(date +%s.%N)
        echo "$end $start" | awk '{printf "%.4f\n", $1 - $2}' >>"$work/$label.times"
    done
done

median() {
    sort -n "$work/$1.times" | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
ratio() {
    awk "BEGIN {printf \"%.2fx\", $1 / $2}"
}

ipmi=$(median ipmiutil)
export=$(median export)
echo "records: $entries; median of $runs rounds, wall seconds"
for label in $labels; do
    printf '  %-10s %s s\n' "$label" "$(median "$label")"
done
if [ "$input" = yes ]; then
    echo "(a) kestrav --input=dump.bin --csv / ipmiutil sel -b: $(ratio "$(median input-csv)" "$ipmi") (goal: at most 0.50x)"
else
    echo "(a) not available: this kestrav has no --input; kestrav --csv from the device / ipmiutil sel -b:" \
        "$(ratio "$(median csv)" "$ipmi")"
fi
echo "(b) kestrav /export: / ipmiutil sel -b: $(ratio "$export" "$ipmi"), $export s (goal: at most 1.30x, under 0.5 s)"
for label in list json csv; do
    echo "(c) kestrav --$label / kestrav /export: $(ratio "$(median "$label")" "$export") (goal: at most 1.00x)"
done
