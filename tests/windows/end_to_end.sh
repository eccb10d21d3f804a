#!/usr/bin/env bash
# End-to-end runs of kestrav.exe under Wine against the test health driver: the driver is set up with
# zorhlth_ctl, the program runs as an administrator's script would run it, and the status log, the exit
# status, the exported files and the driver's log afterwards are checked byte for byte.
#
#   end_to_end.sh BUILD_DIR CASE [LINUX_BIN_DIR]
#
# same_as_linux and dump need the Linux build's kestrav and healthsim in LINUX_BIN_DIR; without them they are skipped
# (exit status 77).
set -Eeuo pipefail

build=$(cd "$1" && pwd)
case_name=$2
linux_bin=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
wine_sh="$here/wine.sh"
kestrav="$build/bin/kestrav.exe"
ctl="$build/bin/zorhlth_ctl.exe"
WINEPREFIX_DIR="$build/wine-prefix"

scratch=$(mktemp -d "$build/end-to-end.XXXXXX")
trap '[ -n "${KEEP:-}" ] || rm -rf "$scratch"' EXIT
cd "$scratch"

failures=0
fail() {
    echo "FAIL ($case_name): $*" >&2
    failures=$((failures + 1))
}
# A command that fails outside a check ends the case at once: say which, so that the log shows why.
trap 'status=$?; echo "FAIL ($case_name): line $LINENO: $BASH_COMMAND (status $status)" >&2' ERR

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

# The status log of a refused export with /clear: the export's line ("Couldn't open file 'NAME'." and what
# follows it) and the withheld erase.
expect_refused_export() {
    local file=$1 opened=$2
    expect_crlf "$file"
    local line
    line=$(sed -n 4p "$file" | tr -d '\r')
    [ "$line" = "   $opened" ] || fail "the export's line '$line', expected '   $opened'"
    line=$(sed -n 5p "$file" | tr -d '\r')
    [ "$line" = '   Unable to clear the log - attempt(s) to save the log first have failed.' ] ||
        fail "the erase's line '$line'"
}

# What a run handed to ReportEventW, as Wine's event log channel shows it in the run's stderr (FILE): event
# number, type (1 error, 2 warning, 4 information) and the texts (separated by " | "), one line per event in
# the order of the run.
event_lines() {
    perl -ne 'if (/ReportEventW \([^,]*,0x([0-9a-f]+),0x[0-9a-f]+,0x([0-9a-f]+),/) {
                  print "$event\n" if defined $event;
                  ($event, $separator) = (sprintf("%d %d", hex $2, hex $1), " ");
              } elsif (/:eventlog:ReportEventW L"(.*)"\s*$/) {
                  ($event, $separator) = ("$event$separator$1", " | ");
              }
              END { print "$event\n" if defined $event; }' "$1"
}

# What the installer cases share: the prefix's drive C and its files, the event source's and the installed
# programs' registry keys, a key's lines, an MSI's product code, a program's file version, and a wait for
# what Wine's msiexec finishes after it has returned.
installer_helpers() {
    export WINEPREFIX="$build/wine-prefix"
    drive_c="$WINEPREFIX/drive_c"
    key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Kestrav'
    uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
}
files() { (cd "$drive_c" && find . | LC_ALL=C sort); }
# The key's lines, none when it is missing (reg then says so on stdout).
query() { "$wine_sh" "$build" run reg query "$@" 2>/dev/null | tr -d '\r' | grep -E '^(HKEY| )' || true; }
product_code() {
    msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }'
}
# The file version of the program's version information ("0.1.0.0"), from its fixed part.
file_version() {
    perl -0777 -ne 'if (/\xBD\x04\xEF\xFE.{4}(.{4})(.{4})/s) {
                        my ($high, $low) = (unpack("V", $1), unpack("V", $2));
                        printf "%d.%d.%d.%d\n", $high >> 16, $high & 0xFFFF, $low >> 16, $low & 0xFFFF;
                    }' "$1"
}
# Wine's msiexec may return before the installer has published the product, its last step.
settle() {
    for _ in $(seq 50); do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}

