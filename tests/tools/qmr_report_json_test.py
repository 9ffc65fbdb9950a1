#!/usr/bin/env python3
"""qmr-report --json against iproute2 in a private network namespace, field by field, and its
adapter choices (--physical, --adapter). Needs root for `ip netns`; under CI=true a namespace
that cannot be made is a failure.

Usage: qmr_report_json_test.py QMR_REPORT PROVIDER"""

import datetime
import json
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

PROGRAM = PROVIDER = None


def expected_status(link):
    """The operational status the IP helper interface gives for what ip reports."""
    if link["operstate"] == "UP":
        return 5, "operational"
    return (2, "disconnected") if "UP" in link["flags"] else (0, "non-operational")


def run(*args, check=True):
    return subprocess.run(args, check=check, capture_output=True)


def ip_json(ns, *args):
    # iproute2 writes an alias's bytes as they are, so its own JSON is not always valid.
    return json.loads(run("ip", "-n", ns, "-j", *args).stdout.decode("utf-8", "replace"),
                      strict=False)


def report(ns, *args, lease=None):
    """The program in `ns`; with `lease` (file name, text), in a private /run that holds that
    networkd lease file and nothing else, so that the host's leases play no part."""
    env = dict(os.environ, LANG="C", QMR_IPHELPER_LIBRARY=PROVIDER,
               ASAN_OPTIONS="intercept_tls_get_addr=0")
    command = [PROGRAM, *args]
    if lease is not None:
        env["QMR_LEASE_NAME"], env["QMR_LEASE_TEXT"] = lease
        command = ["unshare", "-m", "sh", "-c",
                   "mount -t tmpfs qmr-run /run && mkdir -p /run/systemd/netif/leases && "
                   "printf %s \"$QMR_LEASE_TEXT\" > /run/systemd/netif/leases/$QMR_LEASE_NAME && "
                   "exec \"$@\"", "sh", *command]
    if ns:
        command = ["ip", "netns", "exec", ns, *command]
    return subprocess.run(command, capture_output=True, env=env)


def contained(raw):
    """What the program shows of an alias: invalid UTF-8 and control characters replaced."""
    text = raw.decode("utf-8", "replace")
    return re.sub(r"[\x00-\x08\x0a-\x1f\x7f-\x9f]", "\ufffd", text)


