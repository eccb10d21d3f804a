#!/usr/bin/env bash
# The scheduled task shipped in packaging/windows: a task definition Task Scheduler accepts in form (well
# formed, in the task namespace, one calendar trigger, one action), that runs as SYSTEM with the highest
# privileges the installed kestrav.exe with absolute paths under ProgramData\Kestrav only (an elevated
# task starts in System32), and the same command as the schtasks line of the documentation. The follower's
# task: the same account, at boot, disabled until enabled, no time limit, started again after a failure,
# its state where a clear looks for it.
#
#   task_definition.sh SOURCE_DIR
set -euo pipefail

source_dir=$(cd "$1" && pwd)
task="$source_dir/packaging/windows/kestrav-task.xml"
command -v xmllint >/dev/null || { echo "task_definition: xmllint missing; skipped"; exit 77; }

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

xmllint --noout "$task" || fail "kestrav-task.xml is not well formed"
value() { xmllint --xpath "string($1)" "$task" 2>/dev/null; }
count() { xmllint --xpath "count($1)" "$task" 2>/dev/null; }
t="*[local-name()='Task' and namespace-uri()='http://schemas.microsoft.com/windows/2004/02/mit/task']"
tag() { echo "*[local-name()='$1']"; }

# XPath, expected value; the rows after "follower" are those of the follower's task.
checks=(
    "/$t/@version|1.2"
    "count:/$t/$(tag Triggers)/*|1"
    "count:/$t/$(tag Triggers)/$(tag CalendarTrigger)/$(tag ScheduleByDay)|1"
    "count:/$t/$(tag Principals)/$(tag Principal)|1"
    "/$t/$(tag Principals)/$(tag Principal)/$(tag UserId)|S-1-5-18"
    "/$t/$(tag Principals)/$(tag Principal)/$(tag RunLevel)|HighestAvailable"
    "/$t/$(tag Principals)/$(tag Principal)/@id|Author"
    "/$t/$(tag Actions)/@Context|Author"
    "count:/$t/$(tag Actions)/*|1"
    "/$t/$(tag Actions)/$(tag Exec)/$(tag Command)|\"C:\\Program Files\\Kestrav\\kestrav.exe\""
    "/$t/$(tag Actions)/$(tag Exec)/$(tag WorkingDirectory)|C:\\ProgramData\\Kestrav"
    "/$t/$(tag Settings)/$(tag MultipleInstancesPolicy)|IgnoreNew"
    "/$t/$(tag Settings)/$(tag Enabled)|true"
    follower
    "/$t/$(tag Principals)/$(tag Principal)/$(tag UserId)|S-1-5-18"
    "count:/$t/$(tag Triggers)/$(tag BootTrigger)|1"
    "/$t/$(tag Actions)/$(tag Exec)/$(tag Arguments)|--follow --eventlog --state=%ProgramData%\\Kestrav\\follow.state"
    "/$t/$(tag Settings)/$(tag Enabled)|false"
    "/$t/$(tag Settings)/$(tag ExecutionTimeLimit)|PT0S"
    "/$t/$(tag Settings)/$(tag RestartOnFailure)/$(tag Count)|999"
)
for row in "${checks[@]}"; do
    if [ "$row" = follower ]; then
        task="$source_dir/packaging/windows/kestrav-follow-task.xml"
        xmllint --noout "$task" || fail "kestrav-follow-task.xml is not well formed"
        continue
    fi
    path=${row%|*}
    expected=${row##*|}
    if [[ $path == count:* ]]; then
        actual=$(count "${path#count:}")
    else
        actual=$(value "$path")
    fi
    [ "$actual" = "$expected" ] || fail "$path: '$actual', expected '$expected'"
done

task="$source_dir/packaging/windows/kestrav-task.xml"
grep -F 'schtasks /change /tn "Kestrav\Follow the Corvane Log" /enable' "$source_dir/docs/windows.md" >/dev/null ||
    fail "docs/windows.md does not say how to enable the follower's task"

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
grep -F 'Id="INSTALLDIR" Name="Kestrav"' "$source_dir/packaging/windows/kestrav.wxs" >/dev/null &&
    grep -F 'Id="ProgramFiles64Folder"' "$source_dir/packaging/windows/kestrav.wxs" >/dev/null ||
    fail "the installer does not install into Program Files\\Kestrav"

if [ "$failures" -ne 0 ]; then
    echo "task_definition: $failures check(s) failed" >&2
    exit 1
fi
echo "task_definition: passed"