# The Windows path of a file of the scratch folder.
windows_path() {
    "$wine_sh" "$build" run winepath -w "$1" 2>/dev/null | tr -d '\r'
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
        "   Couldn't open file 'missing/folder/x.csv'. Path not found." \
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
    # Numbers that the driver skipped between the save and the erase count as entries erased unsaved.
    sample_log
    drive fault skip-numbers 3
    rm -f kestrav.log
    run /export:saved.csv /clear
    expect_status 1
    expect_log kestrav.log '   Executing: kestrav.exe /export:saved.csv /clear' \
        '   Successfully exported CVR data to file saved.csv' \
        '   Successfully cleared all entries from the Corvane Log.' \
        '   3 entry(ies) added to the Corvane Log after it was saved were cleared without being saved.' \
        '   Finished!' '  '
    # While another run holds the lock for its walk, a clear waits for it instead of erasing under the walk.
    sample_log
    rm -f ready done
    "$wine_sh" "$build" run "$build/bin/hold_file.exe" 'Global\KestravHealthLog' device-lock ready done &
    holder=$!
    for _ in $(seq 100); do
        [ -e ready ] && break
        sleep 0.1
    done
    [ -e ready ] || fail "the lock holder did not start"
    "$wine_sh" "$build" run "$kestrav" /f:waiting /clear 2>stderr.txt &
    clearer=$!
    sleep 3
    expect_count 3
    touch done
    wait "$holder" || fail "the lock holder failed"
    wait "$clearer" || fail "the clear after the walk failed"
    expect_count 1
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
    # 76 kanji are 228 bytes in UTF-8, one more than an entry holds: stderr says so in bytes.
    run "/note:$(printf '保%.0s' $(seq 76))"
    expect_status 2
    [ "$(head -n 1 stderr.txt | tr -d '\r')" = \
        'kestrav: the note is 228 bytes of UTF-8; a note holds at most 227 bytes' ] ||
        fail "the long note on stderr: $(head -n 1 stderr.txt)"
    expect_count 2
    # /? is answered on standard output, and the status log gets the usage as for any invalid command line.
    rm kestrav.log
    status=0
    "$wine_sh" "$build" run "$kestrav" '/?' >stdout.txt 2>stderr.txt || status=$?
    expect_status 2
    [ ! -s stderr.txt ] || fail "/? wrote to stderr: $(head -n 1 stderr.txt)"
    tr -d '\r' <stdout.txt | grep -q '^/note:"msg"  Writes a maintenance note' || fail "/? printed no usage"
    tr -d '\r' <stdout.txt | grep -q 'kestrav --help$' || fail "/? does not point to kestrav --help"
    [ "$(wc -l <kestrav.log)" = 13 ] || fail "the /? run has $(wc -l <kestrav.log) lines"
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
    # Another program clears the log between two reads: the walk ends on the entry that records that clear,
    # which the run notices; the older export stays and nothing more is cleared.
    sample_log
    drive fault clear-at 2
    rm kestrav.log
    run /export:out /clear
    expect_status 1
    expect_log kestrav.log '   Executing: kestrav.exe /export:out /clear' \
        '   The Corvane Log was cleared while it was being read; the entries read are not the whole log.' \
        "   The Corvane Log was not read whole; the older file 'out.csv' was kept." \
        '   Unable to clear the log - attempt(s) to save the log first have failed.' '   Finished!' '  '
    expect_csv out.csv "$header" "$line1" "$line7"
    expect_count 1
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
    expected_title='Corvane ログ ビューアー'
    expect_log kestrav.log '   実行中: kestrav.exe /export:out' \
        '   CVR データをファイル out.csv にエクスポートしました。' '   完了しました。' '  '
    expect_csv out.csv '重要度,イベント番号,クラス,コード,更新日時,初回日時,回数,説明' \
        'Informational,1,Maintenance,2,2026/12/7 14:05,2026/12/7 14:05,1,Maintenance note: first' \
        "$(sed -n 3p out.csv | tr -d '\r')" \
        'Informational,7,Maintenance,2,2026/12/7 14:05,2026/12/7 14:05,1,Maintenance note: seventh, with a comma'
    ;;
event_log)
    # What each run hands to ReportEventW (event_lines).
    events() {
        status=0
        KESTRAV_WINEDEBUG=fixme+advapi,+eventlog "$wine_sh" "$build" run "$kestrav" "$@" 2>events.txt || status=$?
        event_lines events.txt
    }
    expect_events() {
        local actual expected
        events "${@:2}" >events-seen.txt
        actual=$(cat events-seen.txt)
        expected=$1
        if [ "$actual" != "$expected" ]; then
            fail "events of ${*:2} differ"
            diff <(echo "$expected") <(echo "$actual") >&2 || true
        fi
    }
    sample_log
    expect_events "100 4 Successfully exported CVR data to file out.csv
101 1 Couldn't open file 'missing/x.csv'. Path not found.
102 4 Successfully cleared all entries from the Corvane Log.
203 4 1 | Maintenance | 2 | 12/7/2026 2:05 PM | 1 | Maintenance note: first | , erased from the log
201 2 2 | Machine Environment | 1 | 12/7/2026 2:05 PM | 1 | Unknown Event (Class 0x02, Code 0x01) | , erased from the log
203 4 7 | Maintenance | 2 | 12/7/2026 2:05 PM | 1 | Maintenance note: seventh, with a comma | , erased from the log
104 4 Successfully logged maintenance note to the Corvane Log." \
        /export:out /export:missing/x.csv /clear '/note:Replaced fan 3'
    expect_status 1
    # The status log stays as it is without the event log.
    expect_log kestrav.log "   Executing: kestrav.exe /export:out /export:missing/x.csv /clear \"/note:Replaced fan 3\"" \
        '   Successfully exported CVR data to file out.csv' "   Couldn't open file 'missing/x.csv'. Path not found." \
        '   Successfully cleared all entries from the Corvane Log.' \
        '   Successfully logged maintenance note to the Corvane Log.' '   Finished!' '  '
    # The entries an erase removed are forwarded once, after it, whatever clears follow; what a failed
    # read skipped cannot be.
    sample_log
    record 9 33 2 15 "critical" >critical.cvr
    drive import critical.cvr
    drive fault read-status 2 5
    expect_events "106 2 1 event number(s) of the Corvane Log could not be read; their entries were skipped.
102 4 Successfully cleared all entries from the Corvane Log.
203 4 1 | Maintenance | 2 | 12/7/2026 2:05 PM | 1 | Maintenance note: first | , erased from the log
203 4 7 | Maintenance | 2 | 12/7/2026 2:05 PM | 1 | Maintenance note: seventh, with a comma | , erased from the log
200 1 9 | Maintenance | 2 | 12/7/2026 2:05 PM | 1 | Maintenance note: critical | , erased from the log
102 4 Successfully cleared all entries from the Corvane Log." /clear /clear
    expect_status 1
    sample_log
    drive fault read-status 2 5
    # A read that is not whole keeps the older out.csv of the first run, and says so.
    expect_events "106 2 1 event number(s) of the Corvane Log could not be read; their entries were skipped.
