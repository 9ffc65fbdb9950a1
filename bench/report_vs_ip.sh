#!/bin/sh
# What `qmr-report --expert` costs as a whole process against `ip -s -d addr show` on the same
# links: for 64 and 512 links (veth pairs, peers up in a second namespace, two IPv4 addresses
# each) both run alternately, 20 times each, from inside the namespace; the CPU time (user and
# system) of each run is the kernel's accounting of the child, read when it is reaped. Prints
# the medians and their ratio; asserts nothing. Needs root.
#
#   bench/report_vs_ip.sh [BIN_DIR] [LINKS...]     (default build/release/bin, 64 512)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build/release/bin}" && pwd)
[ $# -gt 0 ] && shift
links=${*:-64 512}
if [ "$(id -u)" != 0 ]; then
    echo "report_vs_ip.sh needs root: it creates network namespaces" >&2
    exit 1
fi
printf '%6s %10s %14s %16s %8s\n' links runs "qmr-report ms" "ip addr show ms" ratio
for n in $links; do
    ns=qmr-rvi-$$-$n
    ip netns add "$ns"
    ip netns add "$ns-peer"
    trap 'ip netns del "$ns" 2>/dev/null; ip netns del "$ns-peer" 2>/dev/null' EXIT
    i=0
    {
        echo "link set lo up"
        while [ $i -lt "$n" ]; do
            echo "link add v$i type veth peer name p$i netns $ns-peer"
            echo "addr add 10.$((i / 250)).$((i % 250 + 1)).1/24 dev v$i"
            echo "addr add 10.$((100 + i / 250)).$((i % 250 + 1)).1/24 dev v$i"
            echo "link set v$i up"
            i=$((i + 1))
        done
    } | ip -n "$ns" -batch -
    i=0
    while [ $i -lt "$n" ]; do
        echo "link set p$i up"
        i=$((i + 1))
    done | ip -n "$ns-peer" -batch -
    python3 - "$ns" "$bin/qmr-report" "$n" <<'EOF'
import ctypes, os, statistics, subprocess, sys
ns, report, links = sys.argv[1], sys.argv[2], sys.argv[3]
libc = ctypes.CDLL(None, use_errno=True)
# Both run on the same core: the cores of a virtual machine can differ in speed by a third.
os.sched_setaffinity(0, {max(os.sched_getaffinity(0))})
fd = os.open(f"/run/netns/{ns}", os.O_RDONLY)
if libc.setns(fd, 0x40000000) != 0:  # CLONE_NEWNET
    sys.exit(f"cannot enter {ns}")

def cpu_ms(argv):
    child = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    child.returncode = status
    if status != 0:
        sys.exit(f"{argv[0]} failed")
    return 1000.0 * (usage.ru_utime + usage.ru_stime)

ours, theirs = [], []
cpu_ms([report, "--expert"]); cpu_ms(["ip", "-s", "-d", "addr", "show"])  # warm the caches
for _ in range(20):
    ours.append(cpu_ms([report, "--expert"]))
    theirs.append(cpu_ms(["ip", "-s", "-d", "addr", "show"]))
a, b = statistics.median(ours), statistics.median(theirs)
print(f"{links:>6} {20:>10} {a:>14.2f} {b:>16.2f} {a / b:>8.2f}", flush=True)
EOF
    ip netns del "$ns"
    ip netns del "$ns-peer"
    trap - EXIT
done