class JsonReport(unittest.TestCase):
    alias = b'Q"u\\o\x01te\xffx'

    def setUp(self):
        self.ns, self.far = f"qmr-json-{os.getpid()}", f"qmr-json-{os.getpid()}-far"
        if run("ip", "netns", "add", self.ns, check=False).returncode != 0:
            if os.environ.get("CI") == "true":
                self.fail("cannot create a network namespace (root needed)")
            self.skipTest("cannot create a network namespace (root needed)")
        self.addCleanup(run, "ip", "netns", "del", self.ns, check=False)
        run("ip", "netns", "add", self.far)
        self.addCleanup(run, "ip", "netns", "del", self.far, check=False)
        ip = lambda *a: run("ip", "-n", self.ns, *a)
        ip("link", "add", "lan0", "type", "veth", "peer", "name", "far0", "netns", self.far)
        ip("addr", "add", "10.61.0.2/24", "dev", "lan0")
        ip("addr", "add", "10.61.1.2/16", "dev", "lan0")
        ip("addr", "add", "2001:db8:61::2/64", "dev", "lan0", "nodad")
        ip("link", "set", "lan0", "up")
        run("ip", "-n", self.far, "link", "set", "far0", "up")
        ip("route", "add", "default", "via", "10.61.0.1", "dev", "lan0")
        ip("tuntap", "add", "tap0", "mode", "tap")
        ip("link", "add", "br0", "type", "bridge")
        # The alias goes in as bytes: quotes, a backslash, a control character, invalid UTF-8.
        subprocess.run(["ip", "netns", "exec", self.ns, "sh", "-c",
                        "cat > /sys/class/net/lan0/ifalias"], input=self.alias, check=True)

    def test_json_agrees_with_ip_and_the_choices_filter(self):
        before = {l["ifname"]: l for l in ip_json(self.ns, "-s", "link")}
        done = report(self.ns, "--json")
        after = {l["ifname"]: l for l in ip_json(self.ns, "-s", "link")}
        self.assertEqual(done.returncode, 0, done.stderr)
        document = json.loads(done.stdout)  # valid JSON whatever the alias holds
        self.assertRegex(document["version"], r"^\d+\.\d+\.\d+\.\d+$")
        adapters = {a["interface_name"]: a for a in document["adapters"]}
        self.assertEqual(sorted(adapters), ["br0", "lan0", "tap0"])  # loopback is left out

        addresses = {l["ifname"]: l["addr_info"] for l in ip_json(self.ns, "addr")}
        for name, adapter in adapters.items():
            link = after[name]
            self.assertEqual(adapter["interface_index"], link["ifindex"], name)
            self.assertEqual(adapter["mac"], link["address"].upper().replace(":", "-"), name)
            self.assertEqual(adapter["mtu"], link["mtu"], name)
            self.assertFalse(adapter["hardware"], name)
            self.assertEqual((adapter["status"]["code"], adapter["status"]["word"]),
                             expected_status(link), name)
            # tap0 and br0 were never set up, lan0 was.
            self.assertEqual(adapter["admin_up"], "UP" in link["flags"], name)
            self.assertEqual(adapter["ipv4"], [{"address": a["local"], "prefix_length": a["prefixlen"]}
                                               for a in addresses[name] if a["family"] == "inet"])
            self.assertEqual([(a["address"].split("%")[0], a["prefix_length"]) for a in adapter["ipv6"]],
                             [(a["local"], a["prefixlen"]) for a in addresses[name]
                              if a["family"] == "inet6"], name)
            for way, key in (("received", "rx"), ("sent", "tx")):
                low, high = before[name]["stats64"][key], link["stats64"][key]
                self.assertTrue(low["bytes"] <= adapter[way]["octets"] <= high["bytes"], name)
                self.assertTrue(low["errors"] <= adapter[way]["error_packets"] <= high["errors"])
        lan = adapters["lan0"]
        self.assertEqual(lan["name"], contained(self.alias))
        self.assertEqual(lan["gateways"], ["10.61.0.1"])
        self.assertEqual(lan["dhcp"], {"enabled": False, "server": None, "lease_obtained": None,
                                       "lease_expires": None})

        # Every link here is virtual; a chosen one comes by caption or by interface name.
        physical = json.loads(report(self.ns, "--json", "--physical").stdout)
        self.assertEqual(physical["adapters"], [])
        for choice in (contained(self.alias), "tap0"):
            chosen = json.loads(report(self.ns, "--json", "--adapter", choice).stdout)
            self.assertEqual(len(chosen["adapters"]), 1, choice)
        missing = report(self.ns, "--adapter", "nothing-by-this-name")
        self.assertEqual(missing.returncode, 1)
        self.assertIn(b"no adapter has the caption or interface name 'nothing-by-this-name'",
                      missing.stderr)

    def test_details_agree_with_ip_and_the_namespaces_own_files(self):
        """One table per source of facts: the kernel as ip shows it, the namespace's
        resolv.conf, and a networkd lease in the namespace's /run."""
        ip = lambda *a: run("ip", "-n", self.ns, *a)
        ip("link", "set", "lan0", "mtu", "1400")
        ip("link", "set", "lan0", "address", "02:00:00:00:61:02")
        ip("link", "set", "tap0", "mtu", "9000")
        ip("addr", "add", "10.61.5.2/24", "dev", "lan0", "valid_lft", "3600", "preferred_lft", "1800")
        resolv = "nameserver 10.61.0.53\nsearch corp.example lab.example\n"
        os.makedirs(f"/etc/netns/{self.ns}", exist_ok=True)
        self.addCleanup(shutil.rmtree, f"/etc/netns/{self.ns}", True)
        with open(f"/etc/netns/{self.ns}/resolv.conf", "w") as f:
            f.write(resolv)
        links = {l["ifname"]: l for l in ip_json(self.ns, "link")}
        lease = "# networkd\nADDRESS=10.61.5.2\nSERVER_ADDRESS=10.61.5.1\n"
        done = report(self.ns, "--json", lease=(str(links["lan0"]["ifindex"]), lease))
        self.assertEqual(done.returncode, 0, done.stderr)
        now = time.time()
        adapters = {a["interface_name"]: a for a in json.loads(done.stdout)["adapters"]}

        # The kernel: MTU, type and the burnt-in address ip names ("permaddr", where it differs).
        for name, link in links.items():
            if name == "lo":
                continue
            permanent = link.get("permaddr")
            table = [("mtu", link["mtu"]),
                     ("interface_type", "ethernet" if link["link_type"] == "ether" else "other"),
                     ("permanent_mac", permanent.upper().replace(":", "-") if permanent else None),
                     ("mac", link["address"].upper().replace(":", "-")),
                     ("wifi", None)]
            for key, want in table:
                self.assertEqual(adapters[name][key], want, f"{name} {key}")
        self.assertEqual(adapters["lan0"]["mtu"], 1400)  # what the test set, as ip says

        # resolv.conf: every adapter has its search list, the first domain its suffix.
        search = next(l.split()[1:] for l in resolv.splitlines() if l.startswith("search"))
        for name, adapter in adapters.items():
            self.assertEqual((adapter["dns_suffix"], adapter["search_domains"]), (search[0], search),
                             name)

        # The lease: its server for the link that holds its address, the times from the
        # address's lifetime as ip gives it; no lease for any other link.
        held = next(a for a in ip_json(self.ns, "addr", "show", "lan0")[0]["addr_info"]
                    if a["local"] == "10.61.5.2")
        dhcp = adapters["lan0"]["dhcp"]
        self.assertEqual((dhcp["enabled"], dhcp["server"]), (True, "10.61.5.1"))
        expires = datetime.datetime.fromisoformat(dhcp["lease_expires"].replace("Z", "+00:00"))
        self.assertAlmostEqual(expires.timestamp(), now + held["valid_life_time"], delta=5)
        obtained = datetime.datetime.fromisoformat(dhcp["lease_obtained"].replace("Z", "+00:00"))
        self.assertAlmostEqual(obtained.timestamp(), now, delta=60)
        for name in ("tap0", "br0"):
            self.assertEqual(adapters[name]["dhcp"]["server"], None, name)

        # The expert report says the same in words.
        text = report(self.ns, "--expert", "--adapter", "tap0").stdout.decode()
        self.assertIn("MTU:   9000\n", text)
        self.assertIn("DNS Suffix:   corp.example\n", text)
        self.assertIn("Search Domains:   corp.example, lab.example\n", text)

    def test_physical_lists_the_hosts_real_adapters_only(self):
        real = sorted(n for n in os.listdir("/sys/class/net")
                      if os.path.exists(f"/sys/class/net/{n}/device"))
        listed = json.loads(report(None, "--json", "--physical").stdout)["adapters"]
        self.assertEqual(sorted(a["interface_name"] for a in listed), real)


if __name__ == "__main__":
    PROGRAM, PROVIDER = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
