"""Traffic in the window: a bounded flood ping from the peer namespace to the window's veth makes
the receive and send rates non-zero within 3 s, and the idle link beside it reads 0.0 bps. All
traffic stays between the two namespaces the test made."""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

import test_window_e2e
from desktop_session import wait_for
from test_window_e2e import ITEM_X, WindowTest, item_y

RATE = re.compile(r"^(Receive|Send) Rate:   ([0-9.]+) (bps|Kbps|Mbps|Gbps)", re.M)


def rates(report):
    """The expert copy's rates as {"Receive": bps, "Send": bps}."""
    scale = {"bps": 1, "Kbps": 1e3, "Mbps": 1e6, "Gbps": 1e9}
    return {m.group(1): float(m.group(2)) * scale[m.group(3)] for m in RATE.finditer(report)}


class Traffic(WindowTest):
    def test_a_flood_ping_shows_in_both_rates_and_an_idle_link_reads_zero(self):
        if shutil.which("ping") is None:
            message = "ping (iputils-ping) is not installed"
            if os.environ.get("CI") == "true":
                self.fail(message)
            self.skipTest(message)
        ns = self.namespace("traffic")
        ns.veth("lan0", "far0", alias="Busy LAN", address="10.66.0.2/24", gateway="10.66.0.1")
        ns.veth("lan1", "far1", alias="Quiet LAN", address="10.67.0.2/24")
        self.start(ns=ns)
        wid = self.window()
        time.sleep(1.5)
        self.toggle_expert(wid)

        self.display.click(wid, ITEM_X, item_y(2))
        quiet = self.copy(wid)
        self.assertTrue(quiet.startswith("Network Interface:   Quiet LAN\r\n"), quiet)
        self.assertEqual(rates(quiet), {"Receive": 0.0, "Send": 0.0})

        self.display.click(wid, ITEM_X, item_y(1))
        # Bounded: 600 echo requests of 1000 bytes from the far side, 5 ms apart, about 3 s.
        ping = subprocess.Popen(["ip", "netns", "exec", ns.peer, "ping", "-q", "-i", "0.005",
                                 "-c", "600", "-s", "1000", "-w", "10", "10.66.0.2"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: ping.poll() is None and ping.kill())
        started = time.monotonic()
        seen = {}

        def both_busy():
            seen.update(rates(self.copy(wid)))
            return seen.get("Receive", 0) > 0 and seen.get("Send", 0) > 0
        busy = wait_for(both_busy, 3.0, step=0.2)
        elapsed = time.monotonic() - started
        print(f"rates {seen} after {elapsed:.2f} s", file=sys.stderr)
        self.assertTrue(busy, f"rates still {seen} 3 s into the ping")
        # Requests in, replies out: each way at least a few hundred Kbps, nowhere near absurd.
        self.assertGreater(seen["Receive"], 100e3)
        self.assertLess(seen["Receive"], 1e9)

        self.assertEqual(ping.wait(20), 0, "not every echo came back")
        self.toggle_expert(wid)
        time.sleep(2.2)  # the graph shows the ping and the quiet after it
        self.display.screenshot(wid, "e2e-traffic-graph.png")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    options, rest = parser.parse_known_args()
    test_window_e2e.BIN = os.path.abspath(options.bin)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
