#!/usr/bin/env python3
"""What the running window costs: CPU (percent of one core) and resident memory of qmr under
Xvfb, on a private network namespace with 8 and with 256 links, read at 10 s and at 60 s.

    bench/window_cost.py [--bin build/release/bin] [--links 8,256] [--seconds 60]

CPU is the time the scheduler ran the process, in nanoseconds: the first field of
/proc/PID/task/*/schedstat, summed over its threads, read at 10 s and at the end. Clock ticks
(utime + stime in /proc/PID/stat) are 10 ms each, too coarse for the 40 ms that 0.08 % of a
core comes to over 50 s. A thread that ends between two readings takes its time with it; the
window's threads live as long as it does.

Needs root (network namespaces), Xvfb and openbox. Prints figures; asserts nothing."""

import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from desktop_session import Display, Namespace, run  # noqa: E402

def cpu_ns(pid):
    total = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                total += int(f.read().split()[0])  # time on a CPU, ns
        except FileNotFoundError:
            pass  # the thread ended while we listed
    return total


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def populate(ns, count):
    # Taps are the cheapest links to make in numbers; two addresses each, as a busy host has.
    batch = []
    for i in range(count):
        name = f"bt{i}"
        batch += [f"tuntap add {name} mode tap", f"link set {name} up",
                  f"addr add 10.{100 + i // 250}.{i % 250}.1/24 dev {name}",
                  f"addr add 10.{100 + i // 250}.{i % 250}.2/24 dev {name}"]
    subprocess.run(["ip", "-n", ns.name, "-batch", "-"], input="\n".join(batch), text=True, check=True)


def measure(binary, links, seconds):
    display = Display(tray=False)
    ns = Namespace("wbench")
    try:
        populate(ns, links)
        env = dict(display.env, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR="/tmp")
        proc = subprocess.Popen(["ip", "netns", "exec", ns.name, os.path.join(binary, "qmr")], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # `ip netns exec` execs the program, so the child's pid is the program's.
        start = time.monotonic()
        readings = {}
        for mark in (10, seconds):
            time.sleep(max(0.0, start + mark - time.monotonic()))
            readings[mark] = (cpu_ns(proc.pid), rss_kib(proc.pid), time.monotonic() - start)
        proc.terminate()
        proc.wait(10)
        t10, r10, s10 = readings[10]
        tn, rn, sn = readings[seconds]
        return {
            "cpu_0_10": 100.0 * t10 / 1e9 / s10,
            "cpu_10_n": 100.0 * (tn - t10) / 1e9 / (sn - s10),
            "rss_10": r10 / 1024.0,
            "rss_n": rn / 1024.0,
        }
    finally:
        ns.close()
        display.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", default=os.path.join(os.path.dirname(__file__), "..", "build", "release", "bin"))
    parser.add_argument("--links", default="8,256")
    parser.add_argument("--seconds", type=int, default=60)
    args = parser.parse_args()
    print(f"{'links':>6} {'CPU % 0-10 s':>13} {'CPU % 10-' + str(args.seconds) + ' s':>14} "
          f"{'RSS MiB @10 s':>14} {'RSS MiB @' + str(args.seconds) + ' s':>14}")
    for links in (int(n) for n in args.links.split(",")):
        r = measure(os.path.abspath(args.bin), links, args.seconds)
        print(f"{links:>6} {r['cpu_0_10']:>13.3f} {r['cpu_10_n']:>14.3f} {r['rss_10']:>14.1f} {r['rss_n']:>14.1f}",
              flush=True)


if __name__ == "__main__":
    main()
