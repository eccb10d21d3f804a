# Sourced by the timing scripts, after `set -eu`, with the script's arguments: sets bin (the bin folder of the
# build directory given as $1, default ./build), entries (ENTRIES, default 100000) and runs (RUNS, default
# $default_runs), and makes a device of that many seeded entries in a fresh folder $work, named by
# ZORHLTH_DEVICE and removed on exit. Texts are the C locale's.
build=${1:-build}
bin=$(cd "$build/bin" && pwd)
entries=${ENTRIES:-100000}
runs=${RUNS:-$default_runs}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ZORHLTH_DEVICE="$work/cvr.db"
export LC_ALL=C

"$bin/healthsim" init "$ZORHLTH_DEVICE"
"$bin/healthsim" seed "$ZORHLTH_DEVICE" --entries "$entries" >/dev/null