101 1 The Corvane Log was not read whole; the older file 'out.csv' was kept.
103 2 Unable to clear the log - attempt(s) to save the log first have failed." /export:out /clear
    expect_status 1
    drive fault clear
    drive fault erase-refuse
    drive fault write-status 136
    expect_events "103 2 Unable to clear the entries from the Corvane Log.
105 1 Unable to log maintenance note to the Corvane Log." /clear /note:refused
    expect_status 1
    drive fault clear
    drive supported 0
    expect_events "107 1 This system does not support the Corvane Log." /export:out
    expect_status 1
    drive supported 1
    drive reset
    expect_events "107 1 The Corvane Log is empty." /clear
    expect_status 1
    # A clear of a long log forwards its newest entries only, then how many older ones it left out.
    for number in $(seq 1003); do
        record "$number" 33 2 2 "n$number"
    done >long.cvr
    drive reset
    drive import long.cvr
    events /clear >events-seen.txt
    expect_status 0
    [ "$(wc -l <events-seen.txt)" = 1002 ] || fail "a long clear reported $(wc -l <events-seen.txt) events"
    [ "$(grep -c '^203 4 ' events-seen.txt)" = 1000 ] || fail "a long clear forwarded $(grep -c '^203 4 ' events-seen.txt) entries"
    forwarded_at() { sed -n "${1}p" events-seen.txt | cut -d' ' -f1-3; }
    [ "$(forwarded_at 2)" = '203 4 4' ] && [ "$(forwarded_at 1001)" = '203 4 1003' ] ||
        fail "a long clear forwarded from $(forwarded_at 2) to $(forwarded_at 1001)"
    [ "$(sed -n 1002p events-seen.txt)" = '205 2 3 | 1000' ] || fail "after the forwarded: $(sed -n 1002p events-seen.txt)"
    sample_log
    # A run that asks for nothing and finds nothing wrong reports nothing.
    expect_events "" /f:quiet
    expect_status 0
    ;;
installer)
    # kestrav.msi installed, the shipped scheduled task's command run from where an elevated task starts,
    # and everything the installer added removed again (a run's status log and export stay).
    msi="$build/kestrav.msi"
    task="$here/../../packaging/windows/kestrav-task.xml"
    [ -f "$msi" ] || { echo "installer: no $msi (wixl missing); skipped"; exit 77; }
    installer_helpers
    product=$(product_code "$msi")
    rm -rf "$drive_c/ProgramData/Kestrav"
    files >before.txt
    msi_path=$(winepath -w "$msi" 2>/dev/null)
    listed() { query "$uninstall" | grep -F "$product" >/dev/null; }
    unlisted() { ! listed && [ ! -e "$drive_c/Program Files/Kestrav" ] && [ -z "$(query "$key")" ]; }
    "$wine_sh" "$build" run msiexec /i "$msi_path" /qn || fail "msiexec /i: exit status $?"
    settle listed || fail "no entry in the installed programs"
    installed="$drive_c/Program Files/Kestrav"
    for file in kestrav.exe README.md LICENSE.txt windows.md kestrav-task.xml kestrav-follow-task.xml; do
        [ -f "$installed/$file" ] || fail "$file not installed"
    done
    cmp "$installed/kestrav.exe" "$build/release/kestrav.exe" || fail "the installed kestrav.exe is not the release copy"
    sections=$(x86_64-w64-mingw32-objdump -h "$installed/kestrav.exe")
    [[ "$sections" == *.text* && "$sections" != *.debug* ]] || fail "the installed kestrav.exe holds debug information"
    [ -d "$drive_c/ProgramData/Kestrav" ] || fail "no ProgramData\\Kestrav"
    # The common Start menu on Windows (a per-machine installation); Wine puts it into the user's.
    shortcuts=$(find "$drive_c/ProgramData" "$drive_c/users" -path '*/Start Menu/Programs/Kestrav.lnk')
    [ -n "$shortcuts" ] || fail "no Start-menu shortcut"
    query "$key" | grep -E '^ +EventMessageFile +REG_SZ +C:\\Program Files\\Kestrav\\kestrav\.exe$' >/dev/null ||
        fail "event source: $(query "$key")"
    query "$key" | grep -E '^ +TypesSupported +REG_DWORD +0x7$' >/dev/null || fail "event types: $(query "$key")"

    # The command line of the shipped task's action (task_definition.sh checks the rest of the task), run
    # from System32.
    if command -v xmllint >/dev/null; then
        xpath() { xmllint --xpath "string(//*[local-name()='$1'])" "$task"; }
        command=$(xpath Command | tr -d '"')
        arguments=$(xpath Arguments)
    else
        echo "installer: xmllint missing; the task's command is taken as documented"
        command='C:\Program Files\Kestrav\kestrav.exe'
        arguments='/f:C:\ProgramData\Kestrav\kestrav.log /export:C:\ProgramData\Kestrav\cvr-<datetime>.csv /clear'
    fi
    # Two nights: each keeps its export in a file named by the run's date and time (a second apart at least).
    data="$drive_c/ProgramData/Kestrav"
    for night in 1 2; do
        [ "$night" = 1 ] || sleep 1
        sample_log
        rm -f "$data/kestrav.log"
        status=0
        # shellcheck disable=SC2086 # the task's arguments are split as the system splits them (no quotes)
        (cd "$drive_c/windows/system32" && "$wine_sh" "$build" run "$command" $arguments) || status=$?
        expect_status 0
        exports=$(cd "$data" && find . -name 'cvr-*.csv' | LC_ALL=C sort | sed 's|^\./||')
        [ "$(echo "$exports" | grep -cE '^cvr-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9]{6}\.csv$')" = "$night" ] ||
            fail "night $night: exports $exports"
        newest=$(echo "$exports" | tail -n 1)
        expect_log "$data/kestrav.log" "   Executing: kestrav.exe $arguments" \
            "   Successfully exported CVR data to file C:\\ProgramData\\Kestrav\\$newest" \
            '   Successfully cleared all entries from the Corvane Log.' '   Finished!' '  '
        [ "$(wc -l <"$data/$newest")" = 4 ] || fail "$newest has $(wc -l <"$data/$newest") lines"
        expect_count 1
    done
    # Task Scheduler (Wine's, which reads little of it but refuses a definition that is not a task) takes
    # the installed definitions; they are deleted again, with the folder Wine leaves.
    for task_file in 'kestrav-task.xml|Save and clear the Corvane Log' 'kestrav-follow-task.xml|Follow the Corvane Log'; do
        name="Kestrav\\${task_file#*|}"
        "$wine_sh" "$build" run schtasks /create /tn "$name" /xml "$(winepath -w "$installed/${task_file%|*}" 2>/dev/null)" \
            >schtasks.txt 2>&1 || fail "schtasks /create refuses ${task_file%|*}: $(grep -v fixme schtasks.txt)"
        "$wine_sh" "$build" run schtasks /delete /tn "$name" /f >schtasks.txt 2>&1 || fail "schtasks /delete $name failed"
    done
    rm -rf "$drive_c/windows/system32/tasks/Kestrav"

    "$wine_sh" "$build" run msiexec /x "$msi_path" /qn || fail "msiexec /x: exit status $?"
    settle unlisted || fail "the installed programs still list Kestrav"
    files >after.txt
    # Wine keeps its folder of installer caches once made; the run's own files stay.
    left=$(diff before.txt after.txt | grep '^[<>]' |
        grep -Fvx -e '> ./windows/Installer' -e '> ./ProgramData/Kestrav' -e '> ./ProgramData/Kestrav/kestrav.log' |
        grep -Evx '> \./ProgramData/Kestrav/cvr-[0-9-]+\.csv' || true)
    [ -z "$left" ] || fail "uninstalling left or removed: $left"
    [ -z "$(query "$key")" ] || fail "the event source is still registered"
    [ -z "$(query 'HKLM\Software\Kestrav')" ] || fail "HKLM\\Software\\Kestrav is left"
    rm -rf "$data"
    ;;
