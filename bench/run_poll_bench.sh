#!/bin/sh
# Builds the poll benchmark in an optimised tree of its own and runs it; root is needed for the
# network namespaces. Arguments go to the benchmark (--links 1,64,512 --rounds N).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QMR_BENCH_BUILD:-$root/build/bench}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DQMR_BUILD_GUI=OFF >/dev/null
# Builds on this machine take turns through a shared lock where there is one.
if command -v flock >/dev/null 2>&1; then
    flock /tmp/qmr-build.lock cmake --build "$build" -j2 --target qmr-bench-poll
else
    cmake --build "$build" -j2 --target qmr-bench-poll
fi
# The poll and ip run on the same core: the cores of a virtual machine can differ in speed by
# a third.
core=$(($(nproc) - 1))
pin=
if command -v taskset >/dev/null 2>&1 && taskset -c "$core" true 2>/dev/null; then
    pin="taskset -c $core"
fi
# The run takes the lock too (after the build has let it go: do not wrap this script in it).
if command -v flock >/dev/null 2>&1; then
    exec flock /tmp/qmr-build.lock $pin "$build/bin/qmr-bench-poll" "$@"
fi
exec $pin "$build/bin/qmr-bench-poll" "$@"
