#!/usr/bin/env bash
# End-to-end runs of kestrav.exe under Wine against the test health driver: the driver is set up with
# zorhlth_ctl, the program runs as an administrator's script would run it, and the status log, the exit
# status, the exported files and the driver's log afterwards are checked byte for byte.
#
#   end_to_end.sh BUILD_DIR CASE [LINUX_BIN_DIR]
#
# same_as_linux and dump need the Linux build's kestrav and healthsim in LINUX_BIN_DIR; without them they are skipped
# (exit status 77).
set -euo pipefail

build=$(cd "$1" && pwd)
case_name=$2
linux_bin=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
wine_sh="$here/wine.sh"
kestrav="$build/bin/kestrav.exe"
ctl="$build/bin/zorhlth_ctl.exe"

scratch=$(mktemp -d "$build/end-to-end.XXXXXX")
trap '[ -n "${KEEP:-}" ] || rm -rf "$scratch"' EXIT
cd "$scratch"

failures=0
fail() {
    echo "FAIL ($case_name): $*" >&2
    failures=$((failures + 1))
}

drive() {
    "$wine_sh" "$build" run "$ctl" "$@"
}

# Runs kestrav.exe with the arguments; the exit status goes to $status.
run() {
    status=0
    "$wine_sh" "$build" run "$kestrav" "$@" 2>stderr.txt || status=$?
}

expect_status() {
    [ "$status" = "$1" ] || fail "exit status $status, expected $1"
}

expect_count() {
    local count
    count=$(drive count | tr -d '\r')
    [ "$count" = "$1" ] || fail "the driver holds $count entries, expected $1"
}

# Every line of the file ends in "\r\n" and no "\r" stands anywhere else.
expect_crlf() {
    if ! perl -0777 -ne 'exit((/(?<!\r)\n/ || /\r(?!\n)/) ? 1 : 0)' "$1"; then
        fail "$1 has a line end other than CR LF"
    fi
}

# The status log of a single run less its first two lines (title and date, whose date varies), line ends
# removed, against the expected lines.
expect_log() {
    local file=$1
    shift
    expect_crlf "$file"
    local title
    title=$(head -n 1 "$file" | tr -d '\r')
    [ "$title" = "${expected_title:-Corvane Log Viewer}" ] || fail "title line '$title'"
    local actual expected
    actual=$(tail -n +3 "$file" | tr -d '\r' | sed '1s/^\(   [^:]*: \).*kestrav\.exe"\{0,1\}/\1kestrav.exe/')
    expected=$(printf '%s\n' "$@")
    if [ "$actual" != "$expected" ]; then
        fail "status log differs"
        diff <(echo "$expected") <(echo "$actual") >&2 || true
    fi
}

# A raw 256-byte record as the firmware stores it: number, class, code, severity, text, written on
# 7 December 2026 at 14:05.
record() {
    perl -e '
        my ($number, $class, $code, $severity, $text) = @ARGV;
        my $time = pack("C6", 20, 26, 12, 7, 14, 5);
        my $entry = pack("v V C C v v", 29 + length($text), $number, 1, $severity, $class, $code)
                  . $time . $time . pack("V", 1) . $text;
        print $entry . ("\0" x (256 - length($entry)));
    ' "$@"
}

sample_log() {
    {
        record 1 33 2 2 "first"
        record 2 2 1 9 ""
        record 7 33 2 2 "seventh, with a comma"
    } >sample.cvr
    drive reset
    drive import sample.cvr
}

header='Severity,Event Number,Class,Code,Update Time,Initial Time,Count,Description'
when='12/7/2026 2:05 PM,12/7/2026 2:05 PM'
line1="Informational,1,Maintenance,2,$when,1,Maintenance note: first"
line7="Informational,7,Maintenance,2,$when,1,Maintenance note: seventh, with a comma"

expect_csv() {
    local file=$1
    shift
    expect_crlf "$file"
    local expected
    expected=$(printf '%s\n' "$@")
    if [ "$(tr -d '\r' <"$file")" != "$expected" ]; then
        fail "$file differs"
        diff <(echo "$expected") <(tr -d '\r' <"$file") >&2 || true
    fi
}

case "$case_name" in
export)
    sample_log
    # An older, longer file leaves nothing behind.
    head -c 100000 /dev/zero | tr '\0' x >out.csv
    run /export:out
    expect_status 0
    expect_log kestrav.log '   Executing: kestrav.exe /export:out' \
        '   Successfully exported CVR data to file out.csv' '   Finished!' '  '
    [ "$(sed -n 3p out.csv | cut -d, -f1-4)" = "Caution,2,Machine Environment,1" ] || fail "entry 2: $(sed -n 3p out.csv)"
    expect_csv out.csv "$header" "$line1" "$(sed -n 3p out.csv | tr -d '\r')" "$line7"
    [ "$(wc -l <out.csv)" = 4 ] || fail "out.csv has $(wc -l <out.csv) lines"
    # A file that cannot be opened withholds the erase.
    rm kestrav.log
    run /export:missing/folder/x.csv /clear
    expect_status 1
    expect_log kestrav.log '   Executing: kestrav.exe /export:missing/folder/x.csv /clear' \
        "   Couldn't open file 'missing/folder/x.csv'." \
        '   Unable to clear the log - attempt(s) to save the log first have failed.' '   Finished!' '  '
    expect_count 3
    ;;