upgrade)
    # A major upgrade: the older release installed and used, the newer installed over it (the older removed
    # first, what runs wrote kept), the older refused over the newer, and the newer uninstalled.
    old_msi="$build/tests/windows/kestrav-previous.msi"
    new_msi="$build/kestrav.msi"
    [ -f "$old_msi" ] && [ -f "$new_msi" ] || { echo "upgrade: no MSI (wixl missing); skipped"; exit 77; }
    installer_helpers
    old_product=$(product_code "$old_msi")
    new_product=$(product_code "$new_msi")
    [ -n "$old_product" ] && [ "$old_product" != "$new_product" ] || fail "product codes '$old_product' and '$new_product'"
    upgrade_code() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "UpgradeCode" { print $2 }'; }
    [ "$(upgrade_code "$old_msi")" = "$(upgrade_code "$new_msi")" ] || fail "the upgrade codes differ"
    listed() { query "$uninstall" | grep -F "$1" >/dev/null; }
    # Installed programs named Kestrav, whatever their product code.
    products() { query "$uninstall" /s | grep -cE '^ +DisplayName +REG_SZ +Kestrav$' || true; }
    installed="$drive_c/Program Files/Kestrav"
    data="$drive_c/ProgramData/Kestrav"
    shortcuts() { find "$drive_c/ProgramData" "$drive_c/users" -path '*/Start Menu/Programs/Kestrav.lnk' | wc -l; }
    rm -rf "$data"
    files >before.txt
    install() { "$wine_sh" "$build" run msiexec /i "$(winepath -w "$1" 2>/dev/null)" /qn; }

    install "$old_msi" || fail "msiexec /i of the older: exit status $?"
    settle listed "$old_product" || fail "the older is not listed"
    [ "$(file_version "$installed/kestrav.exe")" = 0.0.0.0 ] || fail "the older installed $(file_version "$installed/kestrav.exe")"
    sample_log
    (cd "$data" && "$wine_sh" "$build" run "$installed/kestrav.exe" '/f:C:\ProgramData\Kestrav\kestrav.log') ||
        fail "the older program's run failed"
    cp "$data/kestrav.log" status-log.txt

    install "$new_msi" || fail "msiexec /i of the newer: exit status $?"
    settle listed "$new_product" || fail "the newer is not listed"
    settle eval '! listed "$old_product"' || fail "the older is still listed"
    [ "$(products)" = 1 ] || fail "$(products) programs named Kestrav are listed"
    cmp "$installed/kestrav.exe" "$build/release/kestrav.exe" || fail "the installed kestrav.exe is not the newer"
    [ "$(file_version "$installed/kestrav.exe")" = 0.1.0.0 ] || fail "the newer installed $(file_version "$installed/kestrav.exe")"
    [ "$(query "$key" | grep -c '^ *EventMessageFile ')" = 1 ] || fail "event source: $(query "$key")"
    [ "$(shortcuts)" = 1 ] || fail "$(shortcuts) Start-menu shortcuts"
    cmp "$data/kestrav.log" status-log.txt || fail "the status log in ProgramData changed"

    # The older over the newer is refused, and changes nothing.
    status=0
    install "$old_msi" 2>/dev/null || status=$?
    [ "$status" != 0 ] || fail "the older was installed over the newer"
    listed "$new_product" && ! listed "$old_product" || fail "a refused downgrade changed what is listed"
    [ "$(file_version "$installed/kestrav.exe")" = 0.1.0.0 ] || fail "a refused downgrade installed $(file_version "$installed/kestrav.exe")"

    "$wine_sh" "$build" run msiexec /x "$(winepath -w "$new_msi" 2>/dev/null)" /qn || fail "msiexec /x: exit status $?"
    settle eval '! listed "$new_product" && [ ! -e "$installed" ]' || fail "the newer is still installed"
    files >after.txt
    left=$(diff before.txt after.txt | grep '^[<>]' |
        grep -Fvx -e '> ./windows/Installer' -e '> ./ProgramData/Kestrav' -e '> ./ProgramData/Kestrav/kestrav.log' || true)
    [ -z "$left" ] || fail "uninstalling left or removed: $left"
    [ -z "$(query "$key")" ] || fail "the event source is still registered"
    [ -z "$(query 'HKLM\Software\Kestrav')" ] || fail "HKLM\\Software\\Kestrav is left"
    cmp "$data/kestrav.log" status-log.txt || fail "uninstalling changed the status log"
    rm -rf "$data"
    ;;
