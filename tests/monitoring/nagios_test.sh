#!/usr/bin/env bash
# kestrav --check under a real Nagios 4: a minimal configuration in a temporary folder (one host, one
# service whose command is the shipped check_kestrav definition, naming the built program), checks forced
# through the external command file, and the service's state and output read back from status.dat. An
# unrepaired critical entry is CRITICAL, the same entry marked repaired is OK, a device whose requests fail
# is UNKNOWN. Usage: nagios_test.sh BIN_DIR SOURCE_DIR (exit 77: skipped).
set -uo pipefail
bin=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
skip() {
    echo "SKIP: $*"
    exit 77
}
nagios=$(command -v nagios4 || command -v nagios || ls /usr/sbin/nagios4 2>/dev/null) ||
    skip "Nagios 4 is not installed (package nagios4-core)"

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

export ZORHLTH_DEVICE=$work/cvr.db
"$bin/healthsim" init "$ZORHLTH_DEVICE" >/dev/null
"$bin/healthsim" add "$ZORHLTH_DEVICE" --class 3 --code 2 --severity 15 >/dev/null
"$bin/healthsim" add "$ZORHLTH_DEVICE" --class 33 --code 2 --text 'fan 2 checked' >/dev/null

# Nagios runs its checks as the account it runs as; it is told to stay the current one (root included).
user=$(id -un)
group=$(id -gn)
mkdir "$work/results"
sed "s|@KESTRAV_BIN@|$bin|" "$src/packaging/monitoring/kestrav.cfg.in" >"$work/kestrav.cfg"
cat >"$work/objects.cfg" <<CFG
define timeperiod {
    timeperiod_name 24x7
    alias           always
    sunday          00:00-24:00
    monday          00:00-24:00
    tuesday         00:00-24:00
    wednesday       00:00-24:00
    thursday        00:00-24:00
    friday          00:00-24:00
    saturday        00:00-24:00
}
define contact {
    contact_name                  nobody
    host_notifications_enabled    0
    service_notifications_enabled 0
    host_notification_period      24x7
    service_notification_period   24x7
    host_notification_options     n
    service_notification_options  n
    host_notification_commands    check_kestrav
    service_notification_commands check_kestrav
}
define host {
    host_name             server
    address               127.0.0.1
    max_check_attempts    1
    check_period          24x7
    contacts              nobody
    notification_period   24x7
    notifications_enabled 0
}
define service {
    host_name             server
    service_description   Corvane Log
    check_command         check_kestrav!
    max_check_attempts    1
    check_interval        1
    retry_interval        1
    check_period          24x7
    contacts              nobody
    notification_period   24x7
    notifications_enabled 0
}
CFG
cat >"$work/nagios.cfg" <<CFG
log_file=$work/nagios.log
cfg_file=$work/objects.cfg
cfg_file=$work/kestrav.cfg
object_cache_file=$work/objects.cache
precached_object_file=$work/objects.precache
status_file=$work/status.dat
status_update_interval=1
nagios_user=$user
nagios_group=$group
check_external_commands=1
command_file=$work/nagios.cmd
lock_file=$work/nagios.lock
temp_file=$work/nagios.tmp
temp_path=$work
check_result_path=$work/results
query_socket=$work/nagios.qh
retain_state_information=0
state_retention_file=$work/retention.dat
interval_length=1
check_result_reaper_frequency=1
use_syslog=0
enable_notifications=0
enable_flap_detection=0
execute_host_checks=0
CFG
if ! "$nagios" -v "$work/nagios.cfg" >"$work/verify.txt" 2>&1; then
    echo "FAIL: Nagios refuses the configuration: $(grep -iE 'error' "$work/verify.txt" | head -3)" >&2
    exit 1
fi
"$nagios" "$work/nagios.cfg" >"$work/nagios.out" 2>&1 &
pid=$!

# The service's fields in status.dat: NAME=VALUE lines of its servicestatus block.
service_status() {
    awk '/^servicestatus \{/ { block = 1; next } block && /^\t}/ { block = 0 } block { sub(/^\t/, ""); print }' \
        "$work/status.dat" 2>/dev/null
}
field() { service_status | sed -n "s/^$1=//p"; }

# Forces a check and waits for its result: STATE FIRST_LINE. Nagios stamps a check with the second it began,
# so only a check begun in a second after the change made just before counts.
check_now() {
    local since
    since=$(($(date +%s) + 1))
    while [ "$(date +%s)" -lt "$since" ]; do
        sleep 0.1
    done
    for _ in $(seq 100); do
        [ -p "$work/nagios.cmd" ] && break
        sleep 0.1
    done
    printf '[%s] SCHEDULE_FORCED_SVC_CHECK;server;Corvane Log;%s\n' "$since" "$since" >"$work/nagios.cmd"
    for _ in $(seq 150); do
        local last
        last=$(field last_check)
        if [ -n "$last" ] && [ "$last" -ge "$since" ] && [ "$(field has_been_checked)" = 1 ]; then
            echo "$(field current_state) $(field plugin_output)"
            return
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "none: nagios gave no result: $(tail -n 5 "$work/nagios.log" "$work/nagios.out" 2>/dev/null)"
}

got=$(check_now)
[[ $got == "2 CVR CRITICAL - 1 critical and 0 caution entries not repaired, newest: "* ]] ||
    fail "an unrepaired critical entry: $got"
[ "$(field performance_data)" = "critical=1;;;0 caution=0;;;0 entries=2;;;0" ] ||
    fail "performance data: $(field performance_data)"
long=$(field long_plugin_output)
[[ $long == "#2 Informational"* ]] && fail "an informational entry has a line: $long"
[[ $long == "#1 Critical, Main Memory, "* ]] || fail "the entry's line: $long"

# The same entry marked repaired (its severity byte rewritten to 6, as Mark Repaired does).
"$bin/kestrav" --dump="$work/log.bin" || fail "--dump exited $?"
perl -pi -e 'BEGIN { $/ = \256 } substr($_, 7, 1) = "\x06" if unpack("V", substr($_, 2, 4)) == 1' "$work/log.bin"
"$bin/healthsim" init "$ZORHLTH_DEVICE" --force >/dev/null
"$bin/healthsim" import "$ZORHLTH_DEVICE" "$work/log.bin" >/dev/null
got=$(check_now)
[ "$got" = "0 CVR OK - no critical or caution entries not repaired" ] || fail "the entry marked repaired: $got"
[ "$(field performance_data)" = "critical=0;;;0 caution=0;;;0 entries=2;;;0" ] ||
    fail "performance data: $(field performance_data)"

# A device that answers no request.
"$bin/healthsim" fault "$ZORHLTH_DEVICE" fail-requests >/dev/null
got=$(check_now)
[ "$got" = "3 CVR UNKNOWN - This system does not support the Corvane Log." ] || fail "a failing device: $got"
exit $failed
