#!/usr/bin/env bash
# The scheduled tasks shipped in packaging/windows: task definitions Task Scheduler accepts in form (well
# formed, in the task namespace, one trigger, one action), that run as SYSTEM with the highest privileges
# the installed kestrav.exe. The nightly save and clear: a calendar trigger, absolute paths under
# ProgramData\Kestrav only (an elevated task starts in System32), and the same command as the schtasks
# line of the documentation. The follower: at boot, disabled until an administrator enables it, no time
# limit, started again after a failure, its state where a clear looks for it.
#
#   task_definition.sh SOURCE_DIR
set -euo pipefail

source_dir=$(cd "$1" && pwd)
nightly="$source_dir/packaging/windows/kestrav-task.xml"
follower="$source_dir/packaging/windows/kestrav-follow-task.xml"
command -v xmllint >/dev/null || { echo "task_definition: xmllint missing; skipped"; exit 77; }

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

for task in "$nightly" "$follower"; do
    xmllint --noout "$task" || fail "$(basename "$task") is not well formed"
done
task=$nightly
value() { xmllint --xpath "string($1)" "$task" 2>/dev/null; }
count() { xmllint --xpath "count($1)" "$task" 2>/dev/null; }
t="*[local-name()='Task' and namespace-uri()='http://schemas.microsoft.com/windows/2004/02/mit/task']"
tag() { echo "*[local-name()='$1']"; }
settings="/$t/$(tag Settings)"
exec="/$t/$(tag Actions)/$(tag Exec)"

# Task (both, nightly or follower), XPath, expected value
checks=(
    "both|/$t/@version|1.2"
    "both|count:/$t/$(tag Triggers)/*|1"
    "both|count:/$t/$(tag Principals)/$(tag Principal)|1"
    "both|/$t/$(tag Principals)/$(tag Principal)/$(tag UserId)|S-1-5-18"
    "both|/$t/$(tag Principals)/$(tag Principal)/$(tag RunLevel)|HighestAvailable"
    "both|/$t/$(tag Principals)/$(tag Principal)/@id|Author"
    "both|/$t/$(tag Actions)/@Context|Author"
    "both|count:/$t/$(tag Actions)/*|1"
    "both|$exec/$(tag Command)|\"C:\\Program Files\\Kestrav\\kestrav.exe\""
    "both|$settings/$(tag MultipleInstancesPolicy)|IgnoreNew"
    "nightly|count:/$t/$(tag Triggers)/$(tag CalendarTrigger)/$(tag ScheduleByDay)|1"
    "nightly|$exec/$(tag WorkingDirectory)|C:\\ProgramData\\Kestrav"
    "nightly|$settings/$(tag Enabled)|true"
    "follower|count:/$t/$(tag Triggers)/$(tag BootTrigger)|1"
    "follower|$exec/$(tag Arguments)|--follow --eventlog --state=%ProgramData%\\Kestrav\\follow.state"
    "follower|$exec/$(tag WorkingDirectory)|%ProgramData%\\Kestrav"
    "follower|$settings/$(tag Enabled)|false"
    "follower|$settings/$(tag ExecutionTimeLimit)|PT0S"
    "follower|$settings/$(tag RestartOnFailure)/$(tag Interval)|PT1M"
    "follower|$settings/$(tag RestartOnFailure)/$(tag Count)|999"
    "follower|$settings/$(tag DisallowStartIfOnBatteries)|false"
    "follower|$settings/$(tag StopIfGoingOnBatteries)|false"
)
for row in "${checks[@]}"; do
    which=${row%%|*}
    rest=${row#*|}
    path=${rest%|*}
    expected=${rest##*|}
    for task in "$nightly" "$follower"; do
        case $which in
        both) ;;
        nightly) [ "$task" = "$nightly" ] || continue ;;
        follower) [ "$task" = "$follower" ] || continue ;;
        esac
        if [[ $path == count:* ]]; then
            actual=$(count "${path#count:}")
        else
            actual=$(value "$path")
        fi
        [ "$actual" = "$expected" ] || fail "$(basename "$task"): $path: '$actual', expected '$expected'"
    done
done
task=$nightly

# Every argument is an option of the command line whose file, if any, is an absolute path in the data folder.
arguments=$(value "/$t/$(tag Actions)/$(tag Exec)/$(tag Arguments)")
[ -n "$arguments" ] || fail "the task has no arguments"
for argument in $arguments; do
    case $argument in
    /f:* | /export:*)
        [[ ${argument#*:} == 'C:\ProgramData\Kestrav\'* ]] || fail "argument $argument is not under C:\\ProgramData\\Kestrav"
        ;;
    /clear) ;;
    *) fail "unexpected argument $argument" ;;
    esac
done

# The documentation's schtasks line and the MSI's installed program run the same command.
command=$(value "/$t/$(tag Actions)/$(tag Exec)/$(tag Command)")
documented="/tr \"\\${command%\"}\\\" $arguments\""
for doc in README.md docs/windows.md; do
    grep -F -- "$documented" "$source_dir/$doc" >/dev/null || fail "$doc has no schtasks line with $documented"
done
# The follower's task is shipped disabled: the documentation says how to register and enable it.
follower_name='schtasks /change /tn "Kestrav\Follow the Corvane Log" /enable'
grep -F -- "$follower_name" "$source_dir/docs/windows.md" >/dev/null || fail "docs/windows.md has no line $follower_name"
grep -F 'Name="kestrav-follow-task.xml"' "$source_dir/packaging/windows/kestrav.wxs" >/dev/null ||
    fail "the installer does not install kestrav-follow-task.xml"
grep -F 'Id="INSTALLDIR" Name="Kestrav"' "$source_dir/packaging/windows/kestrav.wxs" >/dev/null &&
    grep -F 'Id="ProgramFiles64Folder"' "$source_dir/packaging/windows/kestrav.wxs" >/dev/null ||
    fail "the installer does not install into Program Files\\Kestrav"

if [ "$failures" -ne 0 ]; then
    echo "task_definition: $failures check(s) failed" >&2
    exit 1
fi
echo "task_definition: passed"