devices)
    # Device names and namespaces are refused as exports and as status logs; the log keeps every entry.
    sample_log
    for target in NUL nul.csv CON Com1 LPT1 aux.txt PRN. 'sub/COM9.csv' 'NUL .csv' '\\.\NUL' \
        '\\.\ZorHlth' '\\?\GLOBALROOT\Device\Null'; do
        rm -f kestrav.log
        run "/export:$target" /clear
        expect_status 1
        shown=$target
        case "$target" in *.*) ;; *) shown="$target.csv" ;; esac
        expect_refused_export kestrav.log "Couldn't open file '$shown'. Not a regular file."
        expect_count 3
    done
    # A stream of a file is no file of its own: refused, and its file not made.
    for target in 'x.csv:hidden' 'x.csv::$DATA'; do
        rm -f kestrav.log
        run "/export:$target" /clear
        expect_status 1
        expect_refused_export kestrav.log "Couldn't open file '$target'."
        [ ! -e x.csv ] || fail "/export:$target made x.csv"
        expect_count 3
    done
    for target in NUL CON.log COM1 '\\.\NUL'; do
        run "/f:$target" /clear
        expect_status 1
        grep -q "^kestrav: cannot open the status log '.*': not a regular file" stderr.txt ||
            fail "status log $target: $(cat stderr.txt)"
        expect_count 3
    done
    [ "$(find . -iname 'nul*' -o -iname 'con*' -o -iname 'com*' | wc -l)" = 0 ] || fail "files made: $(ls)"
    ;;
replace)
    # A failed write (an export of 8 KiB beyond the file size limit, with its signal ignored so that the
    # write fails) leaves nothing at a new target and an older file byte for byte as it was.
    for number in $(seq 40); do
        record "$number" 33 2 2 "$(printf 'x%.0s' $(seq 200))"
    done >long.cvr
    drive reset
    drive import long.cvr
    printf 'older\r\n' >older.csv
    for target in new.csv older.csv; do
        rm -f kestrav.log
        status=0
        (trap '' XFSZ && ulimit -f 1 && "$wine_sh" "$build" run "$kestrav" "/export:$target" /clear 2>stderr.txt) ||
            status=$?
        expect_status 1
        expect_refused_export kestrav.log "Couldn't write file '$target'."
    done
    [ ! -e new.csv ] || fail "a failed export left new.csv ($(wc -c <new.csv) bytes)"
    [ "$(cat older.csv)" = $'older\r' ] || fail "the older export changed: $(od -c older.csv | head -2)"
    [ -z "$(find . -name '.kestrav-*')" ] || fail "temporary files left: $(find . -name '.kestrav-*')"
    expect_count 40
    sample_log
    # A read-only older export is refused with the system's reason, and stays.
    printf 'read-only\r\n' >ro.csv
    chmod a-w ro.csv
    rm -f kestrav.log
    run /export:ro.csv /clear
    expect_status 1
    expect_refused_export kestrav.log "Couldn't open file 'ro.csv'. Access denied."
    [ "$(cat ro.csv)" = $'read-only\r' ] || fail "the read-only export changed"
    expect_count 3
    # The older export's attributes stay with the new content.
    printf 'hidden\r\n' >hidden.csv
    "$wine_sh" "$build" run attrib +h hidden.csv
    run /export:hidden.csv
    expect_status 0
    "$wine_sh" "$build" run attrib hidden.csv | grep -q '^A   H ' || fail "attributes: $("$wine_sh" "$build" run attrib hidden.csv)"
    [ "$(wc -l <hidden.csv)" = 4 ] || fail "hidden.csv has $(wc -l <hidden.csv) lines"
    # A link is written through: the file it leads to gets the export, the link stays.
    printf 'real\r\n' >real.csv
    ln -s real.csv link.csv
    run /export:link.csv
    expect_status 0
    [ -L link.csv ] && [ "$(readlink link.csv)" = real.csv ] || fail "the link was replaced"
    [ "$(wc -l <real.csv)" = 4 ] || fail "real.csv has $(wc -l <real.csv) lines"
    ;;
