#!/usr/bin/env bash
# `cmake --install` into a throw-away DESTDIR installs every file and nothing else, and the installed
# programs work from where they land: kestrav finds its installed window module, exports a device made by
# the installed healthsim, and without the viewer component says in one line that the window is missing.
# Usage: install_test.sh BUILD_DIR BINDIR LIBDIR MANDIR DATADIR WITH_VIEWER(0|1)
set -euo pipefail
build=$1 bindir=$2 libdir=$3 mandir=$4 datadir=$5 viewer=$6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

installed() { (cd "$1" && find . -type f -o -type l) | sed 's|^\./||' | sort; }

cli_files=(
    "usr/$bindir/kestrav" "usr/$bindir/healthsim"
    "usr/$mandir/man8/kestrav.8" "usr/$mandir/man8/healthsim.8"
    "usr/$datadir/bash-completion/completions/kestrav" "usr/$datadir/bash-completion/completions/healthsim"
    usr/lib/systemd/system/kestrav-follow.service usr/lib/systemd/system/kestrav-metrics.service
    usr/lib/systemd/system/kestrav-metrics.timer usr/lib/systemd/system/kestrav-export.service
    usr/lib/systemd/system/kestrav-export.timer etc/logrotate.d/kestrav
    "usr/$datadir/kestrav/monitoring/kestrav.cfg" "usr/$datadir/kestrav/monitoring/kestrav.conf"
)
viewer_files=()
if [ "$viewer" = 1 ]; then
    viewer_files=(
        "usr/$libdir/kestrav/kestrav-viewer.so"
        "usr/$datadir/applications/org.kestrav.Kestrav.desktop"
        "usr/$datadir/metainfo/org.kestrav.Kestrav.metainfo.xml"
    )
fi

# Everything.
DESTDIR=$work/all cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; exit 1; }
expected=$(printf '%s\n' "${cli_files[@]}" "${viewer_files[@]}" | sort)
got=$(installed "$work/all")
[ "$got" = "$expected" ] || fail "installed files differ:$(diff <(echo "$expected") <(echo "$got") | sed 's/^/ /')"
for program in kestrav healthsim; do
    [ -x "$work/all/usr/$bindir/$program" ] || fail "$program is not executable"
done
# The check's command definitions name the installed program.
for file in kestrav.cfg kestrav.conf; do
    grep -qF "/usr/$bindir/kestrav" "$work/all/usr/$datadir/kestrav/monitoring/$file" ||
        fail "$file does not name /usr/$bindir/kestrav"
done

device=$work/cvr.db
"$work/all/usr/$bindir/healthsim" init "$device" >/dev/null
"$work/all/usr/$bindir/healthsim" seed "$device" --entries 5 >/dev/null
mkdir "$work/run"
(cd "$work/run" && ZORHLTH_DEVICE=$device "$work/all/usr/$bindir/kestrav" /export:out.csv) ||
    fail "the installed kestrav did not export"
[ "$(wc -l <"$work/run/out.csv")" -ge 6 ] || fail "the export of the installed kestrav is short"

status=0
err=$("$work/all/usr/$bindir/kestrav" 2>&1 >/dev/null) || status=$?
if [ "$viewer" = 1 ]; then
    [[ $status = 1 && $err == "kestrav: no display to open the viewer on"* ]] ||
        fail "the installed kestrav did not load its window module: $status $err"
else
    [[ $status = 1 && $err == "kestrav: the window is not installed"* ]] || fail "without the window: $status $err"
fi

# The command-line component alone.
DESTDIR=$work/cli cmake --install "$build" --prefix /usr --component cli >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; exit 1; }
expected=$(printf '%s\n' "${cli_files[@]}" | sort)
got=$(installed "$work/cli")
[ "$got" = "$expected" ] || fail "the cli component differs:$(diff <(echo "$expected") <(echo "$got") | sed 's/^/ /')"
status=0
err=$("$work/cli/usr/$bindir/kestrav" 2>&1 >/dev/null) || status=$?
[ "$status" = 1 ] || fail "kestrav without its window module exited $status"
[ "$(printf '%s\n' "$err" | wc -l)" = 1 ] || fail "more than one line: $err"
[[ $err == "kestrav: the window is not installed (no kestrav-viewer.so in $work/cli/usr/$bindir or"* ]] ||
    fail "without the window module: $err"
exit $failed
