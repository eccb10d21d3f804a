#!/usr/bin/env bash
# The kestrav package's units under a real systemd as PID 1: the package is installed with dpkg into a
# throw-away tree whose /usr is an overlay of the machine's own (its systemd, libraries and tools; writes go
# to the overlay), and the tree is booted with systemd-nspawn without a network. In there root makes the
# default device with healthsim init and nothing else; kestrav-follow.service, a dynamic user whose only
# right is the zorhlth group, sends the seeded entries and then a new one to the journal; and
# kestrav-export.service exports the log to a dated file and clears it.
# Usage: deb_systemd_test.sh BUILD_DIR VERSION (exit 77: skipped, with the reason).
set -uo pipefail

# In the booted tree this script is the check itself, started by a unit; it writes what it finds to OUT.
if [ "${1:-}" = --inside ]; then
    out=$2
    echo booted >"$out/booted"
    fail() { echo "FAIL: $*" >>"$out/result"; }
    # Polls cmd (a shell text) for up to seconds, true once it succeeds.
    wait_for() {
        local seconds=$1 cmd=$2
        for _ in $(seq $((seconds * 5))); do
            eval "$cmd" && return 0
            sleep 0.2
        done
        return 1
    }
    # The event numbers in the follower's journal entries, each as often as it was sent.
    numbers() {
        journalctl -q _SYSTEMD_UNIT=kestrav-follow.service -o export | sed -n 's/^CVR_EVENT_NUMBER=//p' |
            sort -n | paste -sd ' '
    }
    device=/var/lib/zorhlth/cvr.db
    (umask 022 && healthsim init "$device" && healthsim seed "$device" --entries 5) >/dev/null ||
        fail "healthsim could not make the device"
    systemctl start kestrav-follow.service || fail "kestrav-follow.service did not start"
    wait_for 30 '[ "$(numbers)" = "1 2 3 4 5" ]' ||
        fail "the follower's journal entries are '$(numbers)', not '1 2 3 4 5': $(journalctl -q -u kestrav-follow.service | tail -n 5)"
    pid=$(systemctl show -P MainPID kestrav-follow.service)
    gid=$(getent group zorhlth | cut -d: -f3)
    # (No awk here: the tree has no /etc/alternatives.)
    uid=$(sed -n 's/^Uid:[[:space:]]*\([0-9]*\).*/\1/p' "/proc/$pid/status" 2>/dev/null)
    groups=$(sed -n 's/^Groups:[[:space:]]*//p' "/proc/$pid/status" 2>/dev/null)
    [ -n "$uid" ] && [ "$uid" != 0 ] || fail "the follower runs as user '$uid', not a dynamic one"
    [[ " $groups " == *" $gid "* ]] || fail "the follower's groups '$groups' lack zorhlth ($gid)"
    healthsim add "$device" --class 2 --code 1 >/dev/null
    # The unit looks every 10 seconds.
    wait_for 25 '[ "$(numbers)" = "1 2 3 4 5 6" ]' || fail "the new entry did not reach the journal: $(numbers)"

    systemctl start kestrav-export.service || fail "kestrav-export.service failed: $(journalctl -q -u kestrav-export.service)"
    exports=(/var/lib/kestrav/exports/cvr-*.csv)
    [ ${#exports[@]} = 1 ] && [ -f "${exports[0]}" ] || fail "no dated export: ${exports[*]}"
    [ "$(wc -l <"${exports[0]}")" = 7 ] || fail "the export does not hold the header and 6 entries"
    # What is left is the entry of the clear itself.
    [ "$(healthsim dump "$device" | wc -l)" = 1 ] || fail "the export unit did not clear the log"
    journalctl -q SYSLOG_IDENTIFIER=kestrav-export | grep -qF "exported to ${exports[0]} and cleared" ||
        fail "no journal line from the export: $(journalctl -q -u kestrav-export.service)"
    systemctl is-active -q kestrav-follow.service || fail "the follower stopped after the clear"
    echo "done" >>"$out/result"
    exit 0
fi

build=$1 version=$2
skip() {
    echo "SKIP: $*"
    exit 77
}
[ "$(id -u)" = 0 ] || skip "needs root for dpkg into a tree, an overlay mount and systemd-nspawn"
command -v systemd-nspawn >/dev/null || skip "systemd-nspawn is not installed (package systemd-container)"
[ -x /lib/systemd/systemd ] || skip "systemd is not installed"
if [ -z "${KESTRAV_IN_NAMESPACE:-}" ]; then
    why=$(unshare -m --propagation private true 2>&1) || skip "unshare -m fails here: $why"
    KESTRAV_IN_NAMESPACE=1 exec unshare -m --propagation private bash "$0" "$@"
fi

work=$(mktemp -d)
trap 'umount -l "$work/tree/usr" 2>/dev/null; rm -rf "$work"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
deb=$work/out/kestrav_${version}-1_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "FAIL: no $(basename "$deb") in: $(ls "$work/out")" >&2; exit 1; }

tree=$work/tree
mkdir -p "$tree/usr" "$work/upper" "$work/overlay" "$work/result"
why=$(mount -t overlay overlay -o "lowerdir=/usr,upperdir=$work/upper,workdir=$work/overlay" "$tree/usr" 2>&1) ||
    skip "no overlay of /usr: $why"
for link in bin sbin lib lib64; do
    [ -e "/usr/$link" ] && ln -s "usr/$link" "$tree/$link"
done
mkdir -p "$tree/etc/systemd/system/multi-user.target.wants" "$tree/var/lib/dpkg/info" "$tree/var/lib/dpkg/updates" \
    "$tree/root" "$tree/tmp"
touch "$tree/var/lib/dpkg/status" "$tree/var/lib/dpkg/available"
printf 'root:x:0:\nnogroup:x:65534:\n' >"$tree/etc/group"
printf 'root:*::\nnogroup:*::\n' >"$tree/etc/gshadow"
printf 'root:x:0:0:root:/root:/bin/sh\nnobody:x:65534:65534:nobody:/nonexistent:/usr/sbin/nologin\n' >"$tree/etc/passwd"
printf 'root:*:19000:0:99999:7:::\n' >"$tree/etc/shadow"
cp /etc/login.defs /etc/nsswitch.conf "$tree/etc/"
ln -s ../usr/lib/os-release "$tree/etc/os-release"
# A machine id: not a first boot, so the machine's other units are not enabled by their presets.
echo 5a4b3c2d1e0f5a4b3c2d1e0f5a4b3c2d >"$tree/etc/machine-id"
# The libraries kestrav depends on are the machine's, in the overlaid /usr.
dpkg --root="$tree" --log="$work/dpkg.log" --force-depends --path-include='*' -i "$deb" >"$work/dpkg.out" 2>&1 ||
    { cat "$work/dpkg.out" >&2; exit 1; }
cp "$0" "$tree/root/check.sh"
cat >"$tree/etc/systemd/system/kestrav-check.service" <<'EOF'
[Unit]
Description=The kestrav units' check
After=multi-user.target
SuccessAction=poweroff-force
FailureAction=poweroff-force

[Service]
Type=oneshot
ExecStart=/bin/bash /root/check.sh --inside /result
TimeoutStartSec=80
EOF
ln -s ../kestrav-check.service "$tree/etc/systemd/system/multi-user.target.wants/"

status=0
timeout 100 systemd-nspawn --quiet --register=no --keep-unit --private-network --console=pipe \
    --directory="$tree" --bind="$work/result:/result" --boot >"$work/nspawn.log" 2>&1 </dev/null || status=$?
if [ ! -f "$work/result/booted" ]; then
    skip "systemd-nspawn did not boot the tree (exit $status): $(tail -n 5 "$work/nspawn.log")"
fi
if [ "$(tail -n 1 "$work/result/result" 2>/dev/null)" = "done" ] && ! grep -q '^FAIL' "$work/result/result"; then
    exit 0
fi
cat "$work/result/result" >&2 2>/dev/null || echo "FAIL: the check did not finish (systemd-nspawn exit $status)" >&2
tail -n 20 "$work/nspawn.log" >&2
exit 1