long_paths)
    # Targets of 250 and 300 characters (the Windows path, drive letter included), a name of 255
    # characters, and UNC names (Wine reaches \\localhost\share through its unc folder).
    sample_log
    base=$(windows_path "$PWD")
    for total in 250 300; do
        relative=$total
        length=$((${#base} + 1 + ${#relative} + 1))
        while [ $((total - length)) -gt 120 ]; do
            relative="$relative/$(printf 'd%.0s' $(seq 49))"
            length=$((length + 50))
        done
        if [ $((total - length - 4)) -lt 8 ]; then
            fail "the build folder's path ($base) is too long for a $total-character target"
            continue
        fi
        mkdir -p "$relative"
        relative="$relative/$(printf 'f%.0s' $(seq $((total - length - 4)))).csv"
        shown="$base\\${relative//\//\\}"
        [ "${#shown}" = "$total" ] || fail "the test made a name of ${#shown} characters"
        run "/export:$shown"
        expect_status 0
        [ "$(wc -l <"$relative")" = 4 ] || fail "the $total-character export is missing"
    done
    name="$(printf 'n%.0s' $(seq 251)).csv"
    run "/export:$name"
    expect_status 0
    [ "$(wc -l <"$name")" = 4 ] || fail "the export of a 255-character name is missing"
    mkdir -p "$WINEPREFIX_DIR/dosdevices/unc/localhost" shared
    ln -sfn "$PWD/shared" "$WINEPREFIX_DIR/dosdevices/unc/localhost/share-$$"
    for target in "\\\\localhost\\share-$$\\cvr.csv" "\\\\?\\UNC\\localhost\\share-$$\\cvr2.csv" \
        "//localhost/share-$$/cvr3.csv"; do
        run "/export:$target"
        expect_status 0
    done
    rm -f "$WINEPREFIX_DIR/dosdevices/unc/localhost/share-$$"
    for name in cvr cvr2 cvr3; do
        [ "$(wc -l <"shared/$name.csv")" = 4 ] || fail "the UNC export $name.csv is missing"
    done
    ;;
sharing)
    # Another program holding the older export without letting it be written (a spreadsheet) or removed:
    # the export is refused with the system's reason, the erase is withheld and the file stays.
    sample_log
    hold="$build/bin/hold_file.exe"
    for mode in deny-write deny-delete; do
        printf 'older\r\n' >held.csv
        rm -f ready done kestrav.log
        "$wine_sh" "$build" run "$hold" held.csv "$mode" ready done &
        holder=$!
        for _ in $(seq 100); do
            [ -e ready ] && break
            sleep 0.1
        done
        [ -e ready ] || fail "$mode: the holder did not start"
        run /export:held.csv /clear
        touch done
        wait "$holder" || fail "$mode: the holder failed"
        expect_status 1
        expect_refused_export kestrav.log "Couldn't open file 'held.csv'. Sharing violation."
        [ "$(cat held.csv)" = $'older\r' ] || fail "$mode: the held export changed"
        expect_count 3
    done
    ;;
code_pages)
    # The program without the manifest's UTF-8 code page (as older Windows runs it), under code pages 1252
    # and 932: a Japanese note is stored as UTF-8, the export is the same as the program's with the
    # manifest, file names and the status log keep every character, on stderr as well; a closed pipe ends
    # quietly.
    plain="$build/bin/kestrav_no_code_page.exe"
    note='ファン交換'
    missing='存在しない.bin'
    note_hex=$(printf '%s' "$note" | od -An -tx1 | tr -d ' \n')
    for lang in en_US.UTF-8 ja_JP.UTF-8; do
        sample_log
        rm -f kestrav.log
        KESTRAV_WINE_LANG=$lang "$wine_sh" "$build" run "$plain" "/note:$note" "/f:記録" 2>stderr.txt ||
            fail "$lang: the note run failed: $(cat stderr.txt)"
        perl -MEncode -0777 -ne 'decode("UTF-8", $_, Encode::FB_CROAK); exit 0' 記録.log ||
            fail "$lang: the status log is not UTF-8"
        grep -q "/note:$note /f:記録\$" <(tr -d '\r' <記録.log) || fail "$lang: the command line in the status log"
        raw=$(KESTRAV_WINE_LANG=$lang "$wine_sh" "$build" run "$plain" --json --number=8 | sed 's/.*"raw":"\([0-9a-f]*\)".*/\1/')
        [ "${raw:56:${#note_hex}}" = "$note_hex" ] || fail "$lang: the stored note is ${raw:56:${#note_hex}}"
        KESTRAV_WINE_LANG=$lang "$wine_sh" "$build" run "$plain" "/export:エクスポート-$lang.csv"
        KESTRAV_WINE_LANG=$lang "$wine_sh" "$build" run "$kestrav" "/export:manifest-$lang.csv"
        cmp "エクスポート-$lang.csv" "manifest-$lang.csv" || fail "$lang: the exports differ"
        tail -n 1 "manifest-$lang.csv" | tr -d '\r' | grep -q ",Maintenance note: $note\$" ||
            fail "$lang: the exported note: $(tail -n 1 "manifest-$lang.csv")"
        # A console (a pseudo-terminal, which Wine turns into one) shows the note, written as UTF-16.
        if command -v script >/dev/null && [ -c /dev/ptmx ]; then
            KESTRAV_WINE_LANG=$lang script -qec "$(printf '%q ' "$wine_sh" "$build" run "$plain" --list)" \
                console.txt >/dev/null 2>&1 || fail "$lang: the console run failed"
            grep -q "Maintenance note: $note" console.txt || fail "$lang: the console shows: $(tail -n 3 console.txt)"
            # An error line on stderr that names a Japanese file shows whole as well.
            KESTRAV_WINE_LANG=$lang script -qec "$(printf '%q ' "$wine_sh" "$build" run "$plain" "--input=$missing")" \
                console.txt >/dev/null 2>&1 && fail "$lang: the run on a missing dump succeeded on the console"
            grep -q "kestrav: $missing: [^ ]" console.txt || fail "$lang: the console shows: $(tail -n 3 console.txt)"
        fi
        # In a pipe the same line arrives as UTF-8, the system's text for the error in UTF-8 too.
        KESTRAV_WINE_LANG=$lang "$wine_sh" "$build" run "$plain" "--input=$missing" 2>&1 >/dev/null |
            cat >stderr.txt || true
        perl -MEncode -0777 -ne 'decode("UTF-8", $_, Encode::FB_CROAK); exit 0' stderr.txt &&
            [ "$(wc -l <stderr.txt)" = 1 ] && grep -q "^kestrav: $missing: [^ ]" stderr.txt ||
            fail "$lang: a missing dump in a pipe: $(od -c stderr.txt | head -n 5)"
        rm -f 記録.log
    done
    for number in $(seq 300); do
        record "$number" 33 2 2 "$(printf 'x%.0s' $(seq 200))"
    done >long.cvr
    drive reset
    drive import long.cvr
    status=0
    "$wine_sh" "$build" run "$kestrav" --json 2>stderr.txt | head -c 10 >/dev/null || true
    [ ! -s stderr.txt ] || fail "a closed pipe: $(cat stderr.txt)"
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
check)
    # The monitoring check as NSClient++ or Icinga for Windows runs it: the state as the exit status, the
    # first line on standard output in UTF-8. The sample log's one caution entry warns; a log that is not
    # kept is UNKNOWN.
    sample_log
    status=0
    "$wine_sh" "$build" run "$kestrav" --check >stdout.txt 2>stderr.txt || status=$?
    expect_status 1
    first=$(head -n 1 stdout.txt)
    [[ $first == "CVR WARNING - 0 critical and 1 caution entries not repaired, newest: "*" | critical=0;;;0 caution=1;;;0 entries=3;;;0" ]] ||
        fail "the first line: $first"
    [ "$(sed -n 2p stdout.txt | cut -d: -f1)" = "#2 Caution, Machine Environment, 2026-12-07T14" ] ||
        fail "the entry's line: $(sed -n 2p stdout.txt)"
    [ ! -s stderr.txt ] || fail "the check wrote to stderr: $(cat stderr.txt)"
    drive supported 0
    status=0
    "$wine_sh" "$build" run "$kestrav" --check --critical=5 >stdout.txt 2>stderr.txt || status=$?
    expect_status 3
    [ "$(cat stdout.txt)" = "CVR UNKNOWN - This system does not support the Corvane Log." ] ||
        fail "a log not kept: $(cat stdout.txt)"
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
report)
    # The report of a dump under Wine is the Linux build's, byte for byte but for the moment it was made.
    if [ ! -x "$linux_bin/kestrav" ] || [ ! -x "$linux_bin/healthsim" ]; then
        echo "report: no Linux build in '$linux_bin'; skipped"
        exit 77
    fi
    "$linux_bin/healthsim" init linux.db
    "$linux_bin/healthsim" seed linux.db
    ZORHLTH_DEVICE=linux.db "$linux_bin/kestrav" --dump=seeded.cvr
    env -u LC_ALL -u LC_TIME -u LC_MESSAGES LANG=en_US.UTF-8 "$linux_bin/kestrav" --input=seeded.cvr --report=linux.html
    run --input=seeded.cvr --report=windows.html
    expect_status 0
    [ ! -s stderr.txt ] || fail "the report wrote to stderr: $(cat stderr.txt)"
    grep -q '<dd id="count">286</dd>' windows.html || fail "the report does not count 286 entries"
    cmp <(grep -v 'id="made"' linux.html) <(grep -v 'id="made"' windows.html) || fail "the reports of the same dump differ"
    ;;
