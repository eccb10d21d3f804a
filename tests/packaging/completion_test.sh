#!/usr/bin/env bash
# The bash completions offer the options: each row is a command line up to the cursor, the words as bash
# splits them (at blanks and at the ':' and '=' of COMP_WORDBREAKS), and the replies expected, sorted.
# Usage: completion_test.sh COMPLETION_DIR
set -euo pipefail
dir=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/logs" && touch "$work/logs/run.log" "$work/out.csv"

failed=0
check() {
    local script=$1 function=$2 line=$3 words=$4 expected=$5
    local got
    got=$(cd "$work" && bash --norc --noprofile -c '
        source "$1"
        COMP_LINE=$3
        COMP_POINT=${#COMP_LINE}
        read -r -a COMP_WORDS <<<"$4"
        [[ $3 == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        "$2"
        printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd " " -' _ "$dir/$script" "$function" "$line" "$words")
    if [ "$got" != "$expected" ]; then
        echo "FAIL: '$line': expected '$expected', got '$got'" >&2
        failed=1
    fi
}

# kestrav: query options, severity lists, classic options with either switch, file names after a colon.
check kestrav _kestrav "kestrav --" "kestrav --" \
    "--check --class= --critical= --csv --dump= --follow --help --input= --interval= --journal --json --last= --list --metrics= --number= --report= --severity= --since= --state= --until= --utc --version --warning= --window"
check kestrav _kestrav "kestrav --j" "kestrav --j" "--journal --json"
check kestrav _kestrav "kestrav --s" "kestrav --s" "--severity= --since= --state="
check kestrav _kestrav "kestrav --u" "kestrav --u" "--until= --utc"
check kestrav _kestrav "kestrav --severity=" "kestrav --severity =" "caution critical informational repaired"
check kestrav _kestrav "kestrav --severity=cr" "kestrav --severity = cr" "critical"
check kestrav _kestrav "kestrav --severity=critical,ca" "kestrav --severity = critical,ca" "critical,caution"
check kestrav _kestrav "kestrav --json --last=" "kestrav --json --last =" ""
check kestrav _kestrav "kestrav /" "kestrav /" "/clear /export: /f: /note:\""
check kestrav _kestrav "kestrav -e" "kestrav -e" "-export:"
check kestrav _kestrav "kestrav /export:/clear /n" "kestrav /export : /clear /n" "/note:\""
check kestrav _kestrav "kestrav /export:" "kestrav /export :" "logs/ out.csv"
check kestrav _kestrav "kestrav /EX" "kestrav /EX" "/export:"
check kestrav _kestrav "kestrav -Cl" "kestrav -Cl" "-clear"
check kestrav _kestrav "kestrav /f:lo" "kestrav /f : lo" "logs/"
check kestrav _kestrav "kestrav /f:logs/r" "kestrav /f : logs/r" "logs/run.log"
check kestrav _kestrav "kestrav status" "kestrav status" ""
check kestrav _kestrav "kestrav --d" "kestrav --d" "--dump="
check kestrav _kestrav "kestrav --input=lo" "kestrav --input = lo" "logs/"
check kestrav _kestrav "kestrav --csv --dump=o" "kestrav --csv --dump = o" "out.csv"
check kestrav _kestrav "kestrav --report=lo" "kestrav --report = lo" "logs/"

# healthsim: commands, the device, each command's own arguments.
check healthsim _healthsim "healthsim " "healthsim" "--help add dump fault import init seed set"
check healthsim _healthsim "healthsim s" "healthsim s" "seed set"
check healthsim _healthsim "healthsim init o" "healthsim init o" "out.csv"
check healthsim _healthsim "healthsim init dev " "healthsim init dev" "--force --mode --unsupported"
check healthsim _healthsim "healthsim init dev --mode " "healthsim init dev --mode" ""
check healthsim _healthsim "healthsim add dev --c" "healthsim add dev --c" "--class --code --count"
check healthsim _healthsim "healthsim add dev --class " "healthsim add dev --class" ""
check healthsim _healthsim "healthsim fault dev " "healthsim fault dev" \
    "clear clear-at erase-refuse fail-requests raw-records read-status skip-numbers write-status"
check healthsim _healthsim "healthsim set dev u" "healthsim set dev u" "unsupported"
check healthsim _healthsim "healthsim seed dev " "healthsim seed dev" "--entries"

# Both scripts register their completion when bash-completion loads them.
for program in kestrav healthsim; do
    registered=$(bash --norc --noprofile -c 'source "$1"; complete -p "$2"' _ "$dir/$program" "$program")
    [[ $registered == *"-F _$program $program" ]] || { echo "FAIL: $program not registered" >&2; failed=1; }
done
exit $failed
