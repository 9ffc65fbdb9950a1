"""The story of one adapter: with the window open in a private namespace, a veth link goes down,
comes back two seconds later and changes its address; the copied expert report ends with those
events, each with its time, newest first."""

import argparse
import os
import re
import sys
import time
import unittest

import test_window_e2e
from test_window_e2e import ITEM_X, WindowTest, item_y

EVENT_LINE = re.compile(r"^(\d\d):(\d\d):(\d\d)  (.+)$")


class LinkEvents(WindowTest):
    def test_down_up_and_a_new_address_are_listed_newest_first_with_times(self):
        ns = self.namespace("events")
        ns.veth("lan0", "far0", alias="Event LAN", address="10.20.30.5/24")
        self.start(ns=ns)
        wid = self.window()
        time.sleep(2)  # the first polls see the link Online

        ns.exec("ip", "link", "set", "lan0", "down")
        time.sleep(2)
        ns.exec("ip", "link", "set", "lan0", "up")
        time.sleep(2)
        ns.exec("ip", "addr", "del", "10.20.30.5/24", "dev", "lan0")
        ns.exec("ip", "addr", "add", "10.20.30.6/24", "dev", "lan0")
        time.sleep(2)

        self.display.click(wid, ITEM_X, item_y(1))
        self.toggle_expert(wid)
        time.sleep(1)
        report = self.copy(wid)
        lines = report.split("\r\n")
        self.assertIn("Link Events:", lines, report)
        events = []
        for line in lines[lines.index("Link Events:") + 1:]:
            match = EVENT_LINE.match(line)
            if not match:
                break
            h, m, s, text = match.groups()
            events.append((int(h) * 3600 + int(m) * 60 + int(s), text))
        texts = [text for _, text in events]
        print("\n".join(lines[lines.index("Link Events:"):]), file=sys.stderr)

        added = texts.index("IP 10.20.30.6/24 added")
        up = next(i for i, t in enumerate(texts) if t.endswith(" -> Online"))
        down = max(i for i, t in enumerate(texts) if t.startswith("Online -> "))
        self.assertIn("IP 10.20.30.5/24 removed", texts)
        self.assertLess(added, up, "newest first")
        self.assertLess(up, down, "newest first")
        seconds = [at for at, _ in events]
        self.assertEqual(seconds, sorted(seconds, reverse=True), "times newest first")
        # Two seconds apart, seen by polls a second apart.
        self.assertGreaterEqual(seconds[up] - seconds[down], 1)
        self.assertGreaterEqual(seconds[added] - seconds[up], 1)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    options, rest = parser.parse_known_args()
    test_window_e2e.BIN = os.path.abspath(options.bin)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