follow)
    # kestrav.exe --follow in the background: each new or changed entry arrives once, in event-number order;
    # Ctrl+C (Wine turns SIGINT into it) stops it cleanly with its state saved, so a restart repeats
    # nothing; after a kill the restart goes on from the state last saved, so nothing is lost.
    follower=
    trap '[ -z "$follower" ] || kill -KILL "$follower" 2>/dev/null || true; [ -n "${KEEP:-}" ] || rm -rf "$scratch"' EXIT
    follow() {
        "$wine_sh" "$build" run "$kestrav" --follow --json --interval=1 --state=follow.state >"$1" 2>>follow.err &
        follower=$!
    }
    # The event numbers of the JSON lines in the file, once it holds at least n lines (at most 20 s).
    numbers_after() {
        local file=$1 n=$2
        for _ in $(seq 200); do
            [ "$(wc -l <"$file")" -lt "$n" ] || break
            sleep 0.1
        done
        grep -o '"event_number":[0-9]*' "$file" | cut -d: -f2 | paste -sd ' '
    }
    expect_numbers() {
        local got
        got=$(numbers_after "$1" "$2")
        [ "$got" = "$3" ] || fail "$1: event numbers '$got', expected '$3'"
    }
    stop_follower() {
        status=0
        kill "-$1" "$follower"
        wait "$follower" 2>/dev/null || status=$?
        follower=
    }
    state_last() {
        sed -n 's/^last //p' follow.state
    }

    sample_log
    follow first.json
    expect_numbers first.json 3 '1 2 7'
    # Entry 2 marked repaired in place, then two new ones: each once, in the log's order.
    {
        record 2 2 1 6 ""
        record 8 33 2 2 "eighth"
        record 9 33 2 2 "ninth"
    } >more.cvr
    drive import more.cvr
    # A poll's walk may meet the import half done: having passed entry 2 before its rewrite, it finds 8 (and
    # 9), and the next poll sends the rewritten 2. Each of the three arrives once, whichever walk sees it.
    got=$(numbers_after first.json 6)
    case $got in
    '1 2 7 2 8 9' | '1 2 7 8 2 9' | '1 2 7 8 9 2') ;;
    *) fail "first.json: event numbers '$got', expected 1 2 7 and then 2, 8 and 9 once each" ;;
    esac
    stop_follower INT
    expect_status 0
    [ "$(state_last)" = 9 ] || fail "the state after a clean stop ends at '$(state_last)', expected 9"

    record 10 33 2 2 "tenth" >tenth.cvr
    drive import tenth.cvr
    follow second.json
    expect_numbers second.json 1 '10'
    for _ in $(seq 200); do
        [ "$(state_last)" != 10 ] || break
        sleep 0.1
    done
    [ "$(state_last)" = 10 ] || fail "the state after entry 10 ends at '$(state_last)'"
    stop_follower KILL
    [ "$status" != 0 ] || fail "the killed follower ended with status 0"

    record 11 33 2 2 "eleventh" >eleventh.cvr
    drive import eleventh.cvr
    follow third.json
    expect_numbers third.json 1 '11'
    stop_follower INT
    expect_status 0
    [ "$(numbers_after third.json 1)" = 11 ] || fail "third.json grew to '$(numbers_after third.json 1)'"
    [ ! -s follow.err ] || fail "the follower wrote to stderr: $(cat follow.err)"

    # A state that is not a file of its own is refused at once, never waited on nor read.
    mkdir folder.state
    for state in folder.state NUL; do
        status=0
        "$wine_sh" "$build" run "$kestrav" --follow --json --state=$state >refused.json 2>refused.err || status=$?
        expect_status 1
        [ ! -s refused.json ] || fail "--state=$state: the follower printed $(head -c 100 refused.json)"
        [ "$(tr -d '\r' <refused.err)" = "kestrav: --state: cannot use '$state': not a regular file; remove it to start over (every entry is then emitted again)" ] ||
            fail "--state=$state: $(cat refused.err)"
    done
    ;;
