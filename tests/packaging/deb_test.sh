#!/usr/bin/env bash
# The Debian packages: `cpack -G DEB` makes kestrav (the command line) and kestrav-viewer (the window); the
# command-line package depends on no Qt or X11 library, the viewer package on kestrav of its own version
# and on Qt. lintian finds nothing at error or warning level. Both are then installed for real with dpkg into
# a throw-away root: its own file tree, package database, dpkg log and account files, and the programs
# kestrav's postinst runs, so that the postinst runs inside it and the machine's own system is not touched.
# There the postinst makes the zorhlth group and /var/lib/zorhlth; the units pass systemd-analyze verify
# against that root; a device that root makes there with healthsim init is at once root:zorhlth 0640, an
# account in that group reads it and cannot clear it, one outside it cannot read it. kestrav first says that the window is missing,
# then finds it, and after the viewer's removal says so again; the viewer, a private module, runs no
# ldconfig.
# Usage: deb_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
arch=$(dpkg --print-architecture)
cli=$work/out/kestrav_${version}-1_$arch.deb
viewer=$work/out/kestrav-viewer_${version}-1_$arch.deb
for deb in "$cli" "$viewer"; do
    [ -f "$deb" ] || { echo "FAIL: no $(basename "$deb") in: $(ls "$work/out")" >&2; exit 1; }
done

depends=$(dpkg-deb -f "$cli" Depends)
echo "kestrav Depends: $depends"
grep -qE 'libqt|libx11|libxcb|libgl' <<<"$depends" && fail "kestrav depends on the toolkit: $depends"
for library in libc6 libsqlite3-0 'libicu[0-9]+' libstdc\\+\\+6; do
    grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "kestrav does not depend on $library: $depends"
done
depends=$(dpkg-deb -f "$viewer" Depends)
echo "kestrav-viewer Depends: $depends"
grep -qF "kestrav (= $version-1)" <<<"$depends" || fail "kestrav-viewer does not depend on its kestrav: $depends"
grep -qE 'libqt6widgets6' <<<"$depends" || fail "kestrav-viewer does not depend on Qt Widgets: $depends"
dpkg-deb -c "$cli" | grep -qE 'kestrav-viewer|\.desktop|metainfo' && fail "kestrav holds viewer files"
scripts=$(dpkg-deb --ctrl-tarfile "$cli" | tar -t | grep -E 'preinst|postinst|prerm|postrm|triggers' | paste -sd ' ')
[ "$scripts" = "./postinst" ] || fail "kestrav's maintainer scripts are '$scripts', not its postinst alone"
dpkg-deb --ctrl-tarfile "$viewer" | tar -t | grep -qE 'preinst|postinst|prerm|postrm|triggers' &&
    fail "kestrav-viewer has maintainer scripts"
contents=$(dpkg-deb -c "$cli")
for file in usr/share/doc/kestrav/copyright usr/share/doc/kestrav/changelog.Debian.gz \
    usr/share/man/man8/kestrav.8.gz usr/share/man/man8/healthsim.8.gz usr/lib/tmpfiles.d/kestrav.conf \
    usr/share/kestrav/monitoring/kestrav.cfg usr/share/kestrav/monitoring/kestrav.conf; do
    grep -qE " \./$file\$" <<<"$contents" || fail "kestrav does not hold $file"
done
if command -v lintian >/dev/null; then
    lintian --fail-on error,warning "$cli" "$viewer" >"$work/lintian.out" 2>&1 ||
        fail "lintian: $(grep -E '^[EW]:' "$work/lintian.out" || cat "$work/lintian.out")"
else
    echo "lintian is not installed; the packages were not checked with it"
fi

if [ "$(id -u)" != 0 ]; then
    echo "installing into a throw-away root needs root; only the packages were checked"
    exit $((failed ? 1 : 77))
fi
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# dpkg runs maintainer scripts chrooted into the root: they need /bin/sh and what kestrav's postinst calls,
# and the account files that groupadd changes.
for program in /bin/sh /usr/bin/getent /usr/sbin/groupadd /bin/mkdir /bin/chown /bin/chmod; do
    for file in "$program" $(ldd "$(readlink -f "$program")" 2>/dev/null | grep -oE '/[^ ]+'); do
        mkdir -p "$root$(dirname "$file")"
        cp -L "$file" "$root$file"
    done
done
mkdir -p "$root/etc"
printf 'root:x:0:\nnogroup:x:65534:\n' >"$root/etc/group"
printf 'root:*::\nnogroup:*::\n' >"$root/etc/gshadow"
printf 'root:x:0:0:root:/root:/bin/sh\n' >"$root/etc/passwd"
printf 'root:*:19000:0:99999:7:::\n' >"$root/etc/shadow"
cp /etc/login.defs "$root/etc/"
# The libraries the packages depend on are the machine's, not the throw-away root's, hence
# --force-depends; --path-include undoes any path-exclude of the machine's dpkg configuration.
dpkg=(dpkg --root="$root" --log="$work/dpkg.log" --force-depends --path-include='*')
kestrav() {
    local status=0
    err=$("$root/usr/bin/kestrav" 2>&1 >/dev/null) || status=$?
    echo "$status $err"
}