clear)
    sample_log
    run /clear /export:saved.csv
    expect_status 0
    expect_log kestrav.log '   Executing: kestrav.exe /clear /export:saved.csv' \
        '   Successfully exported CVR data to file saved.csv' \
        '   Successfully cleared all entries from the Corvane Log.' '   Finished!' '  '
    [ "$(wc -l <saved.csv)" = 4 ] || fail "saved.csv has $(wc -l <saved.csv) lines"
    expect_count 1
    run /export:after
    expect_status 0
    user=$(id -un)
    tail -n 1 after.csv | tr -d '\r' |
        grep -Eq "^Informational,8,Maintenance,1,[^,]+,[^,]+,1,CVR Cleared \\($user\\)\$" ||
        fail "the entry of the erase: $(tail -n 1 after.csv)"
    ;;
refused_erase)
    sample_log
    drive fault erase-refuse
    run /clear
    expect_status 1
    expect_log kestrav.log '   Executing: kestrav.exe /clear' \
        '   Unable to clear the entries from the Corvane Log.' '   Finished!' '  '
    expect_count 3
    ;;
note)
    sample_log
    run '/note:Replaced fan 3' /clear
    expect_status 0
    expect_log kestrav.log '   Executing: kestrav.exe "/note:Replaced fan 3" /clear' \
        '   Successfully cleared all entries from the Corvane Log.' \
        '   Successfully logged maintenance note to the Corvane Log.' '   Finished!' '  '
    run /export:notes
    tail -n 1 notes.csv | tr -d '\r' | grep -q ',1,Maintenance note: Replaced fan 3$' ||
        fail "the note: $(tail -n 1 notes.csv)"
    drive fault write-status 136
    rm kestrav.log
    run /note:refused
    expect_status 1
    expect_log kestrav.log '   Executing: kestrav.exe /note:refused' \
        '   Unable to log maintenance note to the Corvane Log.' '   Finished!' '  '
    expect_count 2
    # A note longer than 227 characters is refused with the usage, the log untouched.
    rm kestrav.log
    run "/note:$(head -c 228 /dev/zero | tr '\0' n)"
    expect_status 2
    [ "$(sed -n 4p kestrav.log | tr -d '\r')" = '   ' ] || fail "no usage after the header"
    [ "$(wc -l <kestrav.log)" = 13 ] || fail "the usage run has $(wc -l <kestrav.log) lines"
    expect_count 2
    ;;
read_faults)
    sample_log
    drive fault read-status 2 5
    run /export:out /clear
    expect_status 1
    expect_log kestrav.log '   Executing: kestrav.exe /export:out /clear' \
        '   1 event number(s) of the Corvane Log could not be read; their entries were skipped.' \
        '   Successfully exported CVR data to file out.csv' \
        '   Unable to clear the log - attempt(s) to save the log first have failed.' '   Finished!' '  '
    expect_csv out.csv "$header" "$line1" "$line7"
    expect_count 3
    ;;
no_driver)
    # A server started without the setup runs no driver; the persistent one comes back afterwards.
    "$wine_sh" "$build" stop
    run /export:out /clear
    "$wine_sh" "$build" stop
    "$wine_sh" "$build" start
    expect_status 1
    expect_log kestrav.log '   Executing: kestrav.exe /export:out /clear' \
        '   No System Management driver is loaded.' '   Did nothing!' '  '
    [ ! -e out.csv ] || fail "an export was written"
    ;;
not_kept)
    sample_log
    drive supported 0
    run /export:out
    expect_status 1
    expect_log kestrav.log '   Executing: kestrav.exe /export:out' \
        '   This system does not support the Corvane Log.' '   Did nothing!' '  '
    [ ! -e out.csv ] || fail "an export was written"
    ;;
failing_requests)
    sample_log
    drive fault fail-requests
    run /export:out
    expect_status 1
    expect_log kestrav.log '   Executing: kestrav.exe /export:out' \
        '   This system does not support the Corvane Log.' '   Did nothing!' '  '
    # Failing reads end the walk at once: the log reads as empty and nothing is done.
    drive fault clear
    drive fault fail-log-requests
    rm kestrav.log
    run /export:out /clear
    expect_status 1
    expect_log kestrav.log '   Executing: kestrav.exe /export:out /clear' '   The Corvane Log is empty.' '  '
    drive fault clear
    expect_count 3
    ;;