follow_event_log)
    # kestrav.exe --follow --eventlog as the boot task runs it, its state where a clear looks for it: each
    # new or changed entry reaches ReportEventW once, as the event of a cleared entry with the journal's
    # fields after its texts, across a kill and a restart; a clear by another run forwards only what the
    # follower has not reported, and the follower then reports the entry that records the clear.
    data="$WINEPREFIX_DIR/drive_c/ProgramData/Kestrav"
    state="$data/follow.state"
    mkdir -p "$data"
    rm -f "$state"
    follower=
    trap '[ -z "$follower" ] || kill -KILL "$follower" 2>/dev/null || true; rm -f "$state"; rmdir "$data" 2>/dev/null
          [ -n "${KEEP:-}" ] || rm -rf "$scratch"' EXIT
    follow() {
        KESTRAV_WINEDEBUG=fixme+advapi,+eventlog "$wine_sh" "$build" run "$kestrav" --follow --eventlog \
            --interval=1 '--state=C:\ProgramData\Kestrav\follow.state' 2>"$1" &
        follower=$!
    }
    # Stops the follower with a signal once its state ends at a number (at most 20 s).
    stop_at() {
        for _ in $(seq 200); do
            [ "$(sed -n 's/^last //p' "$state" 2>/dev/null)" != "$1" ] || break
            sleep 0.1
        done
        status=0
        kill "-$2" "$follower"
        wait "$follower" 2>/dev/null || status=$?
        follower=
    }
    # Event, type and entry number of each event of a trace.
    numbers() { event_lines "$1" | cut -d' ' -f1-3 | paste -sd ' '; }

    sample_log
    follow first.trace
    stop_at 7 KILL
    [ "$(numbers first.trace)" = '203 4 1 201 2 2 203 4 7' ] || fail "first: $(event_lines first.trace)"
    [ "$(event_lines first.trace | head -n 1 | sed 's/ | CVR_RAW=.*//')" = "203 4 1 | Maintenance | 2 | 12/7/2026 2:05 PM | 1 | Maintenance note: first |  | MESSAGE=Maintenance note: first | PRIORITY=6 | SYSLOG_IDENTIFIER=kestrav | CVR_EVENT_NUMBER=1 | CVR_CLASS=33 | CVR_CLASS_NAME=Maintenance | CVR_CODE=2 | CVR_SEVERITY=2 | CVR_SEVERITY_NAME=Informational | CVR_COUNT=1 | CVR_UPDATE_TIME=2026-12-07T14:05 | CVR_INITIAL_TIME=2026-12-07T14:05" ] ||
        fail "entry 1's event: $(event_lines first.trace | head -n 1)"
    # Entry 2 marked repaired and entry 8 added after the kill: the restart reports those two only.
    {
        record 2 2 1 6 ""
        record 8 33 2 2 "eighth"
    } >more.cvr
    drive import more.cvr
    follow second.trace
    stop_at 8 INT
    [ "$(numbers second.trace)" = '202 4 2 203 4 8' ] || fail "second: $(event_lines second.trace)"
    expect_status 0
    # A clear by another run forwards entry 9, which the follower has not reported, and no other.
    record 9 33 2 15 "ninth" >ninth.cvr
    drive import ninth.cvr
    KESTRAV_WINEDEBUG=fixme+advapi,+eventlog "$wine_sh" "$build" run "$kestrav" /clear 2>clear.trace
    [ "$(numbers clear.trace)" = '102 4 Successfully 200 1 9' ] ||
        fail "the clear reported: $(event_lines clear.trace)"
    follow third.trace
    stop_at 10 INT
    [ "$(numbers third.trace)" = '203 4 10' ] || fail "third: $(event_lines third.trace)"
    grep -qF 'kestrav: the log was cleared: 4 entries seen before are no longer in it' third.trace ||
        fail "the follower did not say that the log was cleared"
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
