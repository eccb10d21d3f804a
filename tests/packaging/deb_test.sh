#!/usr/bin/env bash
# The Debian packages: `cpack -G DEB` makes kestrav (the command line) and kestrav-viewer (the window); the
# command-line package depends on no Qt or X11 library, the viewer package on kestrav of its own version
# and on Qt. Both are then installed for real with dpkg into a throw-away root: its own file tree, package
# database and dpkg log, and a shell and ldconfig of its own, so that the viewer's maintainer scripts (the
# ldconfig call CPack adds for a package holding a shared object under /usr/lib) run inside it and the
# machine's own system is not touched. There kestrav first says that the window is missing, then finds it,
# and after the viewer's removal says so again.
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
dpkg-deb --ctrl-tarfile "$cli" | tar -t | grep -qE 'preinst|postinst|prerm|postrm|triggers' &&
    fail "kestrav has maintainer scripts"

if [ "$(id -u)" != 0 ]; then
    echo "installing into a throw-away root needs root; only the packages were checked"
    exit $((failed ? 1 : 77))
fi
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# dpkg runs maintainer scripts chrooted into the root: they need /bin/sh, and ldconfig (static on Debian).
for program in /bin/sh /sbin/ldconfig; do
    for file in "$program" $(ldd "$(readlink -f "$program")" 2>/dev/null | grep -oE '/[^ ]+'); do
        mkdir -p "$root$(dirname "$file")"
        cp -L "$file" "$root$file"
    done
done
mkdir -p "$root/etc"
# The libraries the packages depend on are the machine's, not the throw-away root's, hence
# --force-depends; --path-include undoes any path-exclude of the machine's dpkg configuration.
dpkg=(dpkg --root="$root" --log="$work/dpkg.log" --force-depends --path-include='*')
kestrav() {
    local status=0
    err=$("$root/usr/bin/kestrav" 2>&1 >/dev/null) || status=$?
    echo "$status $err"
}

"${dpkg[@]}" -i "$cli" >"$work/dpkg.out" 2>&1 || { cat "$work/dpkg.out" >&2; exit 1; }
for file in $(dpkg --root="$root" -L kestrav | grep -E '/(kestrav|healthsim|kestrav\.8|healthsim\.8)$'); do
    [ -f "$root$file" ] || fail "dpkg lists $file but it is not installed"
done
[ -x "$root/usr/bin/healthsim" ] || fail "healthsim is not installed"
[[ $(kestrav) == "1 kestrav: the window is not installed ("* ]] || fail "with kestrav alone: $(kestrav)"

"${dpkg[@]}" -i "$viewer" >"$work/dpkg.out" 2>&1 || { cat "$work/dpkg.out" >&2; exit 1; }
[ -s "$root/etc/ld.so.cache" ] || fail "the viewer's postinst did not run ldconfig inside the root"
[[ $(kestrav) == "1 kestrav: no display to open the viewer on"* ]] || fail "with kestrav-viewer: $(kestrav)"
for file in usr/share/applications/org.kestrav.Kestrav.desktop usr/share/metainfo/org.kestrav.Kestrav.metainfo.xml; do
    [ -f "$root/$file" ] || fail "kestrav-viewer did not install $file"
done

"${dpkg[@]}" -r kestrav-viewer >"$work/dpkg.out" 2>&1 || { cat "$work/dpkg.out" >&2; exit 1; }
[ -z "$(find "$root" -name kestrav-viewer.so)" ] || fail "the window module is left after removing kestrav-viewer"
[[ $(kestrav) == "1 kestrav: the window is not installed ("* ]] || fail "after removing kestrav-viewer: $(kestrav)"
dpkg --root="$root" -s kestrav | grep -qx 'Status: install ok installed' || fail "kestrav is not installed"
exit $failed