japanese)
    sample_log
    status=0
    KESTRAV_WINE_LANG=ja_JP.UTF-8 "$wine_sh" "$build" run "$kestrav" /export:out || status=$?
    expect_status 0
    expected_title='Corvane ログ ビューア'
    expect_log kestrav.log '   実行中: kestrav.exe /export:out' \
        '   CVR データをファイル out.csv にエクスポートしました。' '   完了しました。' '  '
    expect_csv out.csv '重要度,イベント番号,クラス,コード,更新日時,初回日時,回数,説明' \
        'Informational,1,Maintenance,2,2026/12/7 14:05,2026/12/7 14:05,1,Maintenance note: first' \
        "$(sed -n 3p out.csv | tr -d '\r')" \
        'Informational,7,Maintenance,2,2026/12/7 14:05,2026/12/7 14:05,1,Maintenance note: seventh, with a comma'
    ;;
same_as_linux)
    if [ ! -x "$linux_bin/kestrav" ] || [ ! -x "$linux_bin/healthsim" ]; then
        echo "same_as_linux: no Linux build in '$linux_bin'; skipped"
        exit 77
    fi
    "$linux_bin/healthsim" init linux.db
    "$linux_bin/healthsim" seed linux.db --entries 1000
    "$linux_bin/healthsim" dump linux.db | perl -ne 'my @f = split; print pack("H*", $f[1])' >seeded.cvr
    env -u LC_ALL -u LC_TIME -u LC_MESSAGES LANG=en_US.UTF-8 ZORHLTH_DEVICE=linux.db \
        "$linux_bin/kestrav" /export:linux.csv /f:linux.log
    drive reset
    drive import seeded.cvr
    run /export:windows.csv
    expect_status 0
    cmp linux.csv windows.csv || fail "the exports of the same log differ"
    ;;
dump)
    # A dump made by kestrav.exe decodes on Linux as kestrav.exe prints the log, and one made on Linux
    # decodes under Wine as Linux prints it; both are the records themselves, which the driver imports.
    if [ ! -x "$linux_bin/kestrav" ] || [ ! -x "$linux_bin/healthsim" ]; then
        echo "dump: no Linux build in '$linux_bin'; skipped"
        exit 77
    fi
    linux() {
        env -u LC_ALL -u LC_TIME -u LC_MESSAGES LANG=en_US.UTF-8 ZORHLTH_DEVICE=linux.db "$linux_bin/kestrav" "$@"
    }
    "$linux_bin/healthsim" init linux.db
    "$linux_bin/healthsim" seed linux.db --entries 1000
    linux --dump=linux.bin
    drive reset
    drive import linux.bin
    expect_count 1000
    run --dump=windows.bin
    expect_status 0
    [ ! -s stderr.txt ] || fail "the dump wrote to stderr: $(cat stderr.txt)"
    cmp linux.bin windows.bin || fail "the dumps of the same log differ"
    for output in --csv --json --list; do
        run "$output" >windows.out
        expect_status 0
        linux "$output" --input=windows.bin >linux-from-windows.out
        cmp windows.out linux-from-windows.out || fail "$output: kestrav.exe's dump decodes differently on Linux"
        linux "$output" >linux.out
        run "$output" --input=linux.bin >windows-from-linux.out
        expect_status 0
        cmp linux.out windows-from-linux.out || fail "$output: the Linux dump decodes differently under Wine"
    done
    # A damaged dump under Wine: the problem on stderr, the good records printed, exit status 1.
    head -c 2550 linux.bin >cut.bin
    run --csv --input=cut.bin >cut.csv
    expect_status 1
    [ "$(tr -d '\r' <stderr.txt)" = "kestrav: cut.bin: the last 246 bytes (offset 2304) are not a whole record: the size 2550 is not a multiple of 256; they are left out" ] ||
        fail "the truncated dump: $(cat stderr.txt)"
    [ "$(wc -l <cut.csv)" = 10 ] || fail "the truncated dump printed $(wc -l <cut.csv) lines"
    run --input=missing.bin
    expect_status 1
    # The system's own text for the error follows the name, on the same line.
    [ "$(wc -l <stderr.txt)" = 1 ] && grep -q '^kestrav: missing\.bin: [^ ]' stderr.txt ||
        fail "a missing dump: $(cat stderr.txt)"
    ;;
*)
    echo "end_to_end.sh: unknown case $case_name" >&2
    exit 2
    ;;
esac

if [ "$failures" -ne 0 ]; then
    echo "$case_name: $failures check(s) failed" >&2
    exit 1
fi
echo "$case_name: passed"