"${dpkg[@]}" -i "$cli" >"$work/dpkg.out" 2>&1 || { cat "$work/dpkg.out" >&2; exit 1; }
for file in $(dpkg --root="$root" -L kestrav | grep -E '/(kestrav|healthsim|kestrav\.8\.gz|healthsim\.8\.gz)$'); do
    [ -e "$root$file" ] || fail "dpkg lists $file but it is not installed"
done
[ -x "$root/usr/bin/healthsim" ] || fail "healthsim is not installed"

# The units as installed, checked against the throw-away root: the programs they start and the manual page
# they name must be the installed ones. systemd's own units (the targets they hang on) are the machine's,
# copied in beside them.
if command -v systemd-analyze >/dev/null && [ -d /usr/lib/systemd/system ]; then
    mkdir -p "$root/lib/systemd"
    cp -a /usr/lib/systemd/system "$root/lib/systemd/"
    units=$(dpkg --root="$root" -L kestrav | grep -E '^/usr/lib/systemd/system/[^/]+\.(service|timer)$' |
        xargs -n1 basename)
    [ "$(echo "$units" | wc -l)" = 5 ] || fail "the package does not install five units: $units"
    status=0
    # shellcheck disable=SC2086
    out=$(MANPATH=$root/usr/share/man systemd-analyze verify --root="$root" $units 2>&1) || status=$?
    [ "$status" = 0 ] && [ -z "$out" ] || fail "systemd-analyze verify of the installed units (exit $status): $out"
else
    echo "systemd-analyze is not installed; the installed units were not verified"
fi
[[ $(kestrav) == "1 kestrav: the window is not installed ("* ]] || fail "with kestrav alone: $(kestrav)"

# The default device's group and folder, and what its members may do there. The installed programs run
# under the throw-away root's group number as an account with no rights of its own.
gid=$(grep -E '^zorhlth:' "$root/etc/group" | cut -d: -f3)
[ -n "$gid" ] || fail "the postinst made no zorhlth group: $(cat "$root/etc/group")"
folder=$root/var/lib/zorhlth
[ "$(stat -c '%a %u %g' "$folder" 2>&1)" = "750 0 ${gid:-?}" ] ||
    fail "/var/lib/zorhlth is '$(stat -c '%a %u %g' "$folder" 2>&1)', not '750 0 $gid'"
if [ -n "$gid" ]; then
    chmod 755 "$work"
    # As the administrator makes it, with root's usual umask: nothing to chgrp or chmod afterwards.
    device=$folder/cvr.db
    (umask 022 && "$root/usr/bin/healthsim" init "$device" >/dev/null)
    "$root/usr/bin/healthsim" seed "$device" --entries 5 >/dev/null
    [ "$(stat -c '%a %u %g' "$device")" = "640 0 $gid" ] ||
        fail "healthsim init made the device '$(stat -c '%a %u %g' "$device")', not '640 0 $gid'"
    before=$("$root/usr/bin/healthsim" dump "$device" | md5sum)
    mkdir -m 777 "$work/run"
    as() { (cd "$work/run" && ZORHLTH_DEVICE=$device LC_ALL=C setpriv --reuid=65534 --regid=65534 "$@"); }
    status=0
    lines=$(as --groups="$gid" "$root/usr/bin/kestrav" --csv | wc -l) || status=$?
    [ "$status:$lines" = "0:6" ] || fail "a member of zorhlth could not read the log: exit $status, $lines lines"
    status=0
    as --groups="$gid" "$root/usr/bin/kestrav" /f:member /export:member.csv /clear 2>/dev/null || status=$?
    [ "$status" = 1 ] || fail "a member's clear exited $status"
    grep -qE '^   Permission denied'$'\r''?$' "$work/run/member.log" ||
        fail "a member's clear was not refused with the system's text: $(cat "$work/run/member.log")"
    [ "$(wc -l <"$work/run/member.csv")" = 6 ] || fail "a member's export before the refused clear is short"
    [ "$("$root/usr/bin/healthsim" dump "$device" | md5sum)" = "$before" ] || fail "a member's clear changed the log"
    status=0
    err=$(as --clear-groups "$root/usr/bin/kestrav" --list 2>&1 >/dev/null) || status=$?
    [ "$status:$err" = "1:kestrav: Permission denied" ] || fail "an account outside zorhlth: $status $err"
fi

"${dpkg[@]}" -i "$viewer" >"$work/dpkg.out" 2>&1 || { cat "$work/dpkg.out" >&2; exit 1; }
[[ $(kestrav) == "1 kestrav: no display to open the viewer on"* ]] || fail "with kestrav-viewer: $(kestrav)"
for file in usr/share/applications/org.kestrav.Kestrav.desktop usr/share/metainfo/org.kestrav.Kestrav.metainfo.xml; do
    [ -f "$root/$file" ] || fail "kestrav-viewer did not install $file"
done

"${dpkg[@]}" -r kestrav-viewer >"$work/dpkg.out" 2>&1 || { cat "$work/dpkg.out" >&2; exit 1; }
[ -z "$(find "$root" -name kestrav-viewer.so)" ] || fail "the window module is left after removing kestrav-viewer"
[[ $(kestrav) == "1 kestrav: the window is not installed ("* ]] || fail "after removing kestrav-viewer: $(kestrav)"
dpkg --root="$root" -s kestrav | grep -qx 'Status: install ok installed' || fail "kestrav is not installed"
exit $failed
