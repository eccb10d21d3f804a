#!/usr/bin/env bash
# The viewer on ENTRIES entries (default 100000), on both platforms: the Windows window under Wine on a
# virtual display with the test driver (win32_viewer_bench: start until the list is drawn, sorts by heading
# clicks, a refresh), then the Qt viewer on Linux on the emulated device (viewer_bench: the initial load until
# the list is filled and drawn, sorts). The Windows figures include a filter text typed and cleared. Prints
# the figures; asserts nothing.
# Usage: bench/time_viewer_windows.sh [linux-build-dir] [windows-build-dir]   (defaults build, build-windows)
set -euo pipefail

linux=$(cd "${1:-build}/bin" && pwd)
windows=$(cd "${2:-build-windows}" && pwd)
wine_sh=$(cd "$(dirname "$0")/../tests/windows" && pwd)/wine.sh
entries=${ENTRIES:-100000}

work=$(mktemp -d)
trap '"$wine_sh" "$windows" stop; rm -rf "$work"' EXIT
"$linux/healthsim" init "$work/cvr.db"
"$linux/healthsim" seed "$work/cvr.db" --entries "$entries" >/dev/null
"$linux/healthsim" dump "$work/cvr.db" | perl -ne 'my @f = split; print pack("H*", $f[1])' >"$work/seeded.cvr"

echo "== Windows window under Wine, $entries entries"
"$wine_sh" "$windows" display "$windows/bin/win32_viewer_bench.exe" "$work/seeded.cvr" | tr -d '\r'
echo "== Qt viewer on Linux, 100000 entries"
"$linux/viewer_bench" --benchmark_filter='BM_InitialLoad|BM_SortByColumn'
