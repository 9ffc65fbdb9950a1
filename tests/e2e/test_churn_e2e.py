"""A machine whose links come and go, as when containers start and stop: qmr-report in a loop and
the window open in the same private namespace for 60 s of churn. No run may fail, the window must
live through it and its memory must stay flat."""

import argparse
import os
import subprocess
import sys
import threading
import time
import unittest

import test_window_e2e
from desktop_session import run
from test_window_e2e import WindowTest

CHURN_SECONDS = 60


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


class LinkChurn(WindowTest):
    # Freed memory is reused at once, so that the sanitizer's quarantine does not pass for growth.
    asan_options = "detect_leaks=0:quarantine_size_mb=0"

    def churn(self, ns, stop):
        """Adds, renames and deletes veth links (peers in the namespace's far side) until stopped."""
        n = 0
        while not stop.is_set():
            name, far = f"c{n % 6}", f"cf{n % 6}"
            run("ip", "-n", ns.name, "link", "del", name, check=False)
            run("ip", "-n", ns.name, "link", "add", name, "type", "veth", "peer", "name", far,
                "netns", ns.peer, check=False)
            run("ip", "-n", ns.name, "addr", "add", f"10.99.{n % 6}.2/24", "dev", name, check=False)
            run("ip", "-n", ns.name, "link", "set", name, "up", check=False)
            if n % 3 == 0:
                run("ip", "-n", ns.name, "link", "set", name, "down", check=False)
                run("ip", "-n", ns.name, "link", "set", name, "name", f"r{n % 6}", check=False)
                run("ip", "-n", ns.name, "link", "del", f"r{n % 6}", check=False)
            n += 1

    def test_reports_never_fail_and_the_window_stays_flat_while_links_churn(self):
        ns = self.namespace("churn")
        ns.veth("lan0", "far0", alias="Office LAN", address="10.77.0.2/24")
        window = self.start(ns=ns)
        self.window()

        stop = threading.Event()
        churner = threading.Thread(target=self.churn, args=(ns, stop))
        churner.start()
        self.addCleanup(churner.join)
        self.addCleanup(stop.set)

        env = dict(os.environ, LANG="C.UTF-8", ASAN_OPTIONS="detect_leaks=0")
        report = [os.path.join(test_window_e2e.BIN, "qmr-report"), "--expert"]
        runs, failures = 0, []
        started = time.monotonic()
        rss_early = None
        while time.monotonic() - started < CHURN_SECONDS:
            done = subprocess.run(["ip", "netns", "exec", ns.name, *report], env=env,
                                  capture_output=True, text=True, timeout=30)
            runs += 1
            if done.returncode != 0:
                failures.append(done.stderr.strip())
            if rss_early is None and time.monotonic() - started >= 10:
                rss_early = rss_kib(window.pid)
        stop.set()
        churner.join()
        rss_late = rss_kib(window.pid)

        print(f"{runs} runs of qmr-report, {len(failures)} failed; window RSS "
              f"{rss_early} KiB at 10 s, {rss_late} KiB at {CHURN_SECONDS} s", file=sys.stderr)
        self.assertGreater(runs, 50)
        self.assertEqual(failures[:3], [])
        self.assertIsNone(window.poll(), "the window died during the churn")
        # Flat: what a poll allocates is given back; the allocator may hold a little more, a leak
        # per poll would hold far more.
        self.assertLess(rss_late - rss_early, 4 * 1024)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    options, rest = parser.parse_known_args()
    test_window_e2e.BIN = os.path.abspath(options.bin)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
