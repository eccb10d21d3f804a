#!/usr/bin/env bash
# kestrav --check under a real Nagios 4, through the shipped check_kestrav command: a configuration of its
# own in a temporary folder, running as the current user (root too), checks forced through the external
# command file and read back from status.dat. An unrepaired critical entry is CRITICAL, the same entry
# repaired OK, a device whose requests fail UNKNOWN. Usage: nagios_test.sh BIN_DIR SOURCE_DIR (77: skipped).
set -uo pipefail
bin=$(cd "$1" && pwd)
nagios=$(command -v nagios4 || ls /usr/sbin/nagios4 2>/dev/null) || { echo "SKIP: nagios4-core is not installed"; exit 77; }
work=$(mktemp -d)
trap 'kill $pid 2>/dev/null; wait; rm -rf "$work"' EXIT
pid=
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

export ZORHLTH_DEVICE=$work/cvr.db
"$bin/healthsim" init "$ZORHLTH_DEVICE" >/dev/null
"$bin/healthsim" add "$ZORHLTH_DEVICE" --class 3 --code 2 --severity 15 >/dev/null
"$bin/healthsim" add "$ZORHLTH_DEVICE" --class 33 --code 2 --text 'fan 2 checked' >/dev/null

sed "s|@KESTRAV_BIN@|$bin|" "$2/packaging/monitoring/kestrav.cfg.in" >"$work/kestrav.cfg"
cat >"$work/objects.cfg" <<CFG
define contact {
    contact_name                  nobody
    host_notification_commands    check_kestrav
    service_notification_commands check_kestrav
}
define host {
    host_name          server
    max_check_attempts 1
    contacts           nobody
}
define service {
    host_name           server
    service_description Corvane Log
    check_command       check_kestrav!
    max_check_attempts  1
    check_interval      60
    contacts            nobody
}
CFG
{
    for file in log_file=nagios.log cfg_file=objects.cfg cfg_file=kestrav.cfg object_cache_file=objects.cache \
        precached_object_file=objects.precache status_file=status.dat command_file=nagios.cmd lock_file=nagios.lock \
        temp_file=nagios.tmp temp_path=. check_result_path=. query_socket=nagios.qh state_retention_file=retention.dat; do
        echo "${file%%=*}=$work/${file#*=}"
    done
    printf '%s\n' "nagios_user=$(id -un)" "nagios_group=$(id -gn)" status_update_interval=1 interval_length=1 \
        check_result_reaper_frequency=1 check_external_commands=1 enable_notifications=0 execute_host_checks=0
} >"$work/nagios.cfg"
"$nagios" -v "$work/nagios.cfg" >"$work/verify.txt" 2>&1 || { grep -i error "$work/verify.txt" >&2; exit 1; }
"$nagios" "$work/nagios.cfg" >"$work/nagios.out" 2>&1 &
pid=$!

# A field of the service's block in status.dat.
field() { awk -F= -v name="$1" '/^servicestatus/ { s = 1 } s && $1 == "\t" name { sub(/^[^=]*=/, ""); print }' "$work/status.dat" 2>/dev/null; }

# Forces a check and prints its state and first line. Nagios stamps a check with the second it began, so
# only one begun in a second after the change made just before counts.
check_now() {
    local since=$(($(date +%s) + 1)) last
    while [ "$(date +%s)" -lt "$since" ] || [ ! -p "$work/nagios.cmd" ]; do sleep 0.1; done
    printf '[%s] SCHEDULE_FORCED_SVC_CHECK;server;Corvane Log;%s\n' "$since" "$since" >"$work/nagios.cmd"
    for _ in $(seq 100); do
        last=$(field last_check)
        [ "${last:-0}" -ge "$since" ] && { echo "$(field current_state) $(field plugin_output)"; return; }
        sleep 0.1
    done
    echo "no result: $(tail -n 3 "$work/nagios.log")"
}

got=$(check_now)
[[ $got == "2 CVR CRITICAL - 1 critical and 0 caution entries not repaired, newest: "* ]] || fail "critical: $got"
[ "$(field performance_data)" = "critical=1;;;0 caution=0;;;0 entries=2;;;0" ] || fail "$(field performance_data)"
[[ $(field long_plugin_output) == "#1 Critical, Main Memory, "* ]] || fail "entry line: $(field long_plugin_output)"

# The entry repaired: its severity byte 6, as Mark Repaired writes it.
"$bin/kestrav" --dump="$work/log.bin"
perl -pi -e 'BEGIN { $/ = \256 } substr($_, 7, 1) = "\x06" if unpack("V", substr($_, 2, 4)) == 1' "$work/log.bin"
"$bin/healthsim" init "$ZORHLTH_DEVICE" --force >/dev/null
"$bin/healthsim" import "$ZORHLTH_DEVICE" "$work/log.bin" >/dev/null
got=$(check_now)
[ "$got" = "0 CVR OK - no critical or caution entries not repaired" ] || fail "repaired: $got"

"$bin/healthsim" fault "$ZORHLTH_DEVICE" fail-requests >/dev/null
got=$(check_now)
[ "$got" = "3 CVR UNKNOWN - This system does not support the Corvane Log." ] || fail "failing device: $got"
exit $failed
