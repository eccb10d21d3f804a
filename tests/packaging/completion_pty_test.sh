#!/usr/bin/env bash
# The kestrav completion as an administrator meets it: an interactive bash on a real terminal (a tmux pane),
# keys typed, Tab pressed, and the line read back as readline left it. A marker key typed after the Tab shows
# that readline has finished with it. Each row: what is typed before the Tab, and the line that results.
# Usage: completion_pty_test.sh COMPLETION_DIR
set -euo pipefail
dir=$(realpath "$1")
command -v tmux >/dev/null || { echo "tmux is not installed; skipped"; exit 77; }
work=$(mktemp -d)
socket=kestrav-completion-$$
tmux_() { tmux -L "$socket" -f /dev/null "$@"; }
trap 'tmux_ kill-server 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir "$work/run" && touch "$work/run/out.csv"
cat >"$work/rc" <<END
PS1='$ '
source '$dir/kestrav'
cd '$work/run'
END
tmux_ new-session -d -x 160 -y 20 \
    "env -i HOME='$work' TERM=xterm PATH='$PATH' INPUTRC=/dev/null bash --noprofile --rcfile '$work/rc' -i"

# The last line of the pane that holds something (tmux drops its trailing blanks), once it ends in text
# (waits up to 5 s).
line_ending() {
    local last=
    for _ in $(seq 50); do
        last=$(tmux_ capture-pane -p | grep -v '^$' | tail -n 1 || true)
        [[ $last == *"$1" ]] && break
        sleep 0.1
    done
    printf '%s' "$last"
}
line_ending '$' >/dev/null

failed=0
check() {
    local typed=$1 expected=$2
    tmux_ send-keys -l "$typed"
    tmux_ send-keys Tab
    tmux_ send-keys -l '#'
    local got
    got=$(line_ending '#')
    if [ "$got" != "\$ $expected#" ]; then
        echo "FAIL: '$typed' then Tab: expected '\$ $expected#', got '$got'" >&2
        failed=1
    fi
    tmux_ send-keys C-u C-l
    line_ending '$' >/dev/null
}

check "kestrav --severity=" "kestrav --severity="
check "kestrav --severity=rep" "kestrav --severity=repaired "
check "kestrav --severity=critical,ca" "kestrav --severity=critical,caution "
check "kestrav --js" "kestrav --json "
check "kestrav --cl" "kestrav --class="
check "kestrav /export:" "kestrav /export:out.csv "
check "kestrav /f:o" "kestrav /f:out.csv "
check "kestrav /EX" "kestrav /export:"
check "kestrav -CL" "kestrav -clear "
exit $failed
